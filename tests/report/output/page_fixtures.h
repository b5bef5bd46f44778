#pragma once
// Pages, draw commands and devices for the tests of the output layer: a
// fixture with a fixed fake printer (no spooler is ever asked) and the
// draw-command classes registered, builders of commands, a device that
// writes what happens to it into a shared log, a raster device painting
// into an image, and a progress view that counts the messages it shows.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

#include "fake_printer_source.h"
#include "platform/stream/component_writer.h"
#include "platform/stream/stream_format.h"
#include "show_lines.h"
#include "report/output/rg_device.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_setup.h"

namespace rgtest {

class PageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallFakePrinters({OfficeLaser("Laser")});
        rgRegisterDrawCommandClasses();
    }
    void TearDown() override { InstallFakePrinters({}); }
};

inline TrgDrawText* AddText(TrgPage& page, const QString& text, int band = 0, int field = 0)
{
    auto* command = new TrgDrawText(nullptr);
    command->Text = text;
    command->BandSave = command->ComponentSave = true;
    command->BandSaveNo = band;
    command->ComponentSaveNo = field;
    command->SetPage(&page);
    return command;
}

inline TrgDrawCalc* AddCalc(TrgPage& page, TrgCalcType kind, const QString& text = QStringLiteral("keep"))
{
    auto* command = new TrgDrawCalc(nullptr);
    command->CalcType = kind;
    command->Text = text;
    command->SetPage(&page);
    return command;
}

// The names of a page stream's classes in the order they stand.
inline QStringList ClassNamesOf(const TrgPage& page)
{
    QStringList names{QStringLiteral("TrgPage")};
    for (int i = 0; i < page.GetDrawCommandCount(); ++i)
        names << ClassInfoOf(*page.GetDrawCommand(i))->ClassName;
    return names;
}

inline QByteArray StreamOf(TComponent* component)
{
    return ComponentToBytes(component);
}

// Property names of the first component in a stream, in order.
inline QStringList PropertyNamesOf(const QByteArray& stream)
{
    TByteCursor cur(stream, 4);
    cur.ShortBytes();
    cur.ShortBytes();
    QStringList names;
    while (cur.PeekByte() != 0) {
        names << QString::fromLatin1(cur.ShortBytes());
        cur.SkipValue();
    }
    return names;
}

// A device that logs every call as "<name>:<what>" into a shared list.
class LoggingDevice : public TrgDevice {
public:
    LoggingDevice(QStringList& log, QString name, bool finalPagesOnly = true)
        : TrgDevice(nullptr), log_(log), name_(std::move(name)), finalPagesOnly_(finalPagesOnly)
    {
    }
    void StartJob() override
    {
        TrgDevice::StartJob();
        Log(QStringLiteral("start"));
    }
    void EndJob() override
    {
        TrgDevice::EndJob();
        Log(QStringLiteral("end"));
    }
    void CancelJob() override
    {
        TrgDevice::CancelJob();
        Log(QStringLiteral("cancel"));
    }
    void Reset() override
    {
        TrgDevice::Reset();
        Log(QStringLiteral("reset"));
    }
    bool OutputFinalPagesOnly() const override { return finalPagesOnly_; }
    void ReceivePage(TrgPage* page) override
    {
        TrgDevice::ReceivePage(page);
        Log(QStringLiteral("page %1%2").arg(page->AbsolutePageNo).arg(PageWanted() && !SkipPage() ? " out" : ""));
    }
    bool DrawCommand(TrgDrawCommand* command) override
    {
        Log(QStringLiteral("draw %1,%2").arg(command->Left).arg(command->Top));
        return true;
    }
    bool RedrawCommand(TrgDrawCommand* command) override
    {
        Log(QStringLiteral("redraw %1").arg(static_cast<TrgDrawText*>(command)->Text));
        return true;
    }

    // The pages this device was handed, and those it put out, in order.
    std::vector<int> Received;
    std::vector<int> Output;

private:
    void Log(const QString& what)
    {
        log_ << name_ + u':' + what;
        if (what.startsWith(QStringLiteral("page ")))
            Received.push_back(what.section(u' ', 1, 1).toInt());
        if (what.endsWith(QStringLiteral(" out")))
            Output.push_back(what.section(u' ', 1, 1).toInt());
    }
    QStringList& log_;
    QString name_;
    bool finalPagesOnly_;
};

// A raster device with an open page: an image at 1 pixel per tenth of a millimetre.
class ImageDevice : public TrgRasterDevice {
public:
    ImageDevice() : TrgRasterDevice(nullptr), image(400, 400, QImage::Format_RGB32), painter_(&image)
    {
        image.fill(Qt::white);
    }
    ~ImageDevice() override { painter_.end(); }
    QPainter* PagePainter() override { return &painter_; }
    QRect CommandRect(const TrgDrawCommand& command) override
    {
        return {command.Left / 100, command.Top / 100, command.Width / 100, command.Height / 100};
    }
    QImage Snapshot()
    {
        painter_.end();
        QImage copy = image.copy();
        painter_.begin(&image);
        return copy;
    }

    QImage image;

private:
    QPainter painter_;
};

class CountingProgressView : public TrgProgressView {
public:
    QString Message() const override { return message_; }
    void SetMessage(const QString& message) override
    {
        message_ = message;
        Shown << message;
    }
    QStringList Shown;

private:
    QString message_;
};

}  // namespace rgtest
