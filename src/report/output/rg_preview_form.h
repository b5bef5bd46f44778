#pragma once
// The print preview: a viewer filling the window under a button bar for
// printing, page navigation and zoom, and a status bar showing the
// viewer's progress and page texts.

#include "report/output/rg_forms.h"
#include "report/output/rg_screen_device.h"

class TCustomMaskEdit;
class TSpeedButton;
class TStatusBar;
class TrgViewer;

class TrgPrintPreview : public TrgCustomPreviewer {
public:
    explicit TrgPrintPreview(TComponent* AOwner);

    // Registers the preview for the abstract previewer.
    static void Register();

    TPanel* pnlPreviewBar;
    TSpeedButton* spbPreviewPrint;
    TSpeedButton* spbPreviewWhole;
    TSpeedButton* spbPreviewFirst;
    TSpeedButton* spbPreviewPrior;
    TSpeedButton* spbPreviewNext;
    TSpeedButton* spbPreviewLast;
    TCustomMaskEdit* mskPreviewPage;
    TSpeedButton* spbPreviewWidth;
    TSpeedButton* spbPreview100Percent;
    TSpeedButton* spbPreviewClose;
    TBevel* Bevel1;
    TCustomMaskEdit* mskPreviewPercentage;
    TrgViewer* rgViewer1;
    TStatusBar* StatusBar;

    TrgViewer* GetViewer() override { return rgViewer1; }
    void Activate() override;

    void FormKeyDown(Word& Key, TShiftState Shift);
    void PageKeyPress(QChar& Key);
    void PercentageKeyPress(QChar& Key);
    void ZoomClick(TrgZoomSettingType Setting);
    void CloseClick();
    void ViewerPageChange();
    void ViewerStatusChange();
    void ViewerPrintStateChange();

protected:
    void LanguageChanged() override;
    void ReportAssigned() override;

private:
    void ShowZoomButtons();
};
