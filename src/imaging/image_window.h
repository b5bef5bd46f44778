#pragma once
// TImageWindow: the picture viewer and editor control. The window owns the
// layout, the scroll bars, the progress gauge, the data link and the
// published properties; its image holder TImageInWindow owns the current
// picture and performs every operation on it.
//
// A picture loaded from a file is kept as the file's bytes and decoded only
// as far as it is needed: at the size shown while the window shows it
// smaller than it is, at the size asked for by a resize (a thumbnail comes
// from the JPEG decoder's own scaling), and at full size for operations
// that need every pixel (rotate, save, crop, ...). The sizes reported are
// always the file's own.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "imaging/pic_obj_base.h"
#include "platform/picture/picture_io.h"

class TScrollBar;
class TGauge;
class TFieldDataLink;
class TDataSource;
class TOpenDialog;
class TImageWindow;
class TImageToolBar;
class TLLTwain;
class TSpeedButton;

enum TFitStyle { fsNone, fsWidth, fsHeight, fsWindow, fsBest };
enum TImageType { itAuto, itBitmap, itGif, itJpeg, itPcx, itPing, itTarga, itTiff };
enum TBlobCompression { bcNone, bcSize, bcSpeed, bcStream };
enum TDatabaseEngineType { detDBE, detBDE };

using TPostLoadEvent = std::function<void(TImageWindow* AImageWindow)>;
using TSaveStreamEvent = std::function<void(TImageWindow* AImageWindow, long& Format, long& Compression)>;

// The format code of a save type (itBitmap 100 ... itTiff 200; itAuto 0).
int ImageTypeFormat(TImageType type);
// The format code of a file name's extension for saving: ".BMP", ".GIF",
// ".JPG"/".JPEG"/".JPE", ".PCX", ".PNG", ".TGA", ".TIF"/".TIFF"; 0 for any
// other.
int SaveFormatFromName(const QString& fileName);
// The open-dialog filter of a format code.
QString OpenFilterOf(int format);
// The save-dialog filter for itAuto by bits per pixel.
QString SaveFilterOfBits(int bitsPerPixel);
// The save-dialog filter of one image type.
QString SaveFilterOfType(TImageType type);
// The progress factor of a library operation (class 10 read, 20 write, 30
// copy; its mode; the format code or angle or flip value) for an image of
// `bitsPerPixel`; 0 means the gauge is never used.
double ProgressFactor(int opClass, int mode, int value, int bitsPerPixel);

class TImageInWindow : public TComponent {
public:
    explicit TImageInWindow(TImageWindow* window);

    TImageWindow* Window() const { return window_; }
    bool HasImage() const { return has_; }
    int GetImageWidth() const;
    int GetImageHeight() const;
    int BitsPerPixel() const { return has_ ? image_.BitsPerPixel : 0; }
    double Resolution() const { return has_ ? image_.ResolutionX : 0; }
    // The picture at full size (decoded now when it was not yet).
    const TPicImage& FullImage();
    // The picture at 1/Reduction of its size (PicReducedSize): a JPEG
    // decoded by its decoder's own scaling, another format decoded whole and
    // scaled; the full picture for 1 or when the picture is not held as a
    // file's bytes (decoded whole already, or made by an operation).
    const QImage& PixelsReducedBy(int Reduction);
    // The size PixelsReducedBy(Reduction) gives, found without decoding.
    QSize SizeReducedBy(int Reduction) const;
    // The rectangle Section (in pixels of SizeReducedBy(Reduction)) of the
    // picture at that size. A picture held as a file's bytes decodes only
    // the section (PicReadSectionBytes: a JPEG no further than the section
    // reaches) and keeps what it holds; a null image when the file cannot
    // be decoded, reported as a failed decode is (and its error in Error).
    // With Buffers, the section is decoded into memory of that pool.
    QImage SectionReducedBy(int Reduction, const QRect& Section, TPicError* Error = nullptr,
                            TPicBuffers* Buffers = nullptr);
    // The decoded pixels as they are now (possibly at a reduced size).
    const QImage& DecodedPixels() const { return image_.Pixels; }
    // True while the picture is held at less than its own size.
    bool Reduced() const { return reduced_; }

    bool SaveImageToFile(const QString& FileName, int Format, int Compression);
    void ResizeImage(int Width, int Height);
    void ReduceColors(int Colors, bool Dither, bool GrayScale);
    QImage GetBitmapOfRect(const TRect& R);
    void DrawToDC(TPoint P, TCanvas* Canvas);
    void Redraw(bool Repaint);

