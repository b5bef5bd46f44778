#include "controls/date_spin_glyphs.h"

#include <QPainter>
#include <QPolygon>

namespace {

enum TGlyphShape { gsLeft, gsRight, gsDoubleLeft, gsDoubleRight, gsCalendar, gsDown, gsUp };

void DrawShape(QPainter& p, TGlyphShape shape, int w, int h, const QColor& c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    auto left = [&](int x0, int tw) {
        p.drawPolygon(QPolygon({QPoint(x0, h / 2), QPoint(x0 + tw, h / 2 - tw), QPoint(x0 + tw, h / 2 + tw)}));
    };
    auto right = [&](int x0, int tw) {
        p.drawPolygon(QPolygon({QPoint(x0 + tw, h / 2), QPoint(x0, h / 2 - tw), QPoint(x0, h / 2 + tw)}));
    };
    switch (shape) {
    case gsLeft: left(w / 2 - 2, 4); break;
    case gsRight: right(w / 2 - 2, 4); break;
    case gsDoubleLeft: left(w / 2 - 6, 4); left(w / 2 + 1, 4); break;
    case gsDoubleRight: right(w / 2 - 5, 4); right(w / 2 + 2, 4); break;
    case gsCalendar:
        p.setPen(c);
        p.setBrush(Qt::NoBrush);
        p.drawRect(1, 2, w - 3, h - 4);
        p.fillRect(1, 2, w - 2, 3, c);
        for (int y = 6; y < h - 2; y += 2)
            for (int x = 3; x < w - 2; x += 2)
                p.fillRect(x, y, 1, 1, c);
        break;
    case gsDown:
        p.drawPolygon(QPolygon({QPoint(w / 2 - 4, h / 2 - 2), QPoint(w / 2 + 4, h / 2 - 2), QPoint(w / 2, h / 2 + 2)}));
        break;
    case gsUp:
        p.drawPolygon(QPolygon({QPoint(w / 2 - 4, h / 2 + 2), QPoint(w / 2 + 4, h / 2 + 2), QPoint(w / 2, h / 2 - 2)}));
        break;
    }
}

QImage Glyphs(TGlyphShape shape, int w, int h, bool twoGlyphs)
{
    // On the button face colour, as the glyphs are copied unchanged.
    QImage img(twoGlyphs ? 2 * w : w, h, QImage::Format_RGB32);
    img.fill(ColorToQColor(clBtnFace));
    QPainter p(&img);
    DrawShape(p, shape, w, h, Qt::black);
    if (twoGlyphs) {
        p.translate(w + 1, 1);
        DrawShape(p, shape, w, h, Qt::white);
        p.translate(-1, -1);
        DrawShape(p, shape, w, h, QColor(128, 128, 128));
    }
    return img;
}

}  // namespace

bool LoadControlGlyphs(const QString& name, TBitmap& bmp)
{
    QImage img;
    if (name == "DateEditPrevMonth")
        img = Glyphs(gsLeft, 10, 10, true);
    else if (name == "DateEditNextMonth")
        img = Glyphs(gsRight, 10, 10, true);
    else if (name == "DateEditPrevYear")
        img = Glyphs(gsDoubleLeft, 20, 10, true);
    else if (name == "DateEditNextYear")
        img = Glyphs(gsDoubleRight, 20, 10, true);
    else if (name == "DateEditCalendar")
        img = Glyphs(gsCalendar, 13, 12, true);
    else if (name == "DateEditComboNew" || name == "DateEditComboOld")
        img = Glyphs(gsDown, 11, 8, true);
    else if (name == "SW_UPARROW")
        img = Glyphs(gsUp, 11, 8, false);
    else if (name == "SW_DOWNARROW")
        img = Glyphs(gsDown, 11, 8, false);
    else
        return false;
    bmp.SetImage(img);
    return true;
}
