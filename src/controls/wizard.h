#pragma once
// TAssistent lets one form work either as a multi-page wizard (steps 1 to
// NumPages with a bar of Back, Next, Finish, Cancel, Help and a mode
// switch) or as one dialog page that shows all fields at once (page 0, with
// OK, Cancel, Help and the mode switch). The pages are not controls: the
// page-aware containers of the form (wizard_containers.h) keep a position
// per display page, and a page switch asks each of them to move there or to
// hide. The wizard sizes the form per mode, writes the form caption, keeps
// a page history for Back, can follow a way list through the pages and lets
// a checked jump radio button choose the next page. The style asTabbed shows
// the pages as a strip of tabs instead of the button bar (wizard_tabs.cpp);
// asNone shows neither, pages are then switched by program only.

#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "controls/wizard_lists.h"
#include "platform/core/string_list.h"
#include "platform/core/exceptions.h"
#include "platform/ui/buttons.h"
#include "platform/ui/forms.h"

class TAssistent;

// The framework's invalid type cast: a wizard whose owner is not a form.
class EInvalidCast : public Exception {
public:
    using Exception::Exception;
};

enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
enum AssistentStyle { asWizard, asNone, asTabbed };

// The look of one button role of the bar; every change re-lays the bar.
class TButtonData : public TPersistent {
public:
    explicit TButtonData(TAssistent* owner) : owner_(owner) {}
    TAssistent* Owner() const { return owner_; }

    QString Text() const { return text_; }
    void SetText(const QString& v);
    const TBitmap* Glyph() const { return &glyph_; }
    // Copies the bitmap; a strip whose width is a whole multiple of its
    // height sets NumGlyphs to that quotient (1 when above 4).
    void SetGlyph(const TBitmap* v);
    // The bitmap itself, which the form stream reads into.
    TBitmap* GlyphObject() { return &glyph_; }
    int NumGlyphs() const { return numGlyphs_; }
    // 1 to 4; more is stored as 4.
    void SetNumGlyphs(int v);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout v);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v);
    bool Show() const { return show_; }
    void SetShow(bool v);

private:
    void Changed();
    TAssistent* owner_;
    QString text_;
    TBitmap glyph_;
    int numGlyphs_ = 1;
    TButtonLayout layout_ = blGlyphLeft;
    bool enabled_ = false;
    bool show_ = false;
};

// A bitmap button of the bar without behaviour of its own.
class TDesignButton : public TBitBtn {
public:
    explicit TDesignButton(TComponent* AOwner) : TBitBtn(AOwner) {}
};

using TPageChangeEvent = std::function<void(TAssistent* Sender, int Page)>;
using TCanPageChangeEvent = std::function<bool(TAssistent* Sender, int FromPage, int& ToPage)>;
using THelpClickEvent = std::function<void(TAssistent* Sender, int Page)>;
using TAskPageChangeEvent = std::function<void(TAssistent* Sender, int AktPage, int& NewPage)>;
using TCancelClickEvent = std::function<bool(TAssistent* Sender, int Page)>;

// Button codes of BLWizard and BLDialog.
enum TBarCode {
    bcNothing = 0, bcChange = 1, bcHelp = 2, bcCancel = 3, bcBack = 4, bcNext = 5, bcOK = 6,
    bcGap = 7, bcRightGroup = 8
};

class TAssistentClient;

// The wizard caption: the first "%d" becomes the page, the second the
// number of pages, "%%" a percent sign; anything else stays as written.
QString SeitenText(const QString& format, int page, int pages);

class TAssistent : public TCustomControl {
public:
    // The owner must be a form (EInvalidCast otherwise).
    explicit TAssistent(TComponent* AOwner);
    ~TAssistent() override;