    // Loads a file (format and page as the library takes them) or a field.
    void Load(const QString& FileName, int Format, int Page, bool FromField = false);
    void MakeBlank();
    // Takes a picture made elsewhere (paste, a field).
    void TakeImage(const TPicImage& img);
    // Decodes the held file at least as large as w x h (or fully).
    void EnsurePixelsAtLeast(int w, int h);
    void EnsureDisplayPixels(int w, int h);

    // View state (image pixels): scroll offsets, zoom in effect and the
    // displayed size.
    int ScrollX = 0, ScrollY = 0;
    bool ResetScrollPositions = true;
    bool PaletteDraw = false;
    double ZoomX = 1.0, ZoomY = 1.0;
    int DisplayedWidth = 0, DisplayedHeight = 0;

private:
    friend class TImageWindow;
    bool Replace(const TPicImage& result);
    void Decode(QSize maxSize);
    // A decode of the held file failed: a blank picture, and the error.
    void DecodeFailed(const TPicError& err);
    TImageWindow* window_;
    TPicImage image_;
    bool has_ = false;
    bool reduced_ = false;
    QByteArray sourceBytes_;  // the file a reduced picture is decoded from
    QString sourceName_;
    int sourceFormat_ = 0, sourcePage_ = 0;
};

class TImageWindow : public TPicObjBase {
public:
    explicit TImageWindow(TComponent* AOwner);
    ~TImageWindow() override;

    TImageInWindow* ImageInWindow() const { return holder_; }

    // ---- published properties
    QString DefaultOpenPath;
    int DefaultOpenFilterIndex = 0;
    QString DefaultSavePath;
    int DefaultSaveFilterIndex = 0;
    int DefaultJPEGQuality = 25;
    TImageType ImageType = itAuto;
    TBlobCompression BlobCompression = bcNone;
    TDatabaseEngineType DatabaseEngineType = detBDE;
    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* v);
    QString DataField() const;
    void SetDataField(const QString& v);
    QString ImageName() const { return imageName_; }
    void SetImageName(const QString& v);
    QString ImagePath() const { return imagePath_; }
    void SetImagePath(const QString& v);
    bool ShowHorzScroll() const { return showHorz_; }
    void SetShowHorzScroll(bool v);
    bool ShowVertScroll() const { return showVert_; }
    void SetShowVertScroll(bool v);
    bool ShowGauge() const { return showGauge_; }
    void SetShowGauge(bool v);
    // The toolbar (image_toolbar.cpp): exists only while ShowToolbar.
    bool ShowToolbar() const { return showToolbar_; }
    void SetShowToolbar(bool v);
    int ToolBarSetup() const;
    void SetToolBarSetup(int v);
    const QStringList& ToolBarHints() const { return toolBarHints_; }
    void SetToolBarHints(const QStringList& v);
    bool ToolBarShowHint() const { return toolBarShowHint_; }
    void SetToolBarShowHint(bool v);
    TImageToolBar* ToolBar() const { return toolBar_; }
    TSpeedButton* ToolBarLeftButton() const { return toolLeft_; }
    TSpeedButton* ToolBarRightButton() const { return toolRight_; }
    int ZoomIncrement() const { return zoomIncrement_; }
    void SetZoomIncrement(int v);
    TColor SelectionColor = clBlack;
    TPenStyle SelectionStyle = psSolid;
    int SelectionWidth = 1;
    bool SelectionEnabled = true;
    TColor BackGroundColor() const { return backColor_; }
    void SetBackGroundColor(TColor v);
    int DefaultImageSize() const { return defaultImageSize_; }
    void SetDefaultImageSize(int v);
    double ZoomFactor() const { return zoomFactor_; }
    void SetZoomFactor(double v);
    TFitStyle FitStyle() const { return fitStyle_; }
    void SetFitStyle(TFitStyle v);
    TPostLoadEvent OnPostLoad;
    TSaveStreamEvent OnSaveStream;

    bool Modified = false;
    int LastSaveFormat() const { return lastSaveFormat_; }

    // ---- operations
    void LoadFromFile(const QString& FileName, int Format, int Page);
    void SaveAs();
    void CopyToClipboard();
    void PasteFromClipboard();
    void Crop();
    void Rotate90() { Turn(90); }
    void Rotate180() { Turn(180); }
    void Rotate270() { Turn(270); }
    void FlipHorizontal();
    void FlipVertical();
    void ShowOriginalSize();
    void FitBest() { SetFitStyle(fsBest); }
    void FitToWidth() { SetFitStyle(fsWidth); }
    void FitToHeight() { SetFitStyle(fsHeight); }
    void FitInWindow() { SetFitStyle(fsWindow); }
    void ZoomIn();
    void ZoomOut();
    void ZoomInByIncrement();
    void ZoomOutByIncrement();
    void TogglePalette();
    // Prints through the print options form (image_print.cpp).
    void Print();
    // Scanning (image_scan.cpp): the acquisition settings made on first
    // use; one picture with the source's own settings; the next picture
    // with the settings, false when none came (or the feeder is empty).
    TLLTwain* GetTwain();
    bool AcquireFromScanner();
    bool AcquireNextFromFeeder();
    // Acquires one picture (with the settings, or with none), also written
    // to fileName when one is given.
    bool Acquire(TLLTwain* settings, const QString& fileName);
    // The image operations dialog (image_operations.cpp): on the page last
    // used, or on "Information".
    void ShowImageOperations();
    void ShowImageInformation();
    QString LastImageOperationsPage() const { return lastOpPage_; }
    // The image-replacing operations of that dialog: an effect (copy mode
    // 400) and a turn by any angle, clockwise (copy mode 30).
    void ApplyEffect(int code, int channels, int parameter);
    void RotateBy(double angle, bool clip, TColor back);

    // ---- view
    TRect ViewRect() const { return view_; }
    int AvailableWidth() const { return availWidth_; }
    int AvailableHeight() const { return availHeight_; }
    TScrollBar* HorzScrollBar() const { return horz_; }
    TScrollBar* VertScrollBar() const { return vert_; }
    TGauge* Gauge() const { return gauge_; }
    bool SelectionPresent() const { return selectionPresent_; }
    // The selection in window coordinates (anchor and moving corner).
    TRect SelectionRect() const;
    // The selection converted to image pixels; empty without one.
    TRect SelectionInImage();
    bool Bound() const;
    // True while the gauge shows the running operation.
    bool GaugeInUse() const { return gaugeUsed_; }

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Loaded() override;

    // Runs one library operation with the progress display around it.
    void WithProgress(int opClass, int mode, int value, const std::function<void()>& op);
    // Stores the picture into the bound field (SaveImageToFile with an
    // empty name); false when nothing was stored.
    bool StoreIntoField(int Format, int Compression);

