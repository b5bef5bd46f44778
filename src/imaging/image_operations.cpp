#include "imaging/image_operations.h"

#include <QScrollArea>
#include <QtMath>

#include <cmath>

#include "imaging/form_place.h"
#include "imaging/image_window.h"
#include "platform/picture/picture_effects.h"
#include "platform/picture/picture_round.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"

namespace {

const char* const kPageNames[] = {"Information", "Colors", "Effects", "View", "Transform"};
constexpr int kPreviewSide = 222;

// Effect entries with their codes; the filters follow the first four for
// 24-bit pictures only.
struct TEffectEntry {
    const char* Name;
    int Code;
};
const TEffectEntry kEffects[] = {{"None", 0},          {"Brightness", peBrightness},
                                 {"Contrast", peContrast}, {"Invert", peInvert},
                                 {"Smooth", peSmooth},     {"Smooth More", peSmoothMore},
                                 {"Blur", peBlur},         {"Sharpen", peSharpen},
                                 {"Detail", peDetail},     {"Edge Enhanced", peEdgeEnhance},
                                 {"Edge More Enhanced", peEdgeEnhanceMore},
                                 {"Find Edge", peFindEdge}, {"Contour", peContour}};

void Fill(TComboBox* combo, std::initializer_list<const char*> items)
{
    for (const char* s : items)
        combo->Items()->Add(s);
    combo->SetItemIndex(0);
}

int EditValue(TEdit* edit, int fallback = 0)
{
    int v = fallback;
    TextToInt(edit->Text(), v);
    return v;
}

}  // namespace

