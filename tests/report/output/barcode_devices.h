#pragma once
// Raster devices for the bar code tests: a page painted into a PDF at a
// chosen resolution (as the printer does) and an image at a chosen
// resolution (as a preview does). Both map thousandths of a millimetre to
// their pixels from the paper's top-left corner.

#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

#include "report/output/rg_device.h"
#include "report/output/rg_draw_commands.h"

namespace rgtest {

inline int MMToDevicePixels(int MMThousandths, int Resolution)
{
    return int(std::lround(MMThousandths * double(Resolution) / 25400.0));
}

inline QRect DeviceRect(const TrgDrawCommand& Command, int Resolution)
{
    const int left = MMToDevicePixels(Command.Left, Resolution);
    const int top = MMToDevicePixels(Command.Top, Resolution);
    return {left, top, MMToDevicePixels(Command.Left + Command.Width, Resolution) - left,
            MMToDevicePixels(Command.Top + Command.Height, Resolution) - top};
}

// Pages of A4 in a PDF; the page open is the one painted.
class PdfPageDevice : public TrgRasterDevice {
public:
    PdfPageDevice(const QString& Path, int Resolution) : TrgRasterDevice(nullptr), writer_(Path), resolution_(Resolution)
    {
        writer_.setResolution(Resolution);
        writer_.setPageSize(QPageSize(QPageSize::A4));
        writer_.setPageMargins(QMarginsF(0, 0, 0, 0));
        painter_.begin(&writer_);
    }
    ~PdfPageDevice() override { Finish(); }
    QPainter* PagePainter() override { return painter_.isActive() ? &painter_ : nullptr; }
    QRect CommandRect(const TrgDrawCommand& Command) override { return DeviceRect(Command, resolution_); }
    void NewPage() { writer_.newPage(); }
    void Finish()
    {
        if (painter_.isActive())
            painter_.end();
    }

private:
    QPdfWriter writer_;
    int resolution_;
    QPainter painter_;
};

// A white image of the given size at the given resolution.
class ImagePageDevice : public TrgRasterDevice {
public:
    ImagePageDevice(QSize Size, int Resolution, QColor Background = Qt::white)
        : TrgRasterDevice(nullptr), image(Size, QImage::Format_RGB32), resolution_(Resolution)
    {
        image.fill(Background);
        painter_.begin(&image);
    }
    ~ImagePageDevice() override { Finish(); }
    QPainter* PagePainter() override { return painter_.isActive() ? &painter_ : nullptr; }
    QRect CommandRect(const TrgDrawCommand& Command) override { return DeviceRect(Command, resolution_); }
    // Ends painting; the image then holds the page.
    QImage& Finish()
    {
        if (painter_.isActive())
            painter_.end();
        return image;
    }

    QImage image;

private:
    int resolution_;
    QPainter painter_;
};

}  // namespace rgtest
