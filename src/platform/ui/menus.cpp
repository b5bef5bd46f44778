#include "platform/ui/menus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

#include "platform/ui/control.h"
#include "platform/ui/forms.h"

QKeySequence ShortCutToKeySequence(TShortCut s)
{
    int key = VirtualKeyToQtKey(Word(s & 0xFF));
    if (!key)
        return {};
    int mods = 0;
    if (s & scShift) mods |= Qt::ShiftModifier;
    if (s & scCtrl) mods |= Qt::ControlModifier;
    if (s & scAlt) mods |= Qt::AltModifier;
    return QKeySequence(key | mods);
}

QString ShortCutToText(TShortCut s)
{
    QString text;
    if (s & scShift) text += "Umsch+";
    if (s & scCtrl) text += "Strg+";
    if (s & scAlt) text += "Alt+";
    Word vk = Word(s & 0xFF);
    if (vk >= VK_F1 && vk <= VK_F12)
        return text + "F" + QString::number(vk - VK_F1 + 1);
    switch (vk) {
    case VK_RETURN: return text + "Eingabe";
    case VK_ESCAPE: return text + "Esc";
    case VK_DELETE: return text + "Entf";
    case VK_INSERT: return text + "Einfg";
    case VK_SPACE: return text + "Leer";
    default: break;
    }
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        return text + QChar(vk);
    return text + ShortCutToKeySequence(Word(vk)).toString();
}

// ---- TMenuItem -----------------------------------------------------------
TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner)
{
    action_ = new QAction();
    QObject::connect(action_, &QAction::triggered, [this] {
        Application->Guarded(this, [this] { Click(); });
        SyncAction();
    });
}

TMenuItem::~TMenuItem()
{
    BeginDestroy();
    while (!items_.empty())
        delete items_.back();
    if (parent_)
        parent_->Remove(this);
    delete menu_;
    delete action_;
}

int TMenuItem::MenuIndex() const
{
    if (!parent_)
        return -1;
    auto& list = parent_->items_;
    return int(std::find(list.begin(), list.end(), this) - list.begin());
}

void TMenuItem::SetCaption(const QString& v)
{
    bool structural = (v == "-") != IsLine();
    caption_ = v;
    SyncAction();
    if (structural && parent_)
        parent_->Changed();
}

void TMenuItem::SetShortCut(TShortCut v) { shortCut_ = v; SyncAction(); }

void TMenuItem::SetChecked(bool v)
{
    checked_ = v;
    // A radio item unticks the other radio items of its group.
    if (v && RadioItem && parent_)
        for (TMenuItem* other : parent_->items_)
            if (other != this && other->RadioItem && other->GroupIndex == GroupIndex && other->checked_) {
                other->checked_ = false;
                other->SyncAction();
            }
    SyncAction();
}

void TMenuItem::SetEnabled(bool v) { enabled_ = v; SyncAction(); }

void TMenuItem::SetVisible(bool v)
{
    visible_ = v;
    SyncAction();
}

void TMenuItem::SyncAction()
{
    for (QAction* a : {action_, menu_ ? menu_->menuAction() : nullptr}) {
        if (!a)
            continue;
        a->setSeparator(IsLine());
        // A separator with text is drawn as a titled section by Qt's styles.
        a->setText(IsLine() ? QString() : caption_);
        a->setEnabled(enabled_);
        a->setVisible(visible_);
        a->setCheckable(checked_ || RadioItem);
        a->setChecked(checked_);
        a->setStatusTip(Hint);
    }
    action_->setShortcut(ShortCutToKeySequence(shortCut_));
    if (menu_)
        menu_->setTitle(caption_);
}

QAction* TMenuItem::Action() const { return !items_.empty() && menu_ ? menu_->menuAction() : action_; }

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item)
{
    if (Item->parent_)
        Item->parent_->Remove(Item);
    Index = std::clamp(Index, 0, Count());
    items_.insert(items_.begin() + Index, Item);
    Item->parent_ = this;
    if (!menu_) {
        menu_ = new QMenu();
        SyncAction();
    }
    Changed();
    if (parent_)
        parent_->Changed();  // the item now shows a sub-menu
}

void TMenuItem::Remove(TMenuItem* Item)
{
    auto it = std::find(items_.begin(), items_.end(), Item);
    if (it == items_.end())
        return;
    items_.erase(it);
    Item->parent_ = nullptr;
    if (!Destroying()) {
        Changed();
        if (items_.empty() && parent_)
            parent_->Changed();
    }
}

void TMenuItem::Delete(int Index) { delete Items(Index); }

void TMenuItem::Clear()
{
    while (!items_.empty())
        delete items_.back();
}

TMenuItem* TMenuItem::Find(const QString& ACaption) const
{
    auto plain = [](QString s) { return s.remove('&'); };
    for (TMenuItem* i : items_)
        if (plain(i->caption_).compare(plain(ACaption), Qt::CaseInsensitive) == 0)
            return i;
    return nullptr;
}

void TMenuItem::Click()
{
    if (RadioItem && !checked_)
        SetChecked(true);
    if (OnClick)
        OnClick(this);
}

void TMenuItem::Changed()
{
    if (Destroying())
        return;
    if (bar_)
        Populate(bar_);
    if (menu_)
        Populate(menu_);
}

void TMenuItem::Populate(QMenu* menu) const
{
    menu->clear();
    for (TMenuItem* i : items_) {
        if (!i->items_.empty() && i->menu_)
            menu->addMenu(i->menu_);
        else
            menu->addAction(i->action_);
        i->SyncAction();
    }
}

void TMenuItem::Populate(QMenuBar* bar) const
{
    bar->clear();
    for (TMenuItem* i : items_) {
        if (!i->items_.empty() && i->menu_)
            bar->addMenu(i->menu_);
        else
            bar->addAction(i->action_);
        i->SyncAction();
    }
}

// ---- menus ---------------------------------------------------------------
TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(nullptr)) {}

TMenu::~TMenu()
{
    BeginDestroy();
    delete items_;
}

void TMainMenu::AttachTo(QMenuBar* bar)
{
    Items()->bar_ = bar;
    Items()->Populate(bar);
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner), popup_(new QMenu()) {}

TPopupMenu::~TPopupMenu()
{
    BeginDestroy();
    delete popup_;
}

void TPopupMenu::Popup(int X, int Y)
{
    if (OnPopup)
        Application->Guarded(this, [this] { OnPopup(this); });
    Items()->Populate(popup_);
    popup_->popup(QPoint(X, Y));
}
