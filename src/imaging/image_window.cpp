#include "imaging/image_window.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "imaging/image_dialogs.h"
#include "imaging/image_paths.h"
#include "imaging/image_toolbar.h"
#include "platform/core/exceptions.h"
#include "platform/data/data_source.h"
#include "platform/data/dataset.h"
#include "platform/data/field.h"
#include "platform/picture/picture_formats.h"
#include "platform/picture/picture_limits.h"
#include "platform/picture/picture_round.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/gauges.h"
#include "platform/ui/std_ctrls.h"

namespace {

constexpr int kScrollBarSize = 16;
const char* const kReadFailure = "Fehler beim Ausführen von iGet() in Grafiklibrary !";

}  // namespace

// ---- free helpers -------------------------------------------------------------

int ImageTypeFormat(TImageType type)
{
    static const int codes[] = {0, 100, 400, 500, 300, 700, 600, 200};
    return codes[type];
}

int SaveFormatFromName(const QString& fileName)
{
    const QString ext = ExtractFileExt(fileName.section('/', -1)).toUpper();
    if (ext == ".BMP") return pfBMP;
    if (ext == ".GIF") return pfGIF;
    if (ext == ".JPG" || ext == ".JPEG" || ext == ".JPE") return pfJPEG;
    if (ext == ".PCX") return pfPCX;
    if (ext == ".PNG") return pfPNG;
    if (ext == ".TGA") return pfTGA;
    if (ext == ".TIF" || ext == ".TIFF") return pfTIFF;
    return 0;
}

QString OpenFilterOf(int format)
{
    switch (format) {
    case 100: return "Bitmap files (*.BMP)|*.BMP|All files (*.*)|*.*";
    case 200: return "Tiff files (*.TIF)|*.TIF|All files (*.*)|*.*";
    case 300: return "PCX files (*.PCX)|*.PCX|All files (*.*)|*.*";
    case 400: return "GIF files (*.GIF)|*.GIF|All files (*.*)|*.*";
    case 500: return "JPEG files (*.JPG)|*.JPG|All files (*.*)|*.*";
    case 600: return "Targa files (*.TGA)|*.TGA|All files (*.*)|*.*";
    case 700: return "Ping files (*.PNG)|*.PNG|All files (*.*)|*.*";
    default:
        return "Image files |*.BMP;*.GIF;*.JPG;*.PCX;*.PNG;*.TGA;*.TIF|Bitmap files (*.BMP)|*.BMP|GIF files "
               "(*.GIF)|*.GIF|JPEG files (*.JPG)|*.JPG|PCX files (*.PCX)|*.PCX|Ping files (*.PNG)|*.PNG|Targa files "
               "(*.TGA)|*.TGA|Tiff files (*.TIF)|*.TIF|All files (*.*)|*.*";
    }
}

QString SaveFilterOfBits(int bitsPerPixel)
{
    if (bitsPerPixel == 1)
        return "Bitmap files (*.BMP)|*.BMP|GIF files (*.GIF)|*.GIF|PCX files (*.PCX)|*.PCX|Ping files (*.PNG)|*.PNG|"
               "Targa files (*.TGA)|*.TGA|Tiff files (*.TIF)|*.TIF|";
    if (bitsPerPixel == 4 || bitsPerPixel == 8)
        return "Bitmap files (*.BMP)|*.BMP|GIF files (*.GIF)|*.GIF|JPEG files (*.JPG)|*.JPG|PCX files (*.PCX)|*.PCX|"
               "Ping files (*.PNG)|*.PNG|Targa files (*.TGA)|*.TGA|Tiff files (*.TIF)|*.TIF|";
    return "Bitmap files (*.BMP)|*.BMP|JPEG files (*.JPG)|*.JPG|Ping files (*.PNG)|*.PNG|Targa files (*.TGA)|*.TGA|"
           "Tiff files (*.TIF)|*.TIF|";
}

QString SaveFilterOfType(TImageType type)
{
    switch (type) {
    case itBitmap: return "Bitmap files (*.BMP)|*.BMP|";
    case itGif: return "GIF files (*.GIF)|*.GIF|";
    case itJpeg: return "JPEG files (*.JPG)|*.JPG|";
    case itPcx: return "PCX files (*.PCX)|*.PCX|";
    case itPing: return "Ping files (*.PNG)|*.PNG|";
    case itTarga: return "Targa files (*.TGA)|*.TGA|";
    case itTiff: return "Tiff files (*.TIF)|*.TIF|";
    case itAuto: break;
    }
    return QString();
}

