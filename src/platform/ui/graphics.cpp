#include "platform/ui/graphics.h"

#include "platform/core/exceptions.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QImageReader>
#include <cmath>
#include <stdexcept>

namespace {

// The classic Windows scheme, indexed by system colour number.
constexpr int kSystemColors[] = {
    0xC0C0C0, 0x808000, 0x800000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xC0C0C0, 0xC0C0C0, 0x808080, 0x800000, 0xFFFFFF, 0xC0C0C0,
    0x808080, 0x808080, 0x000000, 0xC0C0C0, 0xFFFFFF, 0x000000, 0xC0C0C0, 0x000000,
    0xE1FFFF,
};

int PixelsPerInch() { return 96; }

}  // namespace

int ColorToRGB(TColor c)
{
    if (c < 0) {
        unsigned index = unsigned(c) & 0xFF;
        return index < std::size(kSystemColors) ? kSystemColors[index] : 0;
    }
    if (c == clNone || c == clDefault)
        return 0xFFFFFF;
    return c & 0xFFFFFF;
}

QColor ColorToQColor(TColor c)
{
    int v = ColorToRGB(c);
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

TColor QColorToColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

// ---- TFont ---------------------------------------------------------------
TFont::TFont() = default;

void TFont::Assign(const TPersistent* Source)
{
    if (auto f = dynamic_cast<const TFont*>(Source)) {
        name_ = f->name_;
        height_ = f->height_;
        color_ = f->color_;
        style_ = f->style_;
        Pitch = f->Pitch;
        Changed();
    }
}

void TFont::SetName(const QString& v) { if (v != name_) { name_ = v; Changed(); } }
void TFont::SetHeight(int v) { if (v != height_) { height_ = v; Changed(); } }
int TFont::Size() const { return -int(std::lround(height_ * 72.0 / PixelsPerInch())); }
void TFont::SetSize(int points) { SetHeight(-int(std::lround(points * double(PixelsPerInch()) / 72.0))); }
void TFont::SetColor(TColor v) { if (v != color_) { color_ = v; Changed(); } }
void TFont::SetStyle(TFontStyles v) { if (!(v == style_)) { style_ = v; Changed(); } }

void TFont::Changed()
{
    if (OnChange)
        OnChange(this);
}

QFont TFont::ToQFont() const
{
    QFont f(name_);
    // The old bitmap font names have no match here; let the family fall back.
    if (name_ == "MS Sans Serif" || name_ == "System")
        f.setFamilies({"DejaVu Sans", "Liberation Sans", "Sans Serif"});
    else if (name_ == "Arial")
        f.setFamilies({"Arial", "Liberation Sans", "DejaVu Sans"});
    // Negative: character height; positive: cell height (a bit smaller glyphs).
    int px = height_ < 0 ? -height_ : std::max(1, height_ * 4 / 5);
    f.setPixelSize(std::max(1, px));
    f.setBold(style_.Contains(fsBold));
    f.setItalic(style_.Contains(fsItalic));
    f.setUnderline(style_.Contains(fsUnderline));
    f.setStrikeOut(style_.Contains(fsStrikeOut));
    if (Pitch == fpFixed)
        f.setFixedPitch(true);
    return f;
}

// ---- TPen / TBrush -------------------------------------------------------
void TPen::Assign(const TPersistent* Source)
{
    if (auto p = dynamic_cast<const TPen*>(Source)) {
        Color = p->Color; Width = p->Width; Style = p->Style; Mode = p->Mode;
    }
}

QPen TPen::ToQPen() const
{
    if (Style == psClear)
        return QPen(Qt::NoPen);
    QPen p(ColorToQColor(Color));
    p.setWidth(Width <= 1 ? 0 : Width);  // 0 = cosmetic one-pixel pen
    switch (Style) {
    case psDash: p.setStyle(Qt::DashLine); break;
    case psDot: p.setStyle(Qt::DotLine); break;
    case psDashDot: p.setStyle(Qt::DashDotLine); break;
    case psDashDotDot: p.setStyle(Qt::DashDotDotLine); break;
    default: p.setStyle(Qt::SolidLine); break;
    }
    return p;
}

void TBrush::Assign(const TPersistent* Source)
{
    if (auto b = dynamic_cast<const TBrush*>(Source)) {
        Color = b->Color; Style = b->Style;
    }
}

QBrush TBrush::ToQBrush() const
{
    static const Qt::BrushStyle styles[] = {Qt::SolidPattern, Qt::NoBrush, Qt::HorPattern, Qt::VerPattern,
                                            Qt::FDiagPattern, Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    return QBrush(ColorToQColor(Color), styles[Style]);
}

// ---- TCanvas -------------------------------------------------------------
TCanvas::TCanvas() = default;
TCanvas::~TCanvas() { Release(); }

void TCanvas::BeginOn(QPaintDevice* device, QImage* image)
{
    Release();
    device_ = device;
    image_ = image;
}

void TCanvas::BeginWith(QPainter* painter)
{
    Release();
    external_ = painter;
    device_ = painter->device();
    painter->save();
}

void TCanvas::Release()
{
    if (external_) {
        external_->restore();
        external_ = nullptr;
        device_ = nullptr;
        return;
    }
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

QPainter* TCanvas::Painter()
{
    if (external_)
        return external_;
    if (!device_)
        return nullptr;
    if (image_ && image_->isNull())
        return nullptr;
    if (!painter_) {
        painter_ = std::make_unique<QPainter>();
        if (!painter_->begin(device_)) {
            painter_.reset();
            return nullptr;
        }
    }
    return painter_.get();
}

void TCanvas::ApplyPen()
{
    QPainter* p = Painter();
    p->setPen(Pen.ToQPen());
    p->setCompositionMode(Pen.Mode == pmXor || Pen.Mode == pmNotXor || Pen.Mode == pmNot
                              ? QPainter::RasterOp_SourceXorDestination
                              : QPainter::CompositionMode_SourceOver);
}

void TCanvas::ApplyBrush() { Painter()->setBrush(Brush.ToQBrush()); }

void TCanvas::MoveTo(int X, int Y) { PenPos = {X, Y}; }

void TCanvas::LineTo(int X, int Y)
{
    if (QPainter* p = Painter()) {
        ApplyPen();
        // The end point itself is not drawn.
        int ex = X, ey = Y;
        int dx = X - PenPos.X, dy = Y - PenPos.Y;
        if (dx == 0 && dy == 0) {
            PenPos = {X, Y};
            return;
        }
        if (std::abs(dx) >= std::abs(dy))
            ex = X - (dx > 0 ? 1 : -1), ey = PenPos.Y + (dy * (std::abs(dx) - 1)) / std::max(1, std::abs(dx));
        else
            ey = Y - (dy > 0 ? 1 : -1), ex = PenPos.X + (dx * (std::abs(dy) - 1)) / std::max(1, std::abs(dy));
        p->drawLine(PenPos.X, PenPos.Y, ex, ey);
    }
    PenPos = {X, Y};
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2)
{
    QPainter* p = Painter();
    if (!p || X2 <= X1 || Y2 <= Y1)
        return;
    if (Brush.Style != bsClear)
        p->fillRect(X1, Y1, X2 - X1, Y2 - Y1, Brush.ToQBrush());
    if (Pen.Style != psClear) {
        ApplyPen();
        p->setBrush(Qt::NoBrush);
        p->drawRect(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1);
    }
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3)
{
    if (QPainter* p = Painter()) {
        ApplyPen();
        ApplyBrush();
        p->drawRoundedRect(QRect(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1), X3 / 2.0, Y3 / 2.0);
    }
}

void TCanvas::FillRect(const TRect& R)
{
    if (QPainter* p = Painter(); p && R.Width() > 0 && R.Height() > 0 && Brush.Style != bsClear)
        p->fillRect(R.Left, R.Top, R.Width(), R.Height(), Brush.ToQBrush());
}

void TCanvas::FrameRect(const TRect& R)
{
    QPainter* p = Painter();
    if (!p || R.Width() <= 0 || R.Height() <= 0)
        return;
    QColor c = ColorToQColor(Brush.Color);
    p->fillRect(R.Left, R.Top, R.Width(), 1, c);
    p->fillRect(R.Left, R.Bottom - 1, R.Width(), 1, c);
    p->fillRect(R.Left, R.Top, 1, R.Height(), c);
    p->fillRect(R.Right - 1, R.Top, 1, R.Height(), c);
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2)
{
    if (QPainter* p = Painter()) {
        ApplyPen();
        ApplyBrush();
        p->drawEllipse(QRect(X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1));
    }
}

void TCanvas::Polygon(std::initializer_list<TPoint> Points) { Polygon(std::vector<TPoint>(Points)); }

void TCanvas::Polygon(const std::vector<TPoint>& Points)
{
    if (QPainter* p = Painter()) {
        ApplyPen();
        ApplyBrush();
        QPolygon poly;
        for (const TPoint& pt : Points)
            poly << QPoint(pt.X, pt.Y);
        p->drawPolygon(poly);
    }
}

void TCanvas::Polyline(const std::vector<TPoint>& Points)
{
    if (QPainter* p = Painter()) {
        ApplyPen();
        QPolygon poly;
        for (const TPoint& pt : Points)
            poly << QPoint(pt.X, pt.Y);
        p->drawPolyline(poly);
    }
    if (!Points.empty())
        PenPos = Points.back();
}

void TCanvas::TextOut(int X, int Y, const QString& Text)
{
    QPainter* p = Painter();
    if (!p)
        return;
    p->setFont(Font.ToQFont());
    QFontMetrics fm(p->font());
    QRect r(X, Y, fm.horizontalAdvance(Text), fm.height());
    if (Brush.Style != bsClear)
        p->fillRect(r, Brush.ToQBrush());
    p->setPen(ColorToQColor(Font.Color()));
    p->drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, Text);
    PenPos = {X + r.width(), Y};
}

void TCanvas::TextRect(const TRect& R, int X, int Y, const QString& Text)
{
    QPainter* p = Painter();
    if (!p)
        return;
    p->save();
    QRect clip(R.Left, R.Top, R.Width(), R.Height());
    p->setClipRect(clip);
    if (Brush.Style != bsClear)
        p->fillRect(clip, Brush.ToQBrush());
    p->setFont(Font.ToQFont());
    p->setPen(ColorToQColor(Font.Color()));
    QFontMetrics fm(p->font());
    p->drawText(QRect(X, Y, fm.horizontalAdvance(Text) + 1, fm.height()), Qt::AlignLeft | Qt::AlignTop, Text);
    p->restore();
}

int TCanvas::TextWidth(const QString& Text) const { return QFontMetrics(Font.ToQFont()).horizontalAdvance(Text); }
int TCanvas::TextHeight(const QString& Text) const { return QFontMetrics(Font.ToQFont()).height(); }

void TCanvas::Draw(int X, int Y, const TGraphic* Graphic)
{
    if (!Graphic || Graphic->Empty())
        return;
    if (QPainter* p = Painter())
        p->drawImage(X, Y, Graphic->DrawImage());
}

void TCanvas::StretchDraw(const TRect& R, const TGraphic* Graphic)
{
    if (!Graphic || Graphic->Empty())
        return;
    if (QPainter* p = Painter())
        p->drawImage(QRect(R.Left, R.Top, R.Width(), R.Height()), Graphic->DrawImage());
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas& Source, const TRect& SourceRect)
{
    if (!Source.image_)
        return;
    Source.Release();
    QImage src = Source.image_->copy(SourceRect.Left, SourceRect.Top, SourceRect.Width(), SourceRect.Height());
    if (QPainter* p = Painter())
        p->drawImage(QRect(Dest.Left, Dest.Top, Dest.Width(), Dest.Height()), src);
}

TColor TCanvas::Pixels(int X, int Y)
{
    if (!image_ || !image_->valid(X, Y))
        return -1;
    Release();
    return QColorToColor(image_->pixelColor(X, Y));
}

void TCanvas::SetPixel(int X, int Y, TColor Color)
{
    if (image_) {
        Release();
        if (image_->valid(X, Y))
            image_->setPixelColor(X, Y, ColorToQColor(Color));
    } else if (QPainter* p = Painter()) {
        p->fillRect(X, Y, 1, 1, ColorToQColor(Color));
    }
}

// ---- graphics ------------------------------------------------------------
QImage TGraphic::DrawImage() const
{
    QImage img = ToImage();
    if (!Transparent || img.isNull())
        return img;
    QColor key = TransparentColor == clDefault ? img.pixelColor(0, img.height() - 1) : ColorToQColor(TransparentColor);
    QImage out = img.convertToFormat(QImage::Format_ARGB32);
    QRgb k = key.rgb() & 0xFFFFFF;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0xFFFFFF) == k)
                line[x] = 0;
    }
    return out;
}