    // ---- Pages ----------------------------------------------------------------
    int NumPages() const { return numPages_; }
    // Values below 1 are ignored.
    void SetNumPages(int v);
    // 0 dialog page, 1..NumPages wizard steps.
    int Page() const { return page_; }
    // The page switch: OnCanPageChange may refuse or redirect it; -1 (or a
    // way entry showing page -1) closes the form with modal result OK.
    void SetPage(int v);
    int StartPage() const { return startPage_; }
    void SetStartPage(int v);
    bool RememberPage = false;
    bool UseHistory = true;
    TIntegerList* History() { return &history_; }
    int LastWizardPage() const { return lastWizardPage_; }
    bool PageAccepted() const { return pageAccepted_; }
    bool LayoutEnabled() const { return layoutEnabled_; }

    // The display page of a step: the step itself, or with the way list
    // the ShowPage of its entry (0 for step 0).
    int DisplayPageOf(int step) const;
    int DisplayPage() const { return DisplayPageOf(page_); }

    TPageList* WayList() { return &wayList_; }
    bool WayListEnabled() const { return wayListEnabled_; }
    void SetWayListEnabled(bool v);

    // ---- Captions ---------------------------------------------------------------
    QString CaptionDialog() const { return captionDialog_; }
    void SetCaptionDialog(const QString& v);
    // Two integer placeholders (%d): page, number of pages.
    QString CaptionWizard() const { return captionWizard_; }
    void SetCaptionWizard(const QString& v);
    bool ShowPageNames() const { return showPageNames_; }
    void SetShowPageNames(bool v);
    // Index 0 names the dialog page, index n page n.
    QStringList PageNames() const { return pageNames_.ToQStringList(); }
    void SetPageNames(const QStringList& v);
    // The names as the list the form stream reads and writes.
    TStringList* PageNameList() { return &pageNames_; }
    bool SetFormCaption = true;
    bool SetFormProperties = true;

    // ---- Bar ----------------------------------------------------------------------
    TButtonData* BtnHelp() { return &btnHelp_; }
    TButtonData* BtnWizardOK() { return &btnWizardOK_; }
    TButtonData* BtnFinish() { return &btnFinish_; }
    TButtonData* BtnDialogOK() { return &btnDialogOK_; }
    TButtonData* BtnChangeWizard() { return &btnChangeWizard_; }
    TButtonData* BtnChangeDialog() { return &btnChangeDialog_; }
    TButtonData* BtnCancel() { return &btnCancel_; }
    TButtonData* BtnNext() { return &btnNext_; }
    TButtonData* BtnBack() { return &btnBack_; }
    TIntegerList* BLWizard() { return &blWizard_; }
    TIntegerList* BLDialog() { return &blDialog_; }
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int v);
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int v);
    bool ShowGlyph() const { return showGlyph_; }
    void SetShowGlyph(bool v);
    TButtonStyle ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TButtonStyle v);
    bool Seperator() const { return seperator_; }
    void SetSeperator(bool v);

    TDesignButton* ChangeButton() const { return changeButton_; }
    TDesignButton* HelpButton() const { return helpButton_; }
    TBitBtn* CancelButton() const { return cancelButton_; }
    TDesignButton* BackButton() const { return backButton_; }
    TDesignButton* NextButton() const { return nextButton_; }
    TBitBtn* OKButton() const { return okButton_; }

    // Re-lays the bar (wizard style, once layout is enabled) or parks all
    // six buttons (other styles).
    void UpdateButtons();
    // Clears the glyph cache mark of every bar button.
    void ResetGlyphCache();
    void UpdateCaption();

    // ---- Form sizes ------------------------------------------------------------------
    int WizardFormWidth = 0, WizardFormHeight = 0;
    int DialogFormWidth = 0, DialogFormHeight = 0;

    // ---- Style and tabs ------------------------------------------------------------
    AssistentStyle Style() const { return style_; }
    void SetStyle(AssistentStyle v);
    int TabSpaceX() const { return tabSpaceX_; }
    void SetTabSpaceX(int v);
    int TabSpaceY() const { return tabSpaceY_; }
    void SetTabSpaceY(int v);
    // Tabs per row, rows from the top; null unless tabbed.
    const TIntegerList* TabRows() const { return tabRows_.get(); }
    int TabRowHeight() const;
    int TabAreaHeight() const;
    int TabRowWidth(int row) const;
    void CalcTabRows();
    // The page of the tab at the point, -1 when none; recorded tab widths
    // of the last drawing are used.
    int TabAt(int X, int Y) const;
    void TabClick(int X, int Y);
    // The width the last drawing gave the tab of the page (0 before).
    int TabWidthOf(int page) const;

    // ---- Events -----------------------------------------------------------------------
    TPageChangeEvent OnPageChange;
    TCanPageChangeEvent OnCanPageChange;
    THelpClickEvent OnHelpClick;
    TAskPageChangeEvent OnAskPageChange;
    TCancelClickEvent OnCancelClick;

    // ---- Bar commands ------------------------------------------------------------------
    void NextClick();
    void BackClick();
    void ChangeClick();
    void OKClick();
    void CancelClick();
    void HelpClick();
    // The page the checked, enabled jump radio button of the form chooses;
    // Page + 1 without one.
    int GetJumpPage() const;

    // ---- Framework -----------------------------------------------------------------------
    TRect AdjustClientRect() const override;
    void Loaded() override;
    void Paint() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DoEnter() override;
    void DoExit() override;

