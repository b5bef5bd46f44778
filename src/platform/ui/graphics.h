#pragma once
// Drawing objects of the framework over QPainter and QImage: fonts, pens,
// brushes, the canvas, bitmaps, icons and pictures.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <memory>

#include "platform/ui/component.h"

// The RGB value of a colour; system colours resolve to the classic
// Windows scheme, so drawings look the same on every desktop.
QColor ColorToQColor(TColor c);
TColor QColorToColor(const QColor& c);
int ColorToRGB(TColor c);

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };

class TFont : public TPersistent {
public:
    TFont();
    void Assign(const TPersistent* Source) override;

    QString Name() const { return name_; }
    void SetName(const QString& v);
    // Height in pixels; negative gives the character height (the usual form),
    // positive the cell height. Size is in points at Screen.PixelsPerInch.
    int Height() const { return height_; }
    void SetHeight(int v);
    int Size() const;
    void SetSize(int points);
    TColor Color() const { return color_; }
    void SetColor(TColor v);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles v);
    TFontPitch Pitch = fpDefault;

    QFont ToQFont() const;
    TNotifyEvent OnChange;

private:
    void Changed();
    QString name_ = "MS Sans Serif";
    int height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmCopy, pmNot, pmXor, pmNotXor };

class TPen : public TPersistent {
public:
    void Assign(const TPersistent* Source) override;
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
    QPen ToQPen() const;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TPersistent {
public:
    void Assign(const TPersistent* Source) override;
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
    QBrush ToQBrush() const;
};

class TGraphic;

// Draws on a paint device through one QPainter, begun when the first
// drawing call comes and ended by Release (bitmaps release it before their
// pixels are read or resized; controls around their Paint).
class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;

    TFont Font;
    TPen Pen;
    TBrush Brush;
    TPoint PenPos;

    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    void FillRect(const TRect& R);
    void FrameRect(const TRect& R);
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    void Polygon(std::initializer_list<TPoint> Points);
    void Polygon(const std::vector<TPoint>& Points);
    void Polyline(const std::vector<TPoint>& Points);
    void TextOut(int X, int Y, const QString& Text);
    // Text clipped to R, its top-left corner at (X, Y).
    void TextRect(const TRect& R, int X, int Y, const QString& Text);
    int TextWidth(const QString& Text) const;
    int TextHeight(const QString& Text) const;
    void Draw(int X, int Y, const TGraphic* Graphic);
    void StretchDraw(const TRect& R, const TGraphic* Graphic);
    // Copies a rectangle of another canvas (a bitmap's) into this one.
    void CopyRect(const TRect& Dest, TCanvas& Source, const TRect& SourceRect);
    TColor Pixels(int X, int Y);
    void SetPixel(int X, int Y, TColor Color);

    // Binding to a device; used by the framework.
    void BeginOn(QPaintDevice* device, QImage* image = nullptr);
    // Draws through a painter that is already active (an item delegate's)
    // until Release; its state is restored then.
    void BeginWith(QPainter* painter);
    void Release();
    bool HandleAllocated() const { return device_ != nullptr; }
    QPainter* Painter();

private:
    void ApplyPen();
    void ApplyBrush();
    QPaintDevice* device_ = nullptr;
    QImage* image_ = nullptr;  // set when the device is a bitmap
    std::unique_ptr<QPainter> painter_;
    QPainter* external_ = nullptr;
};

class TGraphic : public TPersistent {
public:
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const { return Width() == 0 || Height() == 0; }
    virtual void LoadFromFile(const QString& FileName) = 0;
    virtual void SaveToFile(const QString& FileName) const = 0;
    virtual QImage ToImage() const = 0;
    bool Transparent = false;
    // The colour left out when Transparent is set (clDefault: the
    // bottom-left pixel).
    TColor TransparentColor = clDefault;
    // The image as drawn: with the transparent colour made see-through.
    QImage DrawImage() const;
};

class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(int w, int h);
    ~TBitmap() override;
    void Assign(const TPersistent* Source) override;

    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    void SetWidth(int w) { SetSize(w, Height()); }
    void SetHeight(int h) { SetSize(Width(), h); }
    void SetSize(int w, int h);
    // Loads any format Qt reads; raises EInOutError when it cannot.
    void LoadFromFile(const QString& FileName) override;
    void SaveToFile(const QString& FileName) const override;
    QImage ToImage() const override;
    void SetImage(const QImage& img);
    QImage& Image();  // releases the canvas first

    TCanvas* Canvas();

private:
    // A picture set in another format is made RGB32 when it is first
    // drawn, read or drawn on, not when it is set: a picture replaced
    // before it is painted (a thumbnail while moving through an album)
    // is never converted.
    void Wandeln() const;

    mutable QImage image_;
    mutable bool wandeln_ = false;
    std::unique_ptr<TCanvas> canvas_;
};

class TIcon : public TGraphic {
public:
    void Assign(const TPersistent* Source) override;
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    void LoadFromFile(const QString& FileName) override;
    void SaveToFile(const QString& FileName) const override;
    QImage ToImage() const override { return image_; }
    void SetImage(const QImage& img) { image_ = img; }

private:
    QImage image_;
};

// Holds one graphic of any kind; LoadFromFile picks it by the file.
class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;
    void Assign(const TPersistent* Source) override;
    TGraphic* Graphic() const { return graphic_.get(); }
    void SetGraphic(const TGraphic* g);
    TBitmap* Bitmap();  // makes the picture a bitmap when it is something else
    TIcon* Icon();
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }
    void LoadFromFile(const QString& FileName);
    void SaveToFile(const QString& FileName) const;
    TNotifyEvent OnChange;

private:
    void Changed();
    std::unique_ptr<TGraphic> graphic_;
};