double ProgressFactor(int opClass, int mode, int value, int bitsPerPixel)
{
    if (opClass == 10)
        return mode != 3 ? 0.0 : value == 100 ? 1.0 : value == 300 ? 1.2 : (value == 200 || value == 400) ? 1.5 : 3.0;
    if (opClass == 20) {
        if (mode == 4)
            return 100.0;
        if (mode != 3)
            return 0.0;
        return (value == 100 || value == 300) ? 1.0 : (value == 200 || value == 400) ? 1.5 : 3.0;
    }
    if (opClass == 30) {
        const bool lowBits = bitsPerPixel == 1 || bitsPerPixel == 4;
        switch (mode) {
        case 10: return 1.0;
        case 20: return 2.0 * (lowBits ? 4.0 : 1.0);
        case 30: {
            double f = 3.0 * (lowBits ? 8.0 : 1.0);
            return f * (value == 90 || value == 270 ? 2.0 : value == 180 ? 1.0 : 10.0);
        }
        case 50: return 3.0 * (value == 200 ? 2.0 : 1.0);
        case 40:
        case 400: return 10.0;
        default: return 0.0;
        }
    }
    return 0.0;
}

// ---- TImageInWindow -----------------------------------------------------------

TImageInWindow::TImageInWindow(TImageWindow* window) : TComponent(window), window_(window)
{
    MakeBlank();
}

int TImageInWindow::GetImageWidth() const
{
    return has_ ? (reduced_ ? image_.SourceWidth : image_.Pixels.width()) : 0;
}

int TImageInWindow::GetImageHeight() const
{
    return has_ ? (reduced_ ? image_.SourceHeight : image_.Pixels.height()) : 0;
}

void TImageInWindow::MakeBlank()
{
    const int d = window_->DefaultImageSize();
    const int side = d != 0 ? d : 1;  // the library's own blank picture is one white pixel
    QImage img(side, side, QImage::Format_RGB32);
    img.fill(Qt::white);
    image_ = TPicImage::FromQImage(img);
    image_.Background = ColorToQColor(window_->BackGroundColor());
    has_ = true;
    reduced_ = false;
    sourceBytes_.clear();
}

void TImageInWindow::TakeImage(const TPicImage& img)
{
    image_ = img;
    image_.Background = ColorToQColor(window_->BackGroundColor());
    has_ = !img.IsNull();
    reduced_ = false;
    sourceBytes_.clear();
    if (!has_)
        MakeBlank();
}

void TImageInWindow::Decode(QSize maxSize)
{
    if (!reduced_ || sourceBytes_.isEmpty())
        return;
    TPicImage img;
    TPicError err;
    bool ok = false;
    window_->WithProgress(10, 3, sourceFormat_, [&] {
        ok = PicReadBytes(sourceBytes_, sourceName_, sourceFormat_, sourcePage_, img, err, maxSize);
    });
    if (!ok) {
        DecodeFailed(err);
        return;
    }
    const int bits = image_.BitsPerPixel;
    const int pages = image_.Pages;
    image_.Pixels = img.Pixels;
    image_.BitsPerPixel = img.Pixels.size() == QSize(img.SourceWidth, img.SourceHeight) ? img.BitsPerPixel : bits;
    image_.Pages = pages;
    if (img.Pixels.size() == QSize(img.SourceWidth, img.SourceHeight)) {
        reduced_ = false;
        sourceBytes_.clear();
    }
}

void TImageInWindow::DecodeFailed(const TPicError& err)
{
    MakeBlank();
    window_->ReportError(err.Code, err.Text, poInvoke, 0x01010001, "Image", 0, true);
}

void TImageInWindow::EnsurePixelsAtLeast(int w, int h)
{
    if (!reduced_)
        return;
    const QImage& px = image_.Pixels;
    if (!px.isNull() && px.width() >= w && px.height() >= h)
        return;
    const double sw = std::max(1, image_.SourceWidth), sh = std::max(1, image_.SourceHeight);
    const double scale = std::max(w / sw, h / sh);
    if (scale >= 1.0) {
        Decode(QSize());
        return;
    }
    Decode(QSize(int(std::ceil(sw * scale)), int(std::ceil(sh * scale))));
    if (reduced_ && (image_.Pixels.width() < w || image_.Pixels.height() < h))
        Decode(QSize());
}

void TImageInWindow::EnsureDisplayPixels(int w, int h)
{
    EnsurePixelsAtLeast(std::min(w, image_.SourceWidth), std::min(h, image_.SourceHeight));
}

const TPicImage& TImageInWindow::FullImage()
{
    if (reduced_)
        Decode(QSize());
    return image_;
}

const QImage& TImageInWindow::PixelsReducedBy(int Reduction)
{
    if (Reduction <= 1 || !reduced_)
        return FullImage().Pixels;
    const QSize size = PicReducedSize(QSize(image_.SourceWidth, image_.SourceHeight), Reduction);
    if (image_.Pixels.size() != size)
        Decode(size);
    return image_.Pixels;
}

QSize TImageInWindow::SizeReducedBy(int Reduction) const
{
    if (!reduced_)
        return image_.Pixels.size();
    const QSize source(image_.SourceWidth, image_.SourceHeight);
    return Reduction <= 1 ? source : PicReducedSize(source, Reduction);
}