TDlgImageOperations::TDlgImageOperations(TComponent* AOwner) : TForm(AOwner)
{
    Name = "DlgImageOperations";
    SetCaption("Image Operations");
    SetBorderStyle(bsDialog);
    SetClientWidth(650);
    SetClientHeight(330);
    Notebook = Place<TPageControl>(this, this, 8, 8, 380, 280);
    TTabSheet** sheets[] = {&PageInformation, &PageColors, &PageEffects, &PageView, &PageTransform};
    for (int i = 0; i < 5; ++i) {
        auto* sheet = new TTabSheet(this);
        sheet->SetPageControl(Notebook);
        sheet->SetCaption(kPageNames[i]);
        sheet->Name = QString("Page") + kPageNames[i];
        *sheets[i] = sheet;
    }

    // Information
    auto* display = Place<TGroupBox>(PageInformation, this, 8, 8, 305, 200, "Display Image");
    const char* infoCaptions[] = {"Width :", "Height :", "Colors :", "Memory :", "Bits :", "Density :"};
    TLabel** infoValues[] = {&InfoWidth, &InfoHeight, &InfoColors, &InfoMemory, &InfoBits, &InfoDensity};
    for (int i = 0; i < 6; ++i) {
        Place<TLabel>(display, this, 14, 24 + 28 * i, 80, 18, infoCaptions[i]);
        *infoValues[i] = Place<TLabel>(display, this, 100, 24 + 28 * i, 190, 18);
    }

    // Colors
    auto* colors = Place<TGroupBox>(PageColors, this, 8, 8, 305, 200, "Colors");
    ColorOps = Place<TComboBox>(colors, this, 14, 24, 200, 24);
    ColorOps->SetStyle(csDropDownList);
    Fill(ColorOps, {"None", "Colors", "1 Bit Image", "4 Bit Image", "8 Bit Image", "24 Bit Image"});
    ColorCountLabel = Place<TLabel>(colors, this, 14, 62, 130, 18, "Number of Colors");
    ColorCount = Place<TEdit>(colors, this, 150, 58, 64, 24);
    GrayScale = Place<TCheckBox>(colors, this, 14, 100, 200, 22, "Gray Scale");
    Dithering = Place<TCheckBox>(colors, this, 14, 128, 200, 22, "Dithering");
    ColorOps->OnChange = [this](TObject*) { ColorOpChanged(); };

    // Effects
    auto* filter = Place<TGroupBox>(PageEffects, this, 8, 8, 305, 236, "Filter");
    Effects = Place<TComboBox>(filter, this, 14, 22, 180, 24);
    Effects->SetStyle(csDropDownList);
    Place<TLabel>(filter, this, 204, 18, 90, 16, "Apply to :");
    ApplyRed = Place<TCheckBox>(filter, this, 204, 36, 90, 20, "Red");
    ApplyGreen = Place<TCheckBox>(filter, this, 204, 56, 90, 20, "Green");
    ApplyBlue = Place<TCheckBox>(filter, this, 204, 76, 90, 20, "Blue");
    Place<TLabel>(filter, this, 14, 56, 80, 16, "Brightness");
    Brightness = Place<TScrollBar>(filter, this, 14, 74, 140, 18);
    BrightnessLabel = Place<TLabel>(filter, this, 160, 74, 40, 18);
    Place<TLabel>(filter, this, 14, 100, 80, 16, "Contrast");
    Contrast = Place<TScrollBar>(filter, this, 14, 118, 140, 18);
    ContrastLabel = Place<TLabel>(filter, this, 160, 118, 40, 18);
    for (TScrollBar* bar : {Brightness, Contrast}) {
        bar->SetKind(sbHorizontal);
        bar->SetParams(0, -100, 100);
        bar->OnChange = [this](TObject*) { UpdateScrollLabels(); };
    }
    Place<TLabel>(filter, this, 14, 150, 60, 16, "Width");
    FilterWidth = Place<TEdit>(filter, this, 14, 168, 56, 24);
    Place<TLabel>(filter, this, 80, 150, 60, 16, "Elevation");
    Elevation = Place<TEdit>(filter, this, 80, 168, 56, 24);
    Place<TLabel>(filter, this, 146, 150, 60, 16, "Azimuth");
    Azimuth = Place<TEdit>(filter, this, 146, 168, 56, 24);
    FilterMatrix = Place<TButton>(filter, this, 14, 200, 150, 25, "Define Filter Matrix");
    Effects->OnChange = [this](TObject*) { EffectChanged(); };

    // View
    auto* fit = Place<TGroupBox>(PageView, this, 8, 8, 305, 110, "Fit Modes");
    FitModes = Place<TComboBox>(fit, this, 14, 24, 200, 24);
    FitModes->SetStyle(csDropDownList);
    Fill(FitModes, {"None", "Fit Best", "Fit To Width", "Fit To Height", "Fit In Window"});
    SharedPalette = Place<TCheckBox>(fit, this, 14, 62, 200, 22, "Shared Palette");

    // Transform
    Transforms = Place<TComboBox>(PageTransform, this, 8, 10, 200, 24);
    Transforms->SetStyle(csDropDownList);
    Fill(Transforms, {"None", "Rotate Arbitrary", "Rotate Left", "Rotate Right", "Rotate Invert", "Flip Horizontal",
                      "Flip Vertical"});
    auto* rotate = Place<TGroupBox>(PageTransform, this, 8, 44, 305, 150, "Rotate");
    Place<TLabel>(rotate, this, 14, 28, 50, 18, "Angle");
    Angle = Place<TEdit>(rotate, this, 70, 24, 60, 24);
    Place<TLabel>(rotate, this, 138, 28, 60, 18, "degrees");
    ClipCorner = Place<TCheckBox>(rotate, this, 14, 60, 200, 22, "Clip Corner");
    BackColorButton = Place<TButton>(rotate, this, 14, 96, 90, 25, "BackColor");
    BackColor = Place<TEdit>(rotate, this, 112, 97, 100, 24);
    BackColor->SetText(QString::number(clWhite));
    Transforms->OnChange = [this](TObject*) { TransformChanged(); };
    BackColorButton->OnClick = [this](TObject*) { BackColorClick(); };

    // Preview and buttons
    PreviewBox = Place<TScrollBox>(this, this, 398, 30, kPreviewSide + 18, kPreviewSide + 18);
    Preview = new TImageWindow(this);
    Preview->SetShowToolbar(false);
    Preview->SetShowGauge(false);
    Preview->SetShowHorzScroll(false);
    Preview->SetShowVertScroll(false);
    Preview->SelectionEnabled = false;
    Preview->SetParent(PreviewBox);
    Preview->SetBounds(0, 0, kPreviewSide, kPreviewSide);
    PreviewBox->UpdateRange();
    // The preview fits the box: no scroll bars.
    if (auto* area = qobject_cast<QScrollArea*>(PreviewBox->Handle())) {
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    Preview->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int X, int Y) { PreviewMouseDown(X, Y); };
    Preview->OnMouseMove = [this](TObject*, TShiftState, int X, int Y) { PreviewMouseMove(X, Y); };
    Preview->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { dragging_ = false; };
    PreviewButton = Place<TButton>(this, this, 398, 6 + kPreviewSide + 30, 80, 25, "Preview");
    PreviewButton->OnClick = [this](TObject*) { PreviewClick(); };
    OkButton = Place<TButton>(this, this, 310, 296, 80, 25, "OK");
    OkButton->SetDefault(true);
    OkButton->OnClick = [this](TObject*) { OkClick(); };
    CancelButton = Place<TButton>(this, this, 398, 296, 80, 25, "Cancel");
    CancelButton->ModalResult = mrCancel;
    CancelButton->Cancel = true;
    HelpButton = Place<TButton>(this, this, 486, 296, 80, 25, "Help");
    TPicUserHelp::Button(HelpButton);
    Loaded();
}

