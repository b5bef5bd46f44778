#pragma once
// Menus: TMenuItem trees shown by a form's TMainMenu or dropped by a
// TPopupMenu. Each item owns the QAction that shows it (and a QMenu once it
// has sub-items); an item frees its sub-items.

#include <QPointer>
#include <vector>

#include "platform/ui/component.h"

class QAction;
class QMenu;
class QMenuBar;
class TControl;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    QString Caption() const { return caption_; }
    void SetCaption(const QString& v);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut v);
    bool Checked() const { return checked_; }
    void SetChecked(bool v);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v);
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    bool RadioItem = false;
    int GroupIndex = 0;
    QString Hint;
    TNotifyEvent OnClick;

    int Count() const { return int(items_.size()); }
    TMenuItem* Items(int i) const { return items_.at(size_t(i)); }
    TMenuItem* Parent() const { return parent_; }
    int MenuIndex() const;
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    void Remove(TMenuItem* Item);
    void Delete(int Index);  // removes and frees
    void Clear();            // frees all sub-items
    TMenuItem* Find(const QString& ACaption) const;
    bool IsLine() const { return caption_ == "-"; }

    // Fires OnClick (a radio or auto-check item is ticked first).
    virtual void Click();

    QAction* Action() const;  // the action that shows the item in its parent

    // Fills a menu bar or a popup with the sub-items.
    void Populate(QMenu* menu) const;
    void Populate(QMenuBar* bar) const;

private:
    void Changed();
    void SyncAction();
    QString caption_;
    TShortCut shortCut_ = 0;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
    QAction* action_ = nullptr;
    QMenu* menu_ = nullptr;  // made when the first sub-item comes
    QPointer<QMenuBar> bar_;  // the bar this item's sub-items fill (root of a main menu)
    friend class TMainMenu;
    friend class TPopupMenu;
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    TMenuItem* Items() const { return items_; }

private:
    TMenuItem* items_;
};

class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
    void AttachTo(QMenuBar* bar);
};

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;
    bool AutoPopup = true;
    TControl* PopupComponent = nullptr;
    TNotifyEvent OnPopup;
    // Drops the menu at the screen point; it does not wait for the choice
    // (the chosen item's OnClick comes from the event loop).
    void Popup(int X, int Y);
    QMenu* Menu() const { return popup_; }

private:
    QMenu* popup_;
};

QKeySequence ShortCutToKeySequence(TShortCut s);
// "Strg+S" style text of a shortcut.
QString ShortCutToText(TShortCut s);