QImage TImageInWindow::SectionReducedBy(int Reduction, const QRect& Section, TPicError* Error, TPicBuffers* Buffers)
{
    if (!has_ || !Section.intersects(QRect(QPoint(0, 0), SizeReducedBy(Reduction))))
        return {};
    if (!reduced_ || sourceBytes_.isEmpty()) {
        const QImage& pixels = image_.Pixels;
        const QRect r = Section.intersected(pixels.rect());
        return r == pixels.rect() ? pixels : pixels.copy(r);
    }
    TPicImage img;
    TPicError err;
    bool ok = false;
    window_->WithProgress(10, 3, sourceFormat_, [&] {
        ok = PicReadSectionBytes(sourceBytes_, sourceName_, sourceFormat_, sourcePage_, Reduction, Section, img, err,
                                 Buffers);
    });
    if (!ok) {
        DecodeFailed(err);
        if (Error)
            *Error = err;
        return {};
    }
    return img.Pixels;
}

void TImageInWindow::Load(const QString& FileName, int Format, int Page, bool FromField)
{
    const QString local = PictureLocalPath(FileName);
    if (!QFileInfo(local).isFile()) {
        MakeBlank();
    } else {
        QByteArray bytes;
        TPicInfo info;
        TPicError err;
        bool ok = false;
        try {
            window_->WithProgress(10, 3, Format, [&] {
                QFile f(local);
                if (f.open(QIODevice::ReadOnly))
                    bytes = f.readAll();
                ok = PicPingBytes(bytes, local, info, err, Format);
                if (ok && (Page < 0 || Page >= info.Pages)) {
                    ok = false;
                    err.Code = peNoSuchPage;
                    err.Text = PicErrorText(peNoSuchPage, local);
                }
            });
        } catch (const std::exception&) {
            throw Exception(kReadFailure);
        }
        if (!ok) {
            MakeBlank();
            window_->ReportError(err.Code, err.Text, poInvoke, 0x01010001, "Image", 0, true);
        } else {
            image_ = TPicImage();
            image_.Format = info.Format;
            image_.BitsPerPixel = info.BitsPerPixel;
            image_.Pages = info.Pages;
            image_.SourceWidth = info.Width;
            image_.SourceHeight = info.Height;
            if (info.ResolutionX > 0)
                image_.ResolutionX = image_.ResolutionY = info.ResolutionX;
            has_ = true;
            reduced_ = true;
            sourceBytes_ = bytes;
            sourceName_ = local;
            sourceFormat_ = Format;
            sourcePage_ = Page;
            // Later pages of a TIFF file have sizes of their own.
            if (Page != 0)
                Decode(QSize());
        }
    }
    image_.Background = ColorToQColor(window_->BackGroundColor());
    if (!FromField)
        window_->Modified = window_->Bound();
    ScrollX = ScrollY = 0;
    ResetScrollPositions = true;
}

bool TImageInWindow::Replace(const TPicImage& result)
{
    if (result.IsNull())
        return false;  // a failed copy keeps the previous picture
    image_ = result;
    image_.Background = ColorToQColor(window_->BackGroundColor());
    has_ = true;
    reduced_ = false;
    sourceBytes_.clear();
    window_->Modified = true;
    return true;
}

void TImageInWindow::ResizeImage(int Width, int Height)
{
    if (!has_)
        return;
    EnsurePixelsAtLeast(Width, Height);
    TPicImage result;
    window_->WithProgress(30, 20, 0, [&] { result = PicResize(image_, Width, Height); });
    Replace(result);
    window_->holder_->Redraw(true);
}

void TImageInWindow::ReduceColors(int Colors, bool Dither, bool GrayScale)
{
    if (!has_)
        return;
    const TPicImage& full = FullImage();
    TPicImage result;
    window_->WithProgress(30, 40, 0, [&] { result = PicReduceColors(full, Colors, Dither, GrayScale); });
    Replace(result);
    Redraw(true);
}

QImage TImageInWindow::GetBitmapOfRect(const TRect& R)
{
    if (!has_)
        return QImage();
    const TPicImage& full = FullImage();
    TPicImage part = PicCopyRect(full, R.Left, R.Top, R.Right, R.Bottom);
    return part.Pixels;
}

void TImageInWindow::DrawToDC(TPoint P, TCanvas* Canvas)
{
    if (!has_ || !Canvas)
        return;
    const TPicImage& full = FullImage();
    Canvas->Painter()->drawImage(QPoint(P.X, P.Y), full.Pixels);
}

bool TImageInWindow::SaveImageToFile(const QString& FileName, int Format, int Compression)
{
    if (FileName.isEmpty()) {
        if (Format == 0)
            Format = 100;
        if (window_->Bound())
            return window_->StoreIntoField(Format, Compression);
        return false;
    }
    if (Format == 0)
        Format = SaveFormatFromName(FileName);
    if (!IsWritablePictureFormat(Format)) {
        window_->ReportError(peNotWritable, PicErrorText(peNotWritable, FileName), poInvoke, 0, "Format", Format);
        return false;
    }
    if (Format == pfJPEG && Compression == 0)
        Compression = window_->DefaultJPEGQuality;
    if (!has_) {
        window_->ReportError(peNoImage, QString());
        return false;
    }
    const TPicImage& full = FullImage();
    TPicError err;
    bool ok = false;
    window_->WithProgress(20, 3, Format,
                          [&] { ok = PicWrite(full, PictureLocalPath(FileName), Format, Compression, err); });
    if (!ok) {
        // Nothing was written: the picture still differs from any file.
        window_->ReportError(err.Code, err.Text, poInvoke, 0, "FileName", 0, true);
        return false;
    }
    if (!window_->Bound())
        window_->Modified = false;
    return true;
}