private:
    friend class TImageInWindow;
    void Layout();
    // The toolbar's part of the layout (image_toolbar.cpp).
    int ToolBarHeight() const;
    void CreateToolBar();
    void DestroyToolBar();
    void PlaceToolBar(bool sized);
    void Turn(int angle);
    // After a load: the view, the decode of a window on screen, OnPostLoad.
    void ShowLoaded();
    // An image-replacing copy (mode and value as the progress counts them):
    // the result replaces the picture; a failed copy keeps it.
    void ReplaceBy(int mode, int value, const std::function<TPicImage(const TPicImage&)>& copy);
    void DataChanged();
    int ChoosePage(const QString& FileName);
    double CurrentZoom() const;
    TImageInWindow* holder_;
    TScrollBar* horz_;
    TScrollBar* vert_;
    TGauge* gauge_;
    std::unique_ptr<TFieldDataLink> dataLink_;
    QString imageName_, imagePath_;
    bool showHorz_ = true, showVert_ = true, showGauge_ = true;
    int zoomIncrement_ = 10;
    TColor backColor_ = clBtnFace;
    int defaultImageSize_ = 0;
    double zoomFactor_ = 1.0;
    TFitStyle fitStyle_ = fsNone;
    bool loadFromField_ = true;
    int lastSaveFormat_ = 0;
    TRect view_;
    int availWidth_ = 0, availHeight_ = 0;
    bool selecting_ = false, dragging_ = false, selectionPresent_ = false;
    TPoint anchor_, corner_, dragStart_;
    int dragHorz_ = 0, dragVert_ = 0;
    bool gaugeUsed_ = false;
    bool inLayout_ = false;
    QString lastOpPage_ = "Information";
    std::shared_ptr<TLLTwain> twain_;
    bool showToolbar_ = true;
    int toolBarSetup_ = -1;
    QStringList toolBarHints_;
    bool toolBarShowHint_ = true;
    TImageToolBar* toolBar_ = nullptr;
    TSpeedButton* toolLeft_ = nullptr;
    TSpeedButton* toolRight_ = nullptr;
};
