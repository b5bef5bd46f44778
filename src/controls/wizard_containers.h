#pragma once
// The page-aware controls of a wizard form: TABox (a plain container),
// TAGroupBox (a group box) and TAJumpRadioBtn (a radio button that can
// choose the next wizard page). Each keeps one position record per display
// page of the wizard on its form (0 = dialog page, 1..NumPages = wizard
// pages): whether it is shown there and where. A page switch of the wizard
// calls SetNewPosition on each, which shows, moves, re-parents or parks the
// control. Moving a shown control records its new position for the page
// being shown, so a form laid out page by page keeps each page's layout.


#include "controls/wizard_lists.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"

class TAssistent;

// Where hidden containers and bar buttons are parked.
inline constexpr int kParkLeft = 20000;

// The two methods the wizard calls on every component of its form that
// offers them.
class TAssistentClient {
public:
    virtual ~TAssistentClient() = default;
    // Places the control for display page d.
    virtual void SetNewPosition(int d) = 0;
    // Resizes the position records to n (the wizard's NumPages + 1).
    virtual void SetNumApos(int n) = 0;
};

// The shared design of the three containers on a control class Base.
template <class Base>
class TPageAware : public Base, public TAssistentClient {
public:
    explicit TPageAware(TComponent* AOwner);
    ~TPageAware() override;

    TWinControl* ParentInDialog() const { return parentInDialog_; }
    void SetParentInDialog(TWinControl* v);
    TWinControl* ParentInWizard() const { return parentInWizard_; }
    void SetParentInWizard(TWinControl* v);
    // Alignment while shown; alNone leaves Align alone.
    TAlign AAlign() const { return aAlign_; }
    void SetAAlign(TAlign v);
    // Display page last applied (-1 before the first).
    int CurPage() const { return curPage_; }
    bool TrackPosition() const { return trackPosition_; }
    TAssistent* FAssistent() const { return assistent_; }
    // The wizard named by a form stream (none forgets it).
    void SetFAssistent(TAssistent* v);
    TAposList* ShowContainer() { return &aposList_; }
    const TAposList* ShowContainer() const { return &aposList_; }

    void SetNewPosition(int d) override;
    void SetNumApos(int n) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetParent(TWinControl* AParent) override;

protected:
    // Finds the wizard of the owner form and takes its page count; called
    // by each class's constructor after its own settings. Without a wizard
    // the message box "No Assistent on Form!" is shown and the control
    // works as a plain one.
    void Attach();
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void SetCurPage(int v) { curPage_ = v; }

private:
    void Merken(TWinControl*& feld, TWinControl* v);
    TWinControl* parentInDialog_ = nullptr;
    TWinControl* parentInWizard_ = nullptr;
    bool trackPosition_ = false;
    bool creating_ = true;
    TAlign aAlign_ = alNone;
    int curPage_ = 0;
    TAssistent* assistent_ = nullptr;
    TAposList aposList_;
};

class TABox : public TPageAware<TCustomControl> {
public:
    explicit TABox(TComponent* AOwner);
    void Paint() override;
};

class TAGroupBox : public TPageAware<TGroupBox> {
public:
    explicit TAGroupBox(TComponent* AOwner);
};

enum TJumpMode { jmAbsolut, jmRelativ };

class TAJumpRadioBtn : public TPageAware<TRadioButton> {
public:
    explicit TAJumpRadioBtn(TComponent* AOwner);
    // When enabled and checked, Next goes to JumpPage (jmAbsolut) or to
    // Page + JumpPage (jmRelativ).
    TJumpMode JumpMode = jmAbsolut;
    int32_t JumpPage = 0;
};