void TDlgImageOperations::SetImage(TImageWindow* window)
{
    window_ = window;
    TImageInWindow* h = window->ImageInWindow();
    const TPicImage& full = h->FullImage();
    const int iw = std::max(1, h->GetImageWidth()), ih = std::max(1, h->GetImageHeight());
    const int A = std::max(1, Preview->AvailableWidth() - 1), B = std::max(1, Preview->AvailableHeight() - 1);
    const double scale = double(iw) / ih > double(A) / B ? double(A) / iw : double(B) / ih;
    base_ = PicResize(full, std::max(1, RoundToInt(iw * scale)), std::max(1, RoundToInt(ih * scale)));
    if (base_.IsNull())
        base_ = full;
    RestorePreview();

    const int bits = h->BitsPerPixel();
    const TPicInfo info{0, iw, ih, bits};
    InfoWidth->SetCaption(QString::number(h->GetImageWidth()));
    InfoHeight->SetCaption(QString::number(h->GetImageHeight()));
    InfoColors->SetCaption(QString::number(info.Colors()));
    InfoDensity->SetCaption(QString::number(RoundToInt(h->Resolution())));
    InfoBits->SetCaption(QString::number(bits));
    InfoMemory->SetCaption(QString::number(RoundHalfEven(double(h->GetImageWidth()) * h->GetImageHeight() * bits * 0.125)));

    int preset = 0, count = 0;
    switch (bits) {
    case 1: preset = 2; count = 2; break;
    case 4: preset = 3; count = 16; break;
    case 8: preset = 4; count = 256; break;
    case 24: preset = 5; count = 256; break;
    default: break;
    }
    ColorOps->SetItemIndex(preset);
    ColorCount->SetText(QString::number(count));
    Dithering->SetChecked(true);
    GrayScale->SetChecked(false);
    ColorOpChanged();

    Effects->Clear();
    const int effectCount = bits >= 24 ? int(std::size(kEffects)) : 4;
    for (int i = 0; i < effectCount; ++i)
        Effects->Items()->Add(kEffects[i].Name);
    Effects->SetItemIndex(0);
    Brightness->SetPosition(0);
    Contrast->SetPosition(0);
    ApplyRed->SetChecked(true);
    ApplyGreen->SetChecked(true);
    ApplyBlue->SetChecked(true);
    EffectChanged();
    FitModes->SetItemIndex(0);
    Transforms->SetItemIndex(0);
    TransformChanged();
}

void TDlgImageOperations::ShowPage(const QString& name)
{
    for (int i = 0; i < Notebook->PageCount(); ++i)
        if (Notebook->Pages(i)->Caption() == name)
            Notebook->SetActivePageIndex(i);
}

QString TDlgImageOperations::ActivePageName() const
{
    TTabSheet* page = Notebook->ActivePage();
    return page ? page->Caption() : QString();
}

void TDlgImageOperations::RestorePreview()
{
    Preview->ImageInWindow()->TakeImage(base_);
    // A turned copy grows beyond the view: the preview always shows it whole.
    Preview->SetFitStyle(fsBest);
}

void TDlgImageOperations::UpdateScrollLabels()
{
    BrightnessLabel->SetCaption(QString::number(Brightness->Position()));
    ContrastLabel->SetCaption(QString::number(Contrast->Position()));
}

void TDlgImageOperations::ColorOpChanged()
{
    const bool counted = ColorOps->ItemIndex() == 1;
    ColorCountLabel->SetVisible(counted);
    ColorCount->SetVisible(counted);
}

void TDlgImageOperations::EffectChanged()
{
    const QString e = Effects->Text();
    Brightness->SetVisible(e == "Brightness");
    BrightnessLabel->SetVisible(e == "Brightness");
    Contrast->SetVisible(e == "Contrast");
    ContrastLabel->SetVisible(e == "Contrast");
    const bool any = Effects->ItemIndex() > 0;
    for (TCheckBox* box : {ApplyRed, ApplyGreen, ApplyBlue})
        box->SetEnabled(any);
    UpdateScrollLabels();
    if (window_)
        RestorePreview();
}

void TDlgImageOperations::TransformChanged()
{
    const int i = Transforms->ItemIndex();
    const bool arbitrary = i == 1;
    if (arbitrary)
        Angle->SetText("0");
    else if (i >= 2 && i <= 4)
        Angle->SetText(QString::number(i == 2 ? 270 : i == 3 ? 90 : 180));
    for (TWinControl* c : std::initializer_list<TWinControl*>{Angle, ClipCorner, BackColorButton, BackColor})
        c->SetEnabled(arbitrary);
    if (window_)
        RestorePreview();
}