void TImageInWindow::Redraw(bool Repaint)
{
    TImageWindow* w = window_;
    const int W = w->availWidth_ - 1, H = w->availHeight_ - 1;
    if (!has_) {
        if (w->SelectionEnabled)
            w->selectionPresent_ = false;
        DisplayedWidth = DisplayedHeight = 0;
        w->Invalidate();
        return;
    }
    const int iw = std::max(1, GetImageWidth()), ih = std::max(1, GetImageHeight());
    double zoom = 1.0;
    switch (w->fitStyle_) {
    case fsNone: zoom = w->zoomFactor_; break;
    case fsWidth: zoom = double(W) / iw; break;
    case fsHeight: zoom = double(H) / ih; break;
    case fsWindow: zoom = 1.0; break;
    case fsBest: zoom = double(iw) / ih > double(W) / std::max(1, H) ? double(W) / iw : double(H) / ih; break;
    }
    if (zoom < 0.001)
        zoom = 0.001;  // never zero or below
    if (w->fitStyle_ == fsWindow) {
        DisplayedWidth = W;
        DisplayedHeight = H;
        ZoomX = double(W) / iw;
        ZoomY = double(H) / ih;
    } else {
        DisplayedWidth = RoundToInt(iw * zoom);
        DisplayedHeight = RoundToInt(ih * zoom);
        ZoomX = ZoomY = zoom;
    }
    if (Repaint && (DisplayedWidth < W || DisplayedHeight < H) && w->SelectionEnabled)
        w->selectionPresent_ = false;
    ScrollX = ScrollY = 0;
    if (ResetScrollPositions) {
        w->horz_->SetPosition(0);
        w->vert_->SetPosition(0);
        ResetScrollPositions = false;
    }
    if (DisplayedWidth > W)
        ScrollX = RoundToInt(w->horz_->Position() * double(DisplayedWidth - W) * 0.01 / ZoomX);
    else
        w->horz_->SetPosition(0);
    if (DisplayedHeight > H)
        ScrollY = RoundToInt(w->vert_->Position() * double(DisplayedHeight - H) * 0.01 / ZoomY);
    else
        w->vert_->SetPosition(0);
    w->Invalidate();
}

// ---- TImageWindow ---------------------------------------------------------------

TImageWindow::TImageWindow(TComponent* AOwner) : TPicObjBase(AOwner)
{
    holder_ = new TImageInWindow(this);
    horz_ = new TScrollBar(this);
    horz_->SetParent(this);
    horz_->SetKind(sbHorizontal);
    vert_ = new TScrollBar(this);
    vert_->SetParent(this);
    vert_->SetKind(sbVertical);
    for (TScrollBar* bar : {horz_, vert_}) {
        bar->SetParams(0, 0, 100);
        bar->SetSmallChange(1);
        bar->SetLargeChange(10);
        bar->OnChange = [this](TObject*) {
            if (!inLayout_)
                holder_->Redraw(false);
        };
    }
    gauge_ = new TGauge(this);
    gauge_->SetParent(this);
    gauge_->SetKind(gkVerticalBar);
    gauge_->SetForeColor(clRed);
    gauge_->SetShowText(false);
    gauge_->SetProgress(0);
    dataLink_ = std::make_unique<TFieldDataLink>();
    dataLink_->OnDataChange = [this] { DataChanged(); };
    toolBarHints_ = DefaultToolBarHints();
    CreateToolBar();
    SetBounds(0, 0, 150, 130);
}

TImageWindow::~TImageWindow()
{
    BeginDestroy();
    dataLink_->OnDataChange = nullptr;
    dataLink_.reset();
}

TDataSource* TImageWindow::DataSource() const { return dataLink_->DataSource(); }
void TImageWindow::SetDataSource(TDataSource* v) { dataLink_->SetDataSource(v); }
QString TImageWindow::DataField() const { return dataLink_->FieldName(); }
void TImageWindow::SetDataField(const QString& v) { dataLink_->SetFieldName(v); }

bool TImageWindow::Bound() const
{
    return dataLink_->DataSource() && dataLink_->DataSet() && !dataLink_->FieldName().isEmpty();
}

void TImageWindow::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    TPicObjBase::SetBounds(ALeft, ATop, std::max(60, AWidth), std::max(60, AHeight));
    Layout();
    PlaceToolBar(true);
    holder_->Redraw(true);
}