TBitmap::TBitmap() = default;
TBitmap::TBitmap(int w, int h) { SetSize(w, h); }
TBitmap::~TBitmap() = default;

void TBitmap::Wandeln() const
{
    if (!wandeln_)
        return;
    image_ = image_.convertToFormat(QImage::Format_RGB32);
    wandeln_ = false;
}

void TBitmap::Assign(const TPersistent* Source)
{
    if (auto b = dynamic_cast<const TBitmap*>(Source); b && b != this) {
        // The picture as it is set, converted when it is used.
        if (b->canvas_)
            b->canvas_->Release();
        SetImage(b->image_);
        Transparent = b->Transparent;
        TransparentColor = b->TransparentColor;
        return;
    }
    if (auto g = dynamic_cast<const TGraphic*>(Source)) {
        SetImage(g->ToImage());
        Transparent = g->Transparent;
        TransparentColor = g->TransparentColor;
    }
}

void TBitmap::SetSize(int w, int h)
{
    w = std::max(0, w);
    h = std::max(0, h);
    if (w == image_.width() && h == image_.height())
        return;
    if (canvas_)
        canvas_->Release();
    QImage next;
    if (w > 0 && h > 0) {
        next = QImage(w, h, QImage::Format_RGB32);
        next.fill(Qt::white);
        if (!image_.isNull()) {
            QPainter p(&next);
            p.drawImage(0, 0, image_);
        }
    }
    image_ = next;
    wandeln_ = false;
    if (canvas_)
        canvas_->BeginOn(&image_, &image_);
}

