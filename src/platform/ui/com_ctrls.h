#pragma once
// Page control with tab sheets, status bar with panels, progress bar.

#include <memory>
#include <vector>

#include "platform/ui/control.h"

class QTabWidget;
class QProgressBar;
class TPageControl;

class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;
    TPageControl* PageControl() const { return pageControl_; }
    void SetPageControl(TPageControl* p);
    void SetParent(TWinControl* AParent) override;
    int PageIndex() const;
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool v);
    int ClientWidth() const override;
    int ClientHeight() const override;
    void WidgetResized() override;

protected:
    void TextChanged() override;
    void ApplyBounds() override;
    void ApplyVisible() override;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
    bool tabVisible_ = true;
};

class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;
    int PageCount() const { return int(pages_.size()); }
    TTabSheet* Pages(int i) const { return pages_.at(size_t(i)); }
    TTabSheet* ActivePage() const;
    void SetActivePage(TTabSheet* p);
    int ActivePageIndex() const;
    void SetActivePageIndex(int i);
    TTabPosition TabPosition() const { return tabPosition_; }
    void SetTabPosition(TTabPosition v);
    TNotifyEvent OnChange;
    std::function<void(TObject* Sender, bool& AllowChange)> OnChanging;
    QTabWidget* Tabs() const;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* p);
    void RemovePage(TTabSheet* p);
    void SyncTabs();
    std::vector<TTabSheet*> pages_;
    TTabPosition tabPosition_ = tpTop;
    int shownIndex_ = -1;
    bool syncing_ = false;
};

class TStatusBar;

class TStatusPanel {
public:
    QString Text() const { return text_; }
    void SetText(const QString& v);
    int Width() const { return width_; }
    void SetWidth(int v);
    TAlignment Alignment = taLeftJustify;
    TBevelCut Bevel = bvLowered;
    TStatusPanelStyle Style = psText;

private:
    friend class TStatusPanels;
    TStatusBar* bar_ = nullptr;
    QString text_;
    int width_ = 50;
};

class TStatusPanels {
public:
    explicit TStatusPanels(TStatusBar* bar) : bar_(bar) {}
    int Count() const { return int(panels_.size()); }
    TStatusPanel* Items(int i) const { return panels_.at(size_t(i)).get(); }
    TStatusPanel* operator[](int i) const { return Items(i); }
    TStatusPanel* Add();
    void Delete(int i);
    void Clear();

private:
    TStatusBar* bar_;
    std::vector<std::unique_ptr<TStatusPanel>> panels_;
};

// A status line painted as the framework's: lowered panels from the left,
// the last one taking the rest, or one simple text.
class TStatusBar : public TCustomControl {
public:
    explicit TStatusBar(TComponent* AOwner);
    TStatusPanels* Panels() { return &panels_; }
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool v) { simplePanel_ = v; Invalidate(); }
    QString SimpleText() const { return simpleText_; }
    void SetSimpleText(const QString& v) { simpleText_ = v; Invalidate(); }
    bool SizeGrip = true;
    void Paint() override;

private:
    TStatusPanels panels_;
    bool simplePanel_ = false;
    QString simpleText_;
};

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* AOwner);
    int Min() const;
    int Max() const;
    int Position() const;
    void SetMin(int v);
    void SetMax(int v);
    void SetPosition(int v);
    int Step = 10;
    void StepIt() { SetPosition(Position() + Step); }
    void StepBy(int delta) { SetPosition(Position() + delta); }
    TProgressBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TProgressBarOrientation v);
    bool Smooth = false;
    QProgressBar* Bar() const;

private:
    TProgressBarOrientation orientation_ = pbHorizontal;
};