void TImageWindow::Layout()
{
    inLayout_ = true;
    const int gaugeWidth = kScrollBarSize;
    view_.Top = 1 + ToolBarHeight();
    view_.Left = showGauge_ ? gaugeWidth : 0;
    availHeight_ = Height() - 2 - (showHorz_ ? kScrollBarSize : 0) - ToolBarHeight();
    availWidth_ = Width() - 1 - (showGauge_ ? gaugeWidth : 0) - (showVert_ ? kScrollBarSize : 0);
    view_.Right = view_.Left + availWidth_;
    view_.Bottom = view_.Top + availHeight_;
    const int hidden = Height() + 10;
    gauge_->SetBounds(0, showGauge_ ? view_.Top : hidden, gaugeWidth, availHeight_);
    vert_->SetBounds(Width() - kScrollBarSize, showVert_ ? view_.Top + 1 : hidden, kScrollBarSize, availHeight_);
    horz_->SetBounds(view_.Left + 1, showHorz_ ? Height() - kScrollBarSize : hidden, availWidth_, kScrollBarSize);
    gauge_->SetVisible(showGauge_);
    vert_->SetVisible(showVert_);
    horz_->SetVisible(showHorz_);
    PlaceToolBar(false);
    inLayout_ = false;
}

void TImageWindow::SetShowHorzScroll(bool v) { showHorz_ = v; Layout(); holder_->Redraw(true); }
void TImageWindow::SetShowVertScroll(bool v) { showVert_ = v; Layout(); holder_->Redraw(true); }
void TImageWindow::SetShowGauge(bool v) { showGauge_ = v; Layout(); holder_->Redraw(true); }

void TImageWindow::SetZoomIncrement(int v) { zoomIncrement_ = std::clamp(v, 0, 99); }

void TImageWindow::SetBackGroundColor(TColor v)
{
    backColor_ = v;
    holder_->image_.Background = ColorToQColor(v);
    Invalidate();
}

void TImageWindow::SetDefaultImageSize(int v)
{
    defaultImageSize_ = std::min(std::abs(v), 1000);
    if (!Loading() && holder_) {
        holder_->MakeBlank();
        Modified = true;
        holder_->Redraw(true);
    }
}

void TImageWindow::SetZoomFactor(double v)
{
    if (Loading()) {
        if (fitStyle_ == fsNone)
            zoomFactor_ = std::max(v, 0.001);
        return;
    }
    fitStyle_ = fsNone;
    zoomFactor_ = std::max(v, 0.001);  // never zero or below
    holder_->Redraw(true);
}

void TImageWindow::SetFitStyle(TFitStyle v)
{
    fitStyle_ = v;
    holder_->Redraw(true);
    zoomFactor_ = holder_->HasImage() ? holder_->ZoomX : 1.0;
}

double TImageWindow::CurrentZoom() const
{
    return fitStyle_ != fsNone ? holder_->ZoomX : zoomFactor_;
}

void TImageWindow::ShowOriginalSize()
{
    SetZoomFactor(1.0);
    SetFitStyle(fsNone);
}

void TImageWindow::ZoomIn() { SetZoomFactor(CurrentZoom() + 0.1); }
void TImageWindow::ZoomOut() { SetZoomFactor(CurrentZoom() - 0.1); }

void TImageWindow::ZoomInByIncrement()
{
    const double z = CurrentZoom();
    SetZoomFactor(z + z * zoomIncrement_ * 0.01);
}

void TImageWindow::ZoomOutByIncrement()
{
    const double z = CurrentZoom();
    SetZoomFactor(z - z * zoomIncrement_ * 0.01);
}

void TImageWindow::TogglePalette()
{
    holder_->PaletteDraw = !holder_->PaletteDraw;
    holder_->Redraw(true);
}

void TImageWindow::WithProgress(int opClass, int mode, int value, const std::function<void()>& op)
{
    const double factor = ProgressFactor(opClass, mode, value, holder_->BitsPerPixel());
    const double bytes = double(holder_->GetImageWidth()) * holder_->GetImageHeight() * holder_->BitsPerPixel() / 8.0;
    gaugeUsed_ = factor > 0 && bytes * factor >= 300000;
    const TCursor old = Screen->Cursor();
    if (gaugeUsed_) {
        gauge_->SetMaxValue(98);
        gauge_->SetProgress(0);
        Screen->SetCursor(crHourGlass);
    }
    struct End {
        TImageWindow* w;
        TCursor old;
        ~End()
        {
            if (w->gaugeUsed_) {
                w->gauge_->SetProgress(0);
                Screen->SetCursor(old);
            }
            w->gaugeUsed_ = false;
        }
    } end{this, old};
    op();
    if (gaugeUsed_)
        gauge_->SetProgress(98);
}

void TImageWindow::ReplaceBy(int mode, int value, const std::function<TPicImage(const TPicImage&)>& copy)
{
    const TPicImage& full = holder_->FullImage();
    TPicImage result;
    WithProgress(30, mode, value, [&] { result = copy(full); });
    holder_->Replace(result);
    holder_->Redraw(true);
}

void TImageWindow::Turn(int angle)
{
    ReplaceBy(30, angle, [angle](const TPicImage& img) { return PicRotate(img, angle); });
}