void TBitmap::LoadFromFile(const QString& FileName)
{
    QImageReader reader(FileName);
    QImage img = reader.read();
    if (img.isNull())
        throw EInOutError("Bild kann nicht geladen werden: " + FileName);
    SetImage(img);
}

void TBitmap::SaveToFile(const QString& FileName) const
{
    QString suffix = QFileInfo(FileName).suffix().toLower();
    const char* fmt = suffix.isEmpty() || suffix == "bmp" ? "BMP" : nullptr;
    if (!ToImage().save(FileName, fmt))
        throw EInOutError("Bild kann nicht gespeichert werden: " + FileName);
}

QImage TBitmap::ToImage() const
{
    if (canvas_)
        canvas_->Release();
    Wandeln();
    return image_;
}

void TBitmap::SetImage(const QImage& img)
{
    if (canvas_)
        canvas_->Release();
    image_ = img;
    wandeln_ = !img.isNull() && img.format() != QImage::Format_RGB32;
    if (canvas_) {
        Wandeln();
        canvas_->BeginOn(&image_, &image_);
    }
}

QImage& TBitmap::Image()
{
    if (canvas_)
        canvas_->Release();
    Wandeln();
    return image_;
}

TCanvas* TBitmap::Canvas()
{
    Wandeln();
    if (!canvas_) {
        canvas_ = std::make_unique<TCanvas>();
        canvas_->BeginOn(&image_, &image_);
    }
    return canvas_.get();
}

