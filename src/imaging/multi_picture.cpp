#include "imaging/multi_picture.h"

#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>

#include "imaging/image_paths.h"
#include "imaging/image_readers.h"
#include "platform/picture/picture_io.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"

namespace {

// The first four characters of the upper-cased extension, with its dot.
QString ExtensionOf(const QString& name)
{
    const QString base = name.section('\\', -1).section('/', -1);
    const int dot = base.lastIndexOf('.');
    return dot < 0 ? QString() : base.mid(dot).toUpper().left(4);
}

void Information(const QString& text)
{
    Application->MessageBox(text, "Information", MB_OK | MB_ICONINFORMATION);
}

}  // namespace

TMultiPicture::TMultiPicture(TComponent* AOwner) : TCustomControl(AOwner)
{
    PicLibraryInit();
    SetBounds(0, 0, 105, 105);
    SetColor(clBtnFace);
    picture_.OnChange = [this](TObject*) { PictureChanged(); };
}

TMultiPicture::~TMultiPicture()
{
    picture_.OnChange = nullptr;
}

void TMultiPicture::SetImageName(const QString& name)
{
    imageName_ = name;
    Load(name);
}

QString TMultiPicture::GetImageName()
{
    return Load(imageName_);
}

void TMultiPicture::SetAutoSize(bool v)
{
    autoSize_ = v;
    PictureChanged();
}

void TMultiPicture::SetCenter(bool v) { Change(center_, v); }

void TMultiPicture::SetStretch(bool v)
{
    if (v)
        stretchRatio_ = false;
    Change(stretch_, v);
}

void TMultiPicture::SetStretchRatio(bool v)
{
    if (v)
        stretch_ = false;
    Change(stretchRatio_, v);
}

void TMultiPicture::SetBorderStyle(TBorderStyle v) { Change(borderStyle_, v); }

void TMultiPicture::SetJPegSaveQuality(int v)
{
    jpegQuality_ = (v >= 1 && v <= 100) ? v : 25;
}

void TMultiPicture::SetJPegSaveSmooth(int v)
{
    jpegSmooth_ = (v >= 0 && v <= 100) ? v : 5;
}

void TMultiPicture::SetText(const QString& v) { Change(text_, v); }
void TMultiPicture::SetTextLeft(int v) { Change(textLeft_, v); }
void TMultiPicture::SetTextTop(int v) { Change(textTop_, v); }
void TMultiPicture::SetTextRotate(int v) { Change(textRotate_, v); }
void TMultiPicture::SetTextShadow(bool v) { Change(textShadow_, v); }
void TMultiPicture::SetTextTransParent(bool v) { Change(textTransparent_, v); }