void TImageWindow::FlipHorizontal()
{
    ReplaceBy(50, 200, [](const TPicImage& img) { return PicFlip(img, 200); });
}

void TImageWindow::FlipVertical()
{
    ReplaceBy(50, 100, [](const TPicImage& img) { return PicFlip(img, 100); });
}

TRect TImageWindow::SelectionRect() const
{
    return Rect(std::min(anchor_.X, corner_.X), std::min(anchor_.Y, corner_.Y), std::max(anchor_.X, corner_.X),
                std::max(anchor_.Y, corner_.Y));
}

TRect TImageWindow::SelectionInImage()
{
    if (!selectionPresent_)
        return TRect();
    TRect r = SelectionRect();
    auto toImageX = [&](int x) { return RoundToInt((x - view_.Left) / holder_->ZoomX) + holder_->ScrollX; };
    auto toImageY = [&](int y) { return RoundToInt((y - view_.Top) / holder_->ZoomY) + holder_->ScrollY; };
    return Rect(toImageX(r.Left), toImageY(r.Top), toImageX(r.Right), toImageY(r.Bottom));
}

void TImageWindow::Crop()
{
    const TRect r = SelectionInImage();
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    selectionPresent_ = false;
    ReplaceBy(10, 0, [r](const TPicImage& img) { return PicCopyRect(img, r.Left, r.Top, r.Right, r.Bottom); });
}

void TImageWindow::CopyToClipboard()
{
    TRect r = SelectionInImage();
    const TPicImage& full = holder_->FullImage();
    TPicImage part = (r.Width() == 0 && r.Height() == 0) ? PicCopyRect(full, -1, -1, -1, -1)
                                                         : PicCopyRect(full, r.Left, r.Top, r.Right, r.Bottom);
    if (!part.IsNull())
        QGuiApplication::clipboard()->setImage(part.Pixels);
}

void TImageWindow::PasteFromClipboard()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data && data->hasImage()) {
        const QImage img = qvariant_cast<QImage>(data->imageData());
        if (!img.isNull() && PictureSizeAllowed(img.width(), img.height()))
            holder_->Replace(TPicImage::FromQImage(img));
    }
    holder_->Redraw(true);
}

int TImageWindow::ChoosePage(const QString& FileName)
{
    // Any TIFF file, whatever its extension says, may hold several pages.
    const int pages = PicPageCount(PictureLocalPath(FileName));
    if (pages >= 2)
        return ChooseTiffPage(PictureLocalPath(FileName), pages);
    return 0;
}

void TImageWindow::LoadFromFile(const QString& FileName, int Format, int Page)
{
    QString name = FileName;
    if (name.isEmpty()) {
        TOpenDialog dlg(this);
        dlg.Filter = OpenFilterOf(Format);
        if (!dlg.Execute())
            return;
        name = dlg.FileName;
    }
    if (Page == 0) {
        Page = ChoosePage(name);
        if (Page < 0)
            return;
    }
    imageName_ = name;
    holder_->Load(name, Format, Page);
    ShowLoaded();
}

void TImageWindow::ShowLoaded()
{
    holder_->Redraw(true);
    // A window on screen decodes the picture now, at the size it shows, so
    // a picture that cannot be decoded is reported by the load.
    if (Showing())
        holder_->EnsureDisplayPixels(std::min(holder_->DisplayedWidth, holder_->GetImageWidth()),
                                     std::min(holder_->DisplayedHeight, holder_->GetImageHeight()));
    if (OnPostLoad)
        OnPostLoad(this);
    holder_->Redraw(true);
}

void TImageWindow::SetImageName(const QString& v)
{
    const QString full = imagePath_.isEmpty() ? v : IncludeTrailingBackslash(imagePath_) + v;
    const int page = ChoosePage(full);
    if (page < 0)
        return;
    imageName_ = v;
    holder_->Load(full, lastSaveFormat_, page);
    ShowLoaded();
}

void TImageWindow::SetImagePath(const QString& v)
{
    imagePath_ = v;
    if (imageName_.isEmpty())
        return;
    SetImageName(imageName_);
}

void TImageWindow::SaveAs()
{
    if (Bound() && dataLink_->Field() && dataLink_->Field()->IsBlob()) {
        long format = 100, compression = 0;
        switch (BlobCompression) {
        case bcNone: format = 100; break;
        case bcSize: format = holder_->BitsPerPixel() >= 8 ? 500 : 200; break;
        case bcSpeed: format = 200; break;
        case bcStream: format = 100; break;
        }
        if (OnSaveStream)
            OnSaveStream(this, format, compression);
        holder_->SaveImageToFile(QString(), int(format), int(compression));
        return;
    }
    TSaveDialog dlg(this);
    dlg.InitialDir = DefaultSavePath;
    if (DefaultSaveFilterIndex > 0)
        dlg.FilterIndex = DefaultSaveFilterIndex;
    int format = lastSaveFormat_;
    dlg.Filter = ImageType != itAuto ? SaveFilterOfType(ImageType) : SaveFilterOfBits(holder_->BitsPerPixel());
    if (!dlg.Execute())
        return;
    if (ImageType != itAuto) {
        format = ImageTypeFormat(ImageType);
    } else {
        format = SaveFormatFromName(dlg.FileName);
        if (format == 0) {
            MessageDlg(QString("Die Datei \"%1\" kann nicht gespeichert werden: die Endung \"%2\" ist kein "
                               "Bildformat, in dem gespeichert werden kann.")
                           .arg(dlg.FileName, ExtractFileExt(dlg.FileName)),
                       mtError, {mbOK});
            return;
        }
    }
    int compression = 0;
    if (format == 200)
        compression = ChooseTiffCompression(holder_->BitsPerPixel());
    else if (format == 500)
        compression = ChooseJpegQuality(DefaultJPEGQuality);
    if (holder_->SaveImageToFile(dlg.FileName, format, compression)) {
        lastSaveFormat_ = format;
        imageName_ = dlg.FileName;
    }
}