protected:
    void Resize() override;

private:
    TCustomForm* Form() const;
    // The six bar buttons.
    std::array<TBitBtn*, 6> BarButtons() const;
    // Stores a tab padding and lays the tabs out again.
    void SetTabSpace(int& field, int v);
    bool IsLastPage() const;
    // Every component of the form that the wizard places, last to first.
    void ForEachClient(const std::function<void(TAssistentClient*)>& fn) const;
    void ResizeForm(int w, int h);
    void FocusFirstControl();
    void LayoutBar(bool dialog);
    bool ApplyButtonData(TButtonData& data, TBitBtn* button, int top, int x, int& tabPosition);
    void HideButtons();
    // Tabs.
    int CaptionWidth(int page) const;
    int TabWidth(int page) const;
    int TabRowOf(int page) const;
    int FirstPageOfRow(int row) const;
    void DrawTabs(TCanvas* c);
    void DrawTabRow(TCanvas* c, int row, int y);
    int DrawTab(TCanvas* c, int page, int x, int y, int spacing, bool active);

    int numPages_ = 2;
    int page_ = 0;
    int startPage_ = 1;
    int lastWizardPage_ = 1;
    bool pageAccepted_ = false;
    bool layoutEnabled_ = false;
    bool wayListEnabled_ = false;
    bool showPageNames_ = false;
    bool showGlyph_ = true;
    bool seperator_ = true;
    int buttonWidth_ = 90;
    int buttonHeight_ = 25;
    TButtonStyle buttonStyle_ = bsAutoDetect;
    AssistentStyle style_ = asWizard;
    int tabSpaceX_ = 16;
    int tabSpaceY_ = 8;
    QString captionDialog_;
    QString captionWizard_;
    TStringList pageNames_;
    TPageList wayList_;
    TIntegerList history_;
    TIntegerList blWizard_{1, 2, 8, 3, 4, 5, 6};
    TIntegerList blDialog_{1, 2, 8, 3, 6};
    std::unique_ptr<TIntegerList> tabRows_;
    std::vector<int> tabWidths_;  // by page, as last drawn
    TButtonData btnHelp_{this}, btnWizardOK_{this}, btnFinish_{this}, btnDialogOK_{this},
        btnChangeWizard_{this}, btnChangeDialog_{this}, btnCancel_{this}, btnNext_{this}, btnBack_{this};
    TDesignButton* changeButton_ = nullptr;
    TDesignButton* helpButton_ = nullptr;
    TBitBtn* cancelButton_ = nullptr;
    TDesignButton* backButton_ = nullptr;
    TDesignButton* nextButton_ = nullptr;
    TBitBtn* okButton_ = nullptr;
    bool constructed_ = false;
};