void TDlgImageOperations::BackColorClick()
{
    TColorDialog dlg(this);
    int current = clWhite;
    TextToInt(BackColor->Text(), current);
    dlg.Color = current;
    if (dlg.Execute())
        BackColor->SetText(QString::number(dlg.Color));
}

void TDlgImageOperations::ApplyTo(TImageWindow* target)
{
    TImageInWindow* h = target->ImageInWindow();
    const QString page = ActivePageName();
    if (page == "Colors") {
        const int i = ColorOps->ItemIndex();
        if (i == 1)
            h->ReduceColors(EditValue(ColorCount, 256), Dithering->Checked(), GrayScale->Checked());
        else if (i >= 2)
            h->ReduceColors(i == 2 ? -1 : i == 3 ? -4 : i == 4 ? -8 : -24, Dithering->Checked(), GrayScale->Checked());
    } else if (page == "Effects") {
        const int i = Effects->ItemIndex();
        if (i <= 0 || i >= int(std::size(kEffects)))
            return;
        const int code = kEffects[i].Code;
        const int mask = (ApplyBlue->Checked() ? 4 : 0) + (ApplyGreen->Checked() ? 2 : 0) + (ApplyRed->Checked() ? 1 : 0);
        const int parameter = code == peBrightness ? Brightness->Position() : code == peContrast ? Contrast->Position() : 0;
        target->ApplyEffect(code, mask, parameter);
    } else if (page == "View") {
        static const TFitStyle styles[] = {fsNone, fsBest, fsWidth, fsHeight, fsWindow};
        target->SetFitStyle(styles[std::clamp(FitModes->ItemIndex(), 0, 4)]);
    } else if (page == "Transform") {
        switch (Transforms->ItemIndex()) {
        case 1: {
            angle_ += EditValue(Angle);
            while (angle_ >= 361)
                angle_ -= 360;
            Angle->SetText("0");
            int back = clWhite;
            TextToInt(BackColor->Text(), back);
            target->RotateBy(angle_, ClipCorner->Checked(), back);
            break;
        }
        case 2: target->Rotate270(); break;
        case 3: target->Rotate90(); break;
        case 4: target->Rotate180(); break;
        case 5: target->FlipHorizontal(); break;
        case 6: target->FlipVertical(); break;
        default: break;
        }
    }
}

void TDlgImageOperations::PreviewClick()
{
    RestorePreview();
    ApplyTo(Preview);
    Preview->ImageInWindow()->Redraw(true);
}

void TDlgImageOperations::OkClick()
{
    if (window_) {
        ApplyTo(window_);
        window_->ImageInWindow()->Redraw(true);
    }
    ModalResult = mrOk;
}

void TDlgImageOperations::PreviewMouseDown(int X, int Y)
{
    if (ActivePageName() != "Transform" || Transforms->ItemIndex() != 1)
        return;
    dragging_ = true;
    const QPointF c(Preview->Width() / 2.0, Preview->Height() / 2.0);
    dragStartDegrees_ = qRadiansToDegrees(std::atan2(Y - c.y(), X - c.x()));
}

void TDlgImageOperations::PreviewMouseMove(int X, int Y)
{
    if (!dragging_)
        return;
    // The angle the mouse turned around the preview's middle, clockwise.
    const QPointF c(Preview->Width() / 2.0, Preview->Height() / 2.0);
    const double now = qRadiansToDegrees(std::atan2(Y - c.y(), X - c.x()));
    int degrees = int(std::lround(now - dragStartDegrees_)) % 360;
    if (degrees < 0)
        degrees += 360;
    Angle->SetText(QString::number(degrees));
}

// ---- the window's side ------------------------------------------------------------

void TImageWindow::ShowImageOperations()
{
    TDlgImageOperations dlg(this);
    dlg.SetImage(this);
    dlg.ShowPage(lastOpPage_);
    dlg.ShowModal();
    lastOpPage_ = dlg.ActivePageName();
}

void TImageWindow::ShowImageInformation()
{
    TDlgImageOperations dlg(this);
    dlg.SetImage(this);
    dlg.ShowPage("Information");
    dlg.ShowModal();
}

void TImageWindow::ApplyEffect(int code, int channels, int parameter)
{
    ReplaceBy(400, code, [=](const TPicImage& img) { return PicApplyEffect(img, code, channels, parameter); });
}

void TImageWindow::RotateBy(double angle, bool clip, TColor back)
{
    const QColor color = ColorToQColor(back);
    ReplaceBy(30, int(angle), [=](const TPicImage& img) { return PicRotateAny(img, angle, clip, color); });
}