int TMultiPicture::ReaderResolution() const
{
    switch (ImageReadRes) {
    case lColorVga: return 0;
    case lMonoChrome: return 1;
    case lColor16: return 4;
    case lColor256: return 8;
    case lColorTrue: return 24;
    case lAutoMatic: break;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int depth = screen ? screen->depth() : 24;
    if (depth < 5)
        return 4;
    if (depth == 8)
        return 8;
    if (depth >= 16)
        return 24;
    return 8;
}

void TMultiPicture::StopCard()
{
    // Text cards are not played by this control; stopping one clears the
    // picture as the cards leave it.
    if (horzCard_ || vertCard_)
        picture_.SetGraphic(nullptr);
    horzCard_ = vertCard_ = false;
}

QString TMultiPicture::Load(const QString& name)
{
    horzCard_ = vertCard_ = false;
    const QString ext = ExtensionOf(name);
    if (ext != ".RES" && !PictureFileExists(name)) {
        pictureType_.clear();
        picture_.SetGraphic(nullptr);
        lastResult_ = "file not found";
        return lastResult_;
    }
    const int resolution = ReaderResolution();
    if (ext == ".WMF" || ext == ".ICO") {
        StopCard();
        TPicImage img;
        TPicError err;
        TBitmap bmp;
        if (PicRead(PictureLocalPath(name), 0, 0, img, err))
            bmp.SetImage(img.Pixels);
        pictureType_ = ext.mid(1);
        picture_.SetGraphic(&bmp);
        lastResult_ = "Non TIF, JPeg, BMP, GIF, PNG or PCX Image";
        GetInfo(name);
        return lastResult_;
    }
    if (ext == ".SCM" || ext == ".CMS") {
        StopCard();
        GetInfo(name);
    }
    struct Reader {
        const char* ext;
        const char* failure;
    };
    static const Reader readers[] = {
        {".BMP", "Reading bmp file failed"}, {".THB", "Reading bmp file failed"},
        {".THJ", "Reading jpg file failed"}, {".JPG", "Reading jpg file failed"},
        {".JPE", "Reading jpg file failed"}, {".RES", "Reading resource file failed"},
        {".PNG", "Reading png file failed"}, {".GIF", "Reading gif file failed"},
        {".TIF", "Reading tif file failed"}, {".PCX", "Reading pcx file failed"},
    };
    for (const Reader& r : readers) {
        if (ext != r.ext)
            continue;
        StopCard();
        TBitmap bmp;
        bool ok;
        if (ext == ".RES") {
            // Bitmap resources are looked up among the program's resources
            // by the base name (cut before its first "."), at most 64 characters.
            const QString base = name.section('\\', -1).section(':', -1).section('.', 0, 0).left(64);
            QImage img(":/bitmaps/" + base.toUpper() + ".bmp");
            ok = !img.isNull();
            if (ok)
                bmp.SetImage(img);
        } else {
            ok = ReaderReadFile(PictureLocalPath(name), resolution, ImageDither, &bmp);
        }
        if (!ok)
            Information(r.failure);
        pictureType_.clear();
        picture_.SetGraphic(&bmp);
        GetInfo(name);
        break;
    }
    lastResult_ = name.toUpper();
    return lastResult_;
}

bool TMultiPicture::GetInfo(const QString& fileName)
{
    const QString ext = ExtensionOf(fileName);
    for (int& n : InfoNumbers)
        n = 0;
    if (ext == ".RES") {
        InfoType = "RES";
        InfoWidth = picture_.Width();
        InfoHeight = picture_.Height();
        InfoDescription = "BMP";
        const QImage img = picture_.Graphic() ? picture_.Graphic()->ToImage() : QImage();
        InfoFileSize = img.isNull() ? 0 : 40 + img.sizeInBytes();
        return true;
    }
    if (ext == ".WMF" || ext == ".ICO" || ext == ".SCM" || ext == ".CMS") {
        if (PictureFileExists(fileName)) {
            const QString local = PictureLocalPath(fileName);
            InfoType = ext.mid(1);
            InfoWidth = picture_.Width();
            InfoHeight = picture_.Height();
            // Metafiles and icons tell their size in their own headers.
            if (ext == ".WMF" || ext == ".ICO") {
                TPicInfo info;
                TPicError err;
                if (PicPing(local, info, err)) {
                    InfoWidth = info.Width;
                    InfoHeight = info.Height;
                }
            }
            InfoDescription = InfoType;
            InfoFileSize = QFileInfo(local).size();
            return true;
        }
        InfoType = InfoDescription = "ERR";
        InfoWidth = InfoHeight = -1;
        for (int& n : InfoNumbers)
            n = -1;
        InfoFileSize = -1;
        return false;
    }
    TImgFileInfo info;
    const bool ok = ReaderFileInfo(PictureLocalPath(fileName), info);
    InfoType = info.Type;
    InfoWidth = info.Width;
    InfoHeight = info.Height;
    InfoNumbers[0] = info.BitsPerPixel;
    InfoNumbers[1] = info.Pages;
    InfoNumbers[2] = info.Resolution;
    InfoDescription = info.Description;
    InfoFileSize = QFileInfo(PictureLocalPath(fileName)).size();
    return ok;
}

void TMultiPicture::ScanImage()
{
    StopCard();
    TBitmap bmp;
    if (!ReaderTwainScan(UseTwainWindow, ReaderResolution(), ImageDither, &bmp)) {
        Information("Scanning Image Failed");
        return;
    }
    pictureType_.clear();
    picture_.SetGraphic(&bmp);
}

void TMultiPicture::SelectScanSource()
{
    ReaderTwainSelectSource();
}

void TMultiPicture::CopyToClipboard()
{
    if (picture_.Graphic() && !picture_.Graphic()->Empty())
        QGuiApplication::clipboard()->setImage(picture_.Graphic()->ToImage());
}

void TMultiPicture::CutToClipboard()
{
    CopyToClipboard();
    pictureType_.clear();
    picture_.SetGraphic(nullptr);
}

void TMultiPicture::PasteFromClipboard()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasImage())
        return;
    StopCard();
    TBitmap bmp;
    bmp.SetImage(qvariant_cast<QImage>(data->imageData()));
    pictureType_.clear();
    picture_.SetGraphic(&bmp);
}

