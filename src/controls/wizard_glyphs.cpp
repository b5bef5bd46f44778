#include "controls/wizard_glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

namespace {

constexpr int kSize = 16;

enum TWizardGlyph { wgHelp, wgCheck, wgFlag, wgPages, wgDialog, wgCross, wgRight, wgLeft };

// Draws one glyph at the origin; mono, when given, is the one colour of a
// disabled glyph.
void DrawGlyph(QPainter& p, TWizardGlyph glyph, const QColor* mono)
{
    auto farbe = [mono](QColor c) { return mono ? *mono : c; };
    // White areas stay out of a disabled glyph, which shows outlines only.
    auto weiss = [&p, mono](const QRect& r) {
        if (!mono)
            p.fillRect(r, Qt::white);
    };
    p.setRenderHint(QPainter::Antialiasing, false);
    switch (glyph) {
    case wgHelp: {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(15);
        f.setBold(true);
        p.setFont(f);
        p.setPen(farbe(QColor(0, 0, 160)));
        p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case wgCheck:
        p.setPen(QPen(farbe(QColor(0, 128, 0)), 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawPolyline(QPolygon({QPoint(2, 8), QPoint(6, 12), QPoint(13, 3)}));
        break;
    case wgFlag:
        // A chequered flag on its pole.
        p.fillRect(2, 1, 1, 14, farbe(QColor(64, 64, 64)));
        weiss(QRect(3, 2, 11, 8));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                if ((x + y) % 2 == 0)
                    p.fillRect(3 + 2 * x, 2 + 2 * y, 2, 2, farbe(Qt::black));
        p.setPen(farbe(Qt::black));
        p.drawRect(3, 2, 10, 7);
        break;
    case wgPages:
        // Three pages behind each other: the steps of the wizard.
        for (int i = 2; i >= 0; --i) {
            const QRect r(1 + 3 * i, 1 + 3 * i, 8, 9);
            weiss(r);
            p.setPen(farbe(QColor(0, 0, 128)));
            p.drawRect(r);
        }
        p.fillRect(9, 9, 3, 1, farbe(QColor(0, 0, 128)));
        p.fillRect(9, 11, 3, 1, farbe(QColor(0, 0, 128)));
        break;
    case wgDialog:
        // One window with its title bar: all fields on one page.
        weiss(QRect(1, 2, 14, 12));
        p.fillRect(1, 2, 14, 3, farbe(QColor(0, 0, 128)));
        p.setPen(farbe(Qt::black));
        p.drawRect(1, 2, 13, 11);
        p.fillRect(3, 7, 7, 1, farbe(QColor(128, 128, 128)));
        p.fillRect(3, 9, 9, 1, farbe(QColor(128, 128, 128)));
        p.fillRect(3, 11, 5, 1, farbe(QColor(128, 128, 128)));
        break;
    case wgCross:
        p.setPen(QPen(farbe(QColor(192, 0, 0)), 3, Qt::SolidLine, Qt::SquareCap));
        p.drawLine(4, 4, 11, 11);
        p.drawLine(11, 4, 4, 11);
        break;
    case wgRight:
    case wgLeft: {
        QPolygon pfeil({QPoint(2, 6), QPoint(8, 6), QPoint(8, 2), QPoint(14, 8), QPoint(8, 14), QPoint(8, 10),
                        QPoint(2, 10)});
        if (glyph == wgLeft)
            for (QPoint& pt : pfeil)
                pt.setX(kSize - pt.x());
        p.setPen(farbe(Qt::black));
        p.setBrush(farbe(QColor(0, 128, 0)));
        p.drawPolygon(pfeil);
        break;
    }
    }
}

QImage Strip(TWizardGlyph glyph)
{
    QImage img(2 * kSize, kSize, QImage::Format_RGB32);
    img.fill(QColor(128, 128, 0));
    QPainter p(&img);
    DrawGlyph(p, glyph, nullptr);
    // Disabled: the shape embossed in white and grey.
    const QColor weiss(255, 255, 255), grau(128, 128, 128);
    p.translate(kSize + 1, 1);
    DrawGlyph(p, glyph, &weiss);
    p.translate(-1, -1);
    DrawGlyph(p, glyph, &grau);
    return img;
}

}  // namespace

bool LoadWizardGlyph(const QString& name, TBitmap& bmp)
{
    static const struct {
        const char* name;
        TWizardGlyph glyph;
    } glyphen[] = {{"HELP", wgHelp},         {"ASSISTENTOK", wgCheck},    {"FINISH", wgFlag},
                   {"DIALOGOK", wgCheck},    {"CHANGEASSISTENT", wgPages}, {"CHANGEDIALOG", wgDialog},
                   {"CANCEL", wgCross},      {"ARROWR", wgRight},          {"ARROWL", wgLeft}};
    for (const auto& g : glyphen)
        if (name == QLatin1String(g.name)) {
            bmp.SetImage(Strip(g.glyph));
            return true;
        }
    return false;
}
