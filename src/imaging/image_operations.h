#pragma once
// TDlgImageOperations: the picture of an image window inspected and changed
// by one colour, effect, view or transform operation at a time, tried first
// on a preview. The preview starts from a copy of the picture sized to its
// view; the arbitrary rotation angle accumulates over the previews, so a
// preview always shows the base copy turned by the sum of the angles tried.

#include "imaging/pic_user_help.h"
#include "platform/picture/picture_io.h"
#include "platform/ui/forms.h"

class TPageControl;
class TTabSheet;
class TScrollBox;
class TImageWindow;
class TImageInWindow;
class TLabel;
class TComboBox;
class TEdit;
class TCheckBox;
class TScrollBar;
class TButton;
class TGroupBox;

class TDlgImageOperations : public TForm {
public:
    explicit TDlgImageOperations(TComponent* AOwner);

    // Takes the window whose picture the dialog works on and fills the pages.
    void SetImage(TImageWindow* window);
    // Shows the page of that name ("Information", "Colors", "Effects",
    // "View", "Transform"); an unknown name leaves the page.
    void ShowPage(const QString& name);
    QString ActivePageName() const;

    // The preview restored from the base copy with the current page's
    // operation applied ("Preview").
    void PreviewClick();
    // The current page's operation applied to the window's picture (OK).
    void OkClick();
    // Applies the current page's operation to a window.
    void ApplyTo(TImageWindow* target);
    double AccumulatedAngle() const { return angle_; }
    const TPicImage& BaseCopy() const { return base_; }

    TPageControl* Notebook = nullptr;
    TTabSheet* PageInformation = nullptr;
    TTabSheet* PageColors = nullptr;
    TTabSheet* PageEffects = nullptr;
    TTabSheet* PageView = nullptr;
    TTabSheet* PageTransform = nullptr;
    TScrollBox* PreviewBox = nullptr;
    TImageWindow* Preview = nullptr;
    TButton* PreviewButton = nullptr;
    TButton* OkButton = nullptr;
    TButton* CancelButton = nullptr;
    TButton* HelpButton = nullptr;
    // Information
    TLabel* InfoWidth = nullptr;
    TLabel* InfoHeight = nullptr;
    TLabel* InfoColors = nullptr;
    TLabel* InfoMemory = nullptr;
    TLabel* InfoBits = nullptr;
    TLabel* InfoDensity = nullptr;
    // Colors
    TComboBox* ColorOps = nullptr;
    TLabel* ColorCountLabel = nullptr;
    TEdit* ColorCount = nullptr;
    TCheckBox* GrayScale = nullptr;
    TCheckBox* Dithering = nullptr;
    // Effects
    TComboBox* Effects = nullptr;
    TCheckBox* ApplyRed = nullptr;
    TCheckBox* ApplyGreen = nullptr;
    TCheckBox* ApplyBlue = nullptr;
    TScrollBar* Brightness = nullptr;
    TScrollBar* Contrast = nullptr;
    TLabel* BrightnessLabel = nullptr;
    TLabel* ContrastLabel = nullptr;
    TEdit* FilterWidth = nullptr;
    TEdit* Elevation = nullptr;
    TEdit* Azimuth = nullptr;
    TButton* FilterMatrix = nullptr;
    // View
    TComboBox* FitModes = nullptr;
    TCheckBox* SharedPalette = nullptr;
    // Transform
    TComboBox* Transforms = nullptr;
    TEdit* Angle = nullptr;
    TCheckBox* ClipCorner = nullptr;
    TButton* BackColorButton = nullptr;
    TEdit* BackColor = nullptr;

    void ColorOpChanged();
    void EffectChanged();
    void TransformChanged();
    void BackColorClick();

private:
    void RestorePreview();
    void UpdateScrollLabels();
    void PreviewMouseDown(int X, int Y);
    void PreviewMouseMove(int X, int Y);
    TPicUserHelp help_;
    TImageWindow* window_ = nullptr;
    TPicImage base_;
    double angle_ = 0;
    bool dragging_ = false;
    double dragStartDegrees_ = 0;
};
