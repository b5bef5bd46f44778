#pragma once
// TQKPicPrinter prints one picture on one page. Its layout form
// TfrmPicPrint shows the page scaled down with the printable area; the
// picture stands on it in a frame with grab handles (TStretchHandle) that
// the mouse moves and sizes, drawn as a rubber band on TOverlay while it is
// dragged, or is placed by millimetres typed in, centred, kept in
// proportion, fitted to the page or shown at its natural size. The layout
// and the form's position are kept in an ini file.

#include <QPainter>
#include <QPicture>
#include <QRect>

#include <functional>
#include <memory>

#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/graphics.h"

class QPrinter;
class TRadioButton;
class TGroupBox;
class TEdit;
class TCheckBox;
class TLabel;
class TButton;

enum TQKPicPrinterOrientation { qkpoAuto, qkpoPortrait, qkpoLandscape };

using TOnChangeRect = std::function<void(TObject* Sender, const TRect& Rect)>;

// Draws the rubber band of a drag over the preview.
class TOverlay : public TCustomControl {
public:
    explicit TOverlay(TComponent* AOwner);
    // Shows the band inset by 2 pixels (an empty rectangle clears it).
    void SetBand(const TRect& r);
    TRect Band() const { return band_; }
    void Paint() override;

private:
    TRect band_;
};

// The frame of the picture on the preview; its bounds are the picture
// rectangle grown by 2 pixels on each side.
class TStretchHandle : public TCustomControl {
public:
    explicit TStretchHandle(TComponent* AOwner);

    TPicture* Picture = nullptr;  // the component's picture, shared
    QString PicCaption;
    TFont* PicCaptionFont() { return &captionFont_; }
    void SetPicCaptionFont(const TFont* f) { captionFont_.Assign(f); }
    bool Attached() const { return attached_; }
    bool HCenter() const { return hCenter_; }
    void SetHCenter(bool v) { hCenter_ = v; Recompute(); }
    bool VCenter() const { return vCenter_; }
    void SetVCenter(bool v) { vCenter_ = v; Recompute(); }
    bool Proportional() const { return proportional_; }
    void SetProportional(bool v) { proportional_ = v; Recompute(); }
    bool FitToPage() const { return fitToPage_; }
    void SetFitToPage(bool v) { fitToPage_ = v; Recompute(); }
    bool OriginalSize() const { return originalSize_; }
    void SetOriginalSize(bool v) { originalSize_ = v; Recompute(); }
    TOnChangeRect OnChangeRect;
    TNotifyEvent OnChangePosition;

    // The printable area in preview pixels, and the printer's page size in
    // printer pixels (for the natural size).
    TRect LimitRect;
    int PrinterPageWidth = 1, PrinterPageHeight = 1;
    TOverlay* Overlay = nullptr;

    TRect PictureRect() const { return pictureRect_; }
    // Places the picture rectangle (bounds = it grown by 2) without rules.
    void SetPictureRect(const TRect& r);
    // Shows the handle and computes its rectangle under the rules.
    void Attach();
    // Hides it (while the page is printed).
    void Detach();
    // The rules applied to the current bounds moved by dx, dy at `part`
    // (0 body, 1..4 corners TL TR BL BR, 5 top, 6 left, 7 bottom, 8 right);
    // gives the new bounds.
    TRect Compute(int part, int dx, int dy) const;
    // Recomputes the rectangle without mouse movement.
    void Recompute();
    // The part under a point of the handle; -1 when none may be grabbed
    // there but the body.
    int PartAt(int X, int Y) const;

    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    void Take(const TRect& bounds);
    TFont captionFont_;
    bool attached_ = false;
    bool hCenter_ = true, vCenter_ = true, proportional_ = true, fitToPage_ = true, originalSize_ = false;
    TRect pictureRect_;
    int grabbed_ = 0;
    bool dragging_ = false;
    TPoint dragStart_;
    TRect dragResult_;
};

class TfrmPicPrint : public TForm {
public:
    explicit TfrmPicPrint(TComponent* AOwner);
    ~TfrmPicPrint() override;

    TPanel* PreviewPanel = nullptr;
    TPaintBox* PaintBox = nullptr;
    TStretchHandle* Handle_ = nullptr;
    TOverlay* Overlay = nullptr;
    TGroupBox* FormatGroup = nullptr;
    TRadioButton* Portrait = nullptr;
    TRadioButton* Landscape = nullptr;
    TGroupBox* AlignGroup = nullptr;
    TEdit* LeftMargin = nullptr;
    TEdit* TopMargin = nullptr;
    TEdit* PicWidth = nullptr;
    TEdit* PicHeight = nullptr;
    TCheckBox* HCenterBox = nullptr;
    TCheckBox* VCenterBox = nullptr;
    TCheckBox* ProportionalBox = nullptr;
    TCheckBox* FitBox = nullptr;
    TCheckBox* OriginalBox = nullptr;
    TButton* PrintButton = nullptr;
    TButton* CloseButton = nullptr;
    TButton* SetupButton = nullptr;
    TSpeedButton* PicCaptionButton = nullptr;
    TSpeedButton* PageCaptionButton = nullptr;

    QString IniFileName;
    QString TopCaption, BottomCaption;
    TRect PageRect() const { return page_; }
    TRect PrintableRect() const { return printable_; }
    bool Composed() const { return composed_ != nullptr; }

    // Page geometry: preview and printable area from the printer.
    void PageGeometry();
    // Layout from the ini file and the captions; attaches the handle.
    void InitLayout();
    // A check box clicked: its flag, the exclusions and the enabling.
    void CheckBoxClicked(TCheckBox* box);
    // Enter in an edit: the typed millimetres placed on the preview.
    void EditEntered(TEdit* edit);
    // "&Drucken": composes the page, asks "Ausdruck starten ?" and prints.
    void PrintClick();
    void SetupClick();
    void OrientationClicked();
    void Resize() override;

private:
    void ChangeRect(const TRect& r);
    void PaintPreview();
    void SaveLayout();
    // Draws the page (picture and caption) on a painter of the printable
    // area's size in printer pixels.
    void DrawPage(QPainter& p, int width, int height);
    std::unique_ptr<QPicture> composed_;
    TRect page_, printable_;
    bool shown_ = false;
};

class TQKPicPrinter : public TComponent {
public:
    explicit TQKPicPrinter(TComponent* AOwner);

    QString About_Quillkit() const { return "19.03.99"; }
    void SetAbout_Quillkit(const QString&) {}
    TPicture* Picture() { return &picture_; }
    void SetPicture(const TPicture* p) { picture_.Assign(p); }
    QString PicCaption;
    TFont* PicCaptionFont() { return &picCaptionFont_; }
    void SetPicCaptionFont(const TFont* f) { picCaptionFont_.Assign(f); }
    QString TopCaption, BottomCaption;
    TFont* TopFont() { return &topFont_; }
    void SetTopFont(const TFont* f) { topFont_.Assign(f); }
    TFont* BottomFont() { return &bottomFont_; }
    void SetBottomFont(const TFont* f) { bottomFont_.Assign(f); }
    TAlignment TopAlignment = taCenter, BottomAlignment = taCenter;
    TQKPicPrinterOrientation Orientation = qkpoAuto;
    QString Caption;
    QString INIFileName;

    // Opens the layout form; true only when it ended with OK.
    bool Execute();
    // The same for the bitmap on the clipboard.
    bool PrintClipboard();

private:
    TPicture picture_;
    TFont picCaptionFont_, topFont_, bottomFont_;
};
