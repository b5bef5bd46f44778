#pragma once
// Report pages printed into a PDF the way the printer paints them: shapes,
// lines and pictures through the printer's painting routines in printer
// pixels, texts as text blocks at the print resolution, self-painting commands (bar codes, rich text) through their own
// Draw. A report in the test hands each final page to Print.

#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "../output/barcode_devices.h"
#include "report/output/rg_device.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_device.h"

namespace rgtest {

class TPdfPagePrinter : public TrgRasterDevice {
public:
    TPdfPagePrinter(const QString& Path, int Resolution, QSizeF PaperMM)
        : TrgRasterDevice(nullptr), writer_(Path), resolution_(Resolution)
    {
        writer_.setResolution(Resolution);
        writer_.setPageSize(QPageSize(PaperMM, QPageSize::Millimeter));
        writer_.setPageMargins(QMarginsF(0, 0, 0, 0));
    }
    ~TPdfPagePrinter() override { Finish(); }

    QPainter* PagePainter() override { return painter_.isActive() ? &painter_ : nullptr; }
    QRect CommandRect(const TrgDrawCommand& Command) override { return DeviceRect(Command, resolution_); }

    void Print(TrgPage* Page)
    {
        if (painter_.isActive())
            writer_.newPage();
        else
            painter_.begin(&writer_);
        DrawPage(Page);
        ++pages_;
    }
    int Pages() const { return pages_; }
    void Finish()
    {
        if (painter_.isActive())
            painter_.end();
    }

    bool DrawCommand(TrgDrawCommand* Command) override
    {
        const QRect box = CommandRect(*Command);
        if (auto* shape = dynamic_cast<TrgDrawShape*>(Command)) {
            QPen pen = shape->Pen.ToQPen();
            // Screen pixels of the pen in printer pixels.
            pen.setWidth(std::max(1, int(std::lround(shape->Pen.Width * double(resolution_) / 96.0))));
            painter_.save();
            painter_.setPen(shape->Pen.Style == psClear ? QPen(Qt::NoPen) : pen);
            painter_.setBrush(shape->Brush.ToQBrush());
            switch (shape->ShapeType) {
            case stRoundRect:
                painter_.drawRoundedRect(box, MMToDevicePixels(shape->XCornerRound, resolution_) / 2.0,
                                         MMToDevicePixels(shape->YCornerRound, resolution_) / 2.0);
                break;
            case stEllipse: painter_.drawEllipse(box); break;
            default: painter_.drawRect(box); break;
            }
            painter_.restore();
            return true;
        }
        if (auto* line = dynamic_cast<TrgDrawLine*>(Command)) {
            const int thickness = rgLineThickness(resolution_, line->Weight);
            rgDrawStrokes(painter_, line->Pen.ToQPen(),
                          rgLineStrokes(box, line->LinePosition, line->LineStyle, thickness, 2 * thickness));
            return true;
        }
        if (auto* text = dynamic_cast<TrgDrawText*>(Command)) {
            // The font at the print resolution, the lines as the layout broke them.
            QFont font = text->Font()->ToQFont();
            font.setPixelSize(std::max(1, int(std::lround(text->Font()->Size() * double(resolution_) / 72.0))));
            painter_.save();
            painter_.setFont(font);
            painter_.setPen(ColorToQColor(text->Font()->Color()));
            TrgTextBlock block;
            block.Box = box;
            block.Lines = text->WordWrap ? text->WrappedText()->ToQStringList() : QStringList{text->Text};
            block.Alignment = text->Alignment;
            block.WordWrap = text->WordWrap;
            block.Transparent = text->Transparent;
            block.Color = ColorToQColor(text->Color);
            block.LineHeight = QFontMetrics(font, painter_.device()).height();
            rgPaintTextBlock(painter_, block);
            painter_.restore();
            return true;
        }
        if (auto* image = dynamic_cast<TrgDrawImage*>(Command)) {
            const TGraphic* graphic = image->Picture.Graphic();
            if (!graphic || graphic->Empty())
                return true;
            const QImage picture = graphic->DrawImage();
            // The picture's pixels are screen pixels.
            const QSize natural(int(std::lround(picture.width() * double(resolution_) / 96.0)),
                                int(std::lround(picture.height() * double(resolution_) / 96.0)));
            const QRect place = rgPictureLayout(natural, box.size(), image->Stretch, image->MaintainAspectRatio,
                                                image->Center)
                                    .translated(box.topLeft());
            painter_.save();
            painter_.setClipRect(box);
            painter_.drawImage(place, picture);
            painter_.restore();
            return true;
        }
        return false;
    }

private:
    QPdfWriter writer_;
    int resolution_;
    QPainter painter_;
    int pages_ = 0;
};

}  // namespace rgtest