bool TImageWindow::StoreIntoField(int Format, int Compression)
{
    TField* field = dataLink_->Field();
    TDataSet* ds = dataLink_->DataSet();
    if (!field || !ds || !ds->Active())
        return false;
    auto* blob = dynamic_cast<TBlobField*>(field);
    const bool memo = field->DataType() == ftMemo;
    if (!blob || (DatabaseEngineType == detDBE && !memo)) {
        ReportError(peWriteFailed, "Das Bild kann in das Datenfeld \"" + field->FieldName + "\" nicht gespeichert werden.",
                    poInvoke, 0, "DataField", 0, true);
        return false;
    }
    const TPicImage& full = holder_->FullImage();
    QByteArray bytes;
    TPicError err;
    if (DatabaseEngineType == detBDE && BlobCompression != bcStream) {
        const int encoding = BlobCompression == bcNone ? 1 : BlobCompression == bcSpeed ? 2
                             : full.BitsPerPixel == 1 ? 0x30003 : 3;
        bytes = PicEncodeObject(full, encoding, err, Format, Compression);
        if (!bytes.isEmpty() && bytes.size() % 2048 != 0)
            bytes.append(QByteArray(2048 - bytes.size() % 2048, '\0'));  // whole pieces
    } else {
        if (Format == pfJPEG && Compression == 0)
            Compression = DefaultJPEGQuality;
        PicWriteBytes(full, Format, Compression, bytes, err);
    }
    if (bytes.isEmpty()) {
        ReportError(err.Code ? err.Code : peWriteFailed, err.Text, poInvoke, 0, "DataField", 0, true);
        return false;
    }
    loadFromField_ = false;
    bool stored = false;
    try {
        if (DatabaseEngineType == detDBE && (ds->State() == dsEdit || ds->State() == dsInsert))
            ds->Post();
        if (ds->State() != dsEdit && ds->State() != dsInsert)
            ds->Edit();
        blob->SetAsBytes(bytes);
        ds->Post();
        stored = true;
        if (DatabaseEngineType == detDBE)
            ds->Refresh();
    } catch (const std::exception& e) {
        if (ds->State() == dsEdit || ds->State() == dsInsert)
            ds->Cancel();
        ReportError(peWriteFailed, QString::fromUtf8(e.what()), poInvoke, 0, "DataField", 0, true);
    }
    loadFromField_ = true;
    if (stored)
        Modified = false;
    return stored;
}

void TImageWindow::DataChanged()
{
    if (!loadFromField_ || !dataLink_->DataSet() || !dataLink_->DataSet()->Active() || DataField().isEmpty())
        return;
    TField* field = dataLink_->Field();
    if (!field)
        return;
    if (field->IsBlob()) {
        if (DatabaseEngineType == detDBE && field->DataType() != ftMemo)
            return;  // the engine reads memo fields only: the picture stays
        auto* blob = dynamic_cast<TBlobField*>(field);
        const QByteArray bytes = blob && !field->IsNull() ? blob->AsBytes() : QByteArray();
        if (bytes.isEmpty()) {
            holder_->MakeBlank();
        } else if (bytes.startsWith(QByteArray(kPicObjectSignature, 12))) {
            TPicImage img;
            TPicError err;
            const bool old = ErrorDialogEnabled();
            SetErrorDialogEnabled(false);
            if (PicDecodeObject(bytes, img, err))
                holder_->TakeImage(img);
            else
                holder_->MakeBlank();
            SetErrorDialogEnabled(old);
        } else {
            TPicImage img;
            TPicError err;
            if (PicReadBytes(bytes, QString(), 0, 0, img, err))
                holder_->TakeImage(img);
            else {
                holder_->MakeBlank();
                ReportError(err.Code, err.Text, poInvoke, 0x01010001, "Image", 0, true);
            }
        }
        Modified = false;
        if (OnPostLoad)
            OnPostLoad(this);
    } else {
        const QString text = field->AsString().trimmed();
        if (imagePath_.isEmpty())
            return;
        if (PictureFileExists(IncludeTrailingBackslash(imagePath_) + text) || PictureFileExists(text))
            SetImageName(text);
    }
    holder_->Redraw(true);
}