void TMultiPicture::KeyDown(Word& Key, TShiftState Shift)
{
    if (Key == VK_INSERT && Shift.Contains(ssCtrl))
        CopyToClipboard();
    else if (Key == VK_INSERT && Shift.Contains(ssShift))
        PasteFromClipboard();
    else if (Key == VK_DELETE && Shift.Contains(ssShift))
        CutToClipboard();
    TCustomControl::KeyDown(Key, Shift);
}

void TMultiPicture::KeyPress(QChar& Key)
{
    if (Key == QChar(3))
        CopyToClipboard();
    else if (Key == QChar(22))
        PasteFromClipboard();
    else if (Key == QChar(24))
        CutToClipboard();
    TCustomControl::KeyPress(Key);
}

void TMultiPicture::PictureChanged()
{
    const int w = picture_.Width(), h = picture_.Height();
    if (autoSize_ && w > 0 && h > 0)
        SetBounds(Left(), Top(), w, h);
    opaque_ = pictureType_.isEmpty() && w == Width() && h == Height() && w > 0;
    Invalidate();
}

void TMultiPicture::Paint()
{
    TCanvas* c = Canvas();
    c->Brush.Color = Color();
    c->Brush.Style = bsSolid;
    c->FillRect(ClientRect());
    const TGraphic* g = picture_.Graphic();
    if (g && !g->Empty()) {
        const int pw = g->Width(), ph = g->Height();
        const int cw = ClientWidth(), ch = ClientHeight();
        TRect dest = Rect(0, 0, pw, ph);
        if (pictureType_ == "ICO" || pictureType_ == "WMF" || !ReaderPalette) {
            if (stretch_)
                dest = ClientRect();
            else if (center_)
                dest = Bounds((Width() - pw) / 2, (Height() - ph) / 2, pw, ph);
        } else if (stretchRatio_) {
            const double scale = std::min(double(cw) / pw, double(ch) / ph);
            const int w = int(pw * scale), h = int(ph * scale);
            dest = Bounds((cw - w) / 2, (ch - h) / 2, w, h);
        } else if (stretch_) {
            dest = ClientRect();
        } else if (center_) {
            dest = Bounds((cw - pw) / 2, (ch - ph) / 2, pw, ph);
        }
        c->StretchDraw(dest, g);
    }
    if (!text_.isEmpty()) {
        QPainter* p = c->Painter();
        p->save();
        QFont font = Font()->ToQFont();
        p->setFont(font);
        const int ascent = QFontMetrics(font).ascent();
        auto drawAt = [&](int x, int y, TColor colour) {
            p->save();
            p->translate(x, y);
            p->rotate(-textRotate_);  // counter-clockwise, as the escapement turns it
            if (!textTransparent_) {
                const QRect r = QFontMetrics(font).boundingRect(text_);
                p->fillRect(QRect(0, 0, r.width(), QFontMetrics(font).height()), ColorToQColor(Color()));
            }
            p->setPen(ColorToQColor(colour));
            p->drawText(0, ascent, text_);
            p->restore();
        };
        if (textShadow_)
            drawAt(textLeft_ + 2, textTop_ + 2, TextShadowColor);
        drawAt(textLeft_, textTop_, Font()->Color());
        p->restore();
    }
    if (OnPaint)
        OnPaint(this);
}