void TIcon::Assign(const TPersistent* Source)
{
    if (auto g = dynamic_cast<const TGraphic*>(Source))
        image_ = g->ToImage();
}

void TIcon::LoadFromFile(const QString& FileName)
{
    QImage img(FileName);
    if (img.isNull())
        throw EInOutError("Symbol kann nicht geladen werden: " + FileName);
    image_ = img;
}

void TIcon::SaveToFile(const QString& FileName) const
{
    if (!image_.save(FileName))
        throw EInOutError("Symbol kann nicht gespeichert werden: " + FileName);
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Assign(const TPersistent* Source)
{
    if (auto p = dynamic_cast<const TPicture*>(Source))
        SetGraphic(p->Graphic());
    else if (auto g = dynamic_cast<const TGraphic*>(Source))
        SetGraphic(g);
    else if (!Source)
        SetGraphic(nullptr);
}

void TPicture::SetGraphic(const TGraphic* g)
{
    if (!g) {
        graphic_.reset();
    } else if (dynamic_cast<const TIcon*>(g)) {
        auto icon = std::make_unique<TIcon>();
        icon->Assign(g);
        graphic_ = std::move(icon);
    } else {
        auto bmp = std::make_unique<TBitmap>();
        bmp->Assign(g);
        graphic_ = std::move(bmp);
    }
    Changed();
}

TBitmap* TPicture::Bitmap()
{
    if (!dynamic_cast<TBitmap*>(graphic_.get())) {
        auto bmp = std::make_unique<TBitmap>();
        if (graphic_)
            bmp->Assign(graphic_.get());
        graphic_ = std::move(bmp);
    }
    return static_cast<TBitmap*>(graphic_.get());
}

TIcon* TPicture::Icon()
{
    if (!dynamic_cast<TIcon*>(graphic_.get())) {
        auto icon = std::make_unique<TIcon>();
        if (graphic_)
            icon->Assign(graphic_.get());
        graphic_ = std::move(icon);
    }
    return static_cast<TIcon*>(graphic_.get());
}

void TPicture::LoadFromFile(const QString& FileName)
{
    std::unique_ptr<TGraphic> g;
    if (QFileInfo(FileName).suffix().compare("ico", Qt::CaseInsensitive) == 0)
        g = std::make_unique<TIcon>();
    else
        g = std::make_unique<TBitmap>();
    g->LoadFromFile(FileName);
    graphic_ = std::move(g);
    Changed();
}

void TPicture::SaveToFile(const QString& FileName) const
{
    if (graphic_)
        graphic_->SaveToFile(FileName);
}

void TPicture::Changed()
{
    if (OnChange)
        OnChange(this);
}