void TImageWindow::Loaded()
{
    TPicObjBase::Loaded();
    if (!showToolbar_)
        DestroyToolBar();
    else if (toolBar_)
        toolBar_->SetHints(toolBarHints_);
    Layout();
    holder_->Redraw(true);
}

void TImageWindow::Paint()
{
    TCanvas* c = Canvas();
    QPainter* p = c->Painter();
    const QColor back = ColorToQColor(backColor_);
    const QRect view(view_.Left, view_.Top, availWidth_, availHeight_);
    p->fillRect(view, back);
    if (!holder_->HasImage())
        return;
    const int W = availWidth_ - 1, H = availHeight_ - 1;
    const int iw = std::max(1, holder_->GetImageWidth()), ih = std::max(1, holder_->GetImageHeight());
    {
        // A picture that fails to decode only now shows blank: no dialog
        // opens while the window paints.
        const bool dialogs = ErrorDialogEnabled();
        SetErrorDialogEnabled(false);
        holder_->EnsureDisplayPixels(std::min(holder_->DisplayedWidth, iw), std::min(holder_->DisplayedHeight, ih));
        SetErrorDialogEnabled(dialogs);
    }
    const QImage& px = holder_->DecodedPixels();
    if (px.isNull())
        return;
    // Decoded pixels may be fewer than the picture's own.
    const double sx = double(px.width()) / iw, sy = double(px.height()) / ih;
    p->save();
    p->setClipRect(QRect(view_.Left, view_.Top, W, H));
    p->setRenderHint(QPainter::SmoothPixmapTransform, holder_->ZoomX < 1.0);
    if (fitStyle_ == fsWindow) {
        p->drawImage(QRectF(view_.Left, view_.Top, W, H), px, QRectF(0, 0, px.width(), px.height()));
    } else {
        const double tw = std::min(W, holder_->DisplayedWidth), th = std::min(H, holder_->DisplayedHeight);
        const QRectF source(holder_->ScrollX * sx, holder_->ScrollY * sy, tw / holder_->ZoomX * sx,
                            th / holder_->ZoomY * sy);
        p->drawImage(QRectF(view_.Left, view_.Top, tw, th), px, source);
    }
    p->restore();
    if (selectionPresent_ && SelectionEnabled) {
        p->save();
        QPen pen = QPen(ColorToQColor(SelectionColor), SelectionWidth);
        TPen tp;
        tp.Style = SelectionStyle;
        pen.setStyle(tp.ToQPen().style());
        p->setPen(pen);
        p->setBrush(Qt::NoBrush);
        p->setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        const TRect r = SelectionRect();
        p->drawRect(QRect(r.Left, r.Top, r.Width(), r.Height()));
        p->restore();
    }
}

void TImageWindow::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TPicObjBase::MouseDown(Button, Shift, X, Y);
    if (!SelectionEnabled)
        return;
    if (Shift.Contains(ssCtrl)) {
        SetCursor(Button == mbLeft ? 5 : 6);
        if (Button == mbLeft)
            ZoomInByIncrement();
        else
            ZoomOutByIncrement();
        return;
    }
    if (Button == mbLeft) {
        SetCursor(crCross);
        const int right = view_.Left + std::min(availWidth_ - 1, holder_->DisplayedWidth);
        const int bottom = view_.Top + std::min(availHeight_ - 1, holder_->DisplayedHeight);
        if (X >= view_.Left && X < right && Y >= view_.Top && Y < bottom) {
            selectionPresent_ = false;
            selecting_ = true;
            anchor_ = corner_ = Point(X, Y);
            Invalidate();
        }
        return;
    }
    dragging_ = true;
    dragStart_ = Point(X, Y);
    dragHorz_ = horz_->Position();
    dragVert_ = vert_->Position();
    SetCursor(7);
}

void TImageWindow::MouseMove(TShiftState Shift, int X, int Y)
{
    TPicObjBase::MouseMove(Shift, X, Y);
    if (selecting_) {
        const int right = view_.Left + std::min(availWidth_ - 1, holder_->DisplayedWidth);
        const int bottom = view_.Top + std::min(availHeight_ - 1, holder_->DisplayedHeight);
        const TPoint p = Point(std::clamp(X, view_.Left, right), std::clamp(Y, view_.Top, bottom));
        if (!(p == corner_)) {
            selectionPresent_ = true;
            corner_ = p;
            Invalidate();
        }
    } else if (dragging_) {
        const int h = dragHorz_ + RoundToInt((dragStart_.X - X) / std::max(0.001, holder_->ZoomX));
        const int v = dragVert_ + RoundToInt((dragStart_.Y - Y) / std::max(0.001, holder_->ZoomY));
        if (h != horz_->Position())
            horz_->SetPosition(h);
        if (v != vert_->Position())
            vert_->SetPosition(v);
    }
}

void TImageWindow::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TPicObjBase::MouseUp(Button, Shift, X, Y);
    selecting_ = dragging_ = false;
    SetCursor(crDefault);
}
