#include "datacontrols/dk_db_combo.h"

#include "datagrid/dk_field_info.h"
#include "platform/core/sys_utils.h"
#include "platform/ui/forms.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QToolButton>

namespace {

int ScrollBarWidth() { return 16; }

}  // namespace

// ---- TdkPopupListbox -----------------------------------------------------
TdkPopupListbox::TdkPopupListbox(TdkDBComboBox* combo) : TListBox(combo), combo_(combo)
{
    QWidget* w = Handle();
    w->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                      Qt::WindowDoesNotAcceptFocus);
    w->setAttribute(Qt::WA_ShowWithoutActivating);
    w->setFocusPolicy(Qt::NoFocus);
    SetVisible(false);
    OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState, int X, int Y) {
        if (Button == mbLeft)
            combo_->ListMouseUp(X, Y);
    };
}

void TdkPopupListbox::ApplyVisible()
{
    if (Handle())
        Handle()->setVisible(Visible());
}

void TdkPopupListbox::KeyPress(QChar& Key)
{
    const ushort k = Key.unicode();
    if (k == 8 || k == 27) {
        SearchText.clear();
        return;
    }
    if (k < 32)
        return;
    bool ownerDraw = combo_->Style() == csOwnerDrawFixed || combo_->Style() == csOwnerDrawVariable;
    uint64_t now = GetTickCount64();
    if (ownerDraw) {
        if (now - LastKeyTicks > 1500)
            SearchText.clear();
    } else {
        SearchText = combo_->Text();
    }
    LastKeyTicks = now;
    if (SearchText.size() < 32) {
        if (ownerDraw)
            SearchText += Key;  // typed characters gather in typing order
        else
            SearchText = SearchText.left(combo_->SelStart()) + Key +
                         SearchText.mid(combo_->SelStart() + combo_->SelLength());
    }
    int found = -1;
    for (int i = 0; i < Count(); ++i)
        if (Items()->Get(i).startsWith(SearchText, Qt::CaseInsensitive)) {
            found = i;
            break;
        }
    if (found >= 0 || !combo_->ShowMatchText)
        SetItemIndex(found);
    Key = QChar();
}

// ---- TdkDBCustomCombo ----------------------------------------------------
TdkDBCustomCombo::TdkDBCustomCombo(TComponent* AOwner) : TdkDBCustomEdit(AOwner)
{
    panel_ = new TPanel(this);
    panel_->SetParent(this);
    panel_->SetBevelOuter(bvNone);
    panel_->SetBevelInner(bvNone);
    panel_->SetBounds(0, 0, std::max(ScrollBarWidth() + 4, 17), 17);
    button_ = new TdkComboDlgButton(this);
    button_->SetParent(panel_);
    button_->SetBounds(0, 0, panel_->Width(), panel_->Height());
    button_->OnClick = [this](TObject*) { ButtonClick(); };
    SetButtonStyle(cbsEllipsis);
    PlaceButton();
}

void TdkDBCustomCombo::SetButtonStyle(TdkComboButtonStyle v)
{
    buttonStyle_ = v;
    if (QToolButton* b = button_->Button()) {
        b->setArrowType(v == cbsDownArrow ? Qt::DownArrow : Qt::NoArrow);
        b->setText(v == cbsDownArrow ? QString() : QStringLiteral("..."));
    }
    button_->Invalidate();
}

bool TdkDBCustomCombo::GetShowButton() const { return panel_->Visible(); }

void TdkDBCustomCombo::SetShowButton(bool v)
{
    if (panel_->Visible() == v)
        return;
    panel_->SetVisible(v);
    if (!Loading())
        PlaceButton();
    Invalidate();
}

void TdkDBCustomCombo::PlaceButton()
{
    int w = std::max(ScrollBarWidth(), 15);
    int h = ClientHeight();
    panel_->SetBounds(Width() - w - (BorderStyle() != bsNone ? 2 : 0), 0, w, std::max(1, h));
    if (BorderStyle() == bsNone)
        button_->SetBounds(0, -1, w, panel_->Height() + 1);
    else
        button_->SetBounds(0, 0, w, panel_->Height());
    // The text stops left of the button.
    Edit()->setTextMargins(0, 0, panel_->Visible() ? w + 2 : 0, 0);
}

void TdkDBCustomCombo::Resize()
{
    TdkDBCustomEdit::Resize();
    PlaceButton();
}

void TdkDBCustomCombo::Loaded()
{
    TdkDBCustomEdit::Loaded();
    PlaceButton();
}

void TdkDBCustomCombo::EnabledChanged()
{
    TdkDBCustomEdit::EnabledChanged();
    button_->SetEnabled(Enabled());
}

void TdkDBCustomCombo::CloseUp(bool Accept)
{
    if (Accept)
        SetModified(true);
}

void TdkDBCustomCombo::DropDown()
{
    if (!OnButtonClick)
        return;
    inButton_ = true;
    struct Done {
        TdkDBCustomCombo* c;
        ~Done() { c->inButton_ = false; }
    } done{this};
    if (link_.DataSource() && link_.DataSet())
        link_.Edit();
    OnButtonClick(this);
    Invalidate();
}

void TdkDBCustomCombo::ButtonClick()
{
    if (IsDroppedDown()) {
        CloseUp(true);
        return;
    }
    if (CanFocus())
        SetFocus();
    DropDown();
}

// ---- TdkDBComboBox -------------------------------------------------------
TdkDBComboBox::TdkDBComboBox(TComponent* AOwner) : TdkDBCustomCombo(AOwner)
{
    SetButtonStyle(cbsDownArrow);
}

TdkDBComboBox::~TdkDBComboBox() { BeginDestroy(); }

void TdkDBComboBox::SetItems(const TStringList& items)
{
    items_.Assign(items);
    DataChange();
}

void TdkDBComboBox::SetItems(const QStringList& items)
{
    TStringList list;
    for (const QString& s : items)
        list.Add(s);
    SetItems(list);
}

void TdkDBComboBox::SetStyle(TComboBoxStyle v)
{
    if (v == csSimple)
        SetShowButton(false);
    else if (style_ == csSimple)
        SetShowButton(true);
    style_ = v;
}

QString TdkDBComboBox::GetMappedValue(const QString& Value) const
{
    if (!MapList)
        return Value;
    for (int i = 0; i < items_.Count(); ++i)
        if (StoredPart(items_[i]) == Value)
            return DisplayPart(items_[i]);
    return QString();
}

int TdkDBComboBox::IndexOfDisplay(const QString& text) const
{
    for (int i = 0; i < items_.Count(); ++i)
        if (DisplayPart(items_[i]) == text)
            return i;
    return -1;
}

QString TdkDBComboBox::GetEditText() const
{
    const QString text = Text();
    if (style_ == csDropDown && text.isEmpty())
        return QString();
    if (!MapList)
        return text;
    int i = IndexOfDisplay(text);
    return i >= 0 ? StoredPart(items_[i]) : QString();
}

QString TdkDBComboBox::DisplayText()
{
    TField* f = Field();
    if (f && MapList)
        return GetMappedValue(f->AsString());
    return TdkDBCustomCombo::DisplayText();
}

QString TdkDBComboBox::GridDisplayText(TField* field)
{
    return MapList ? GetMappedValue(field->AsString()) : field->DisplayText();
}

void TdkDBComboBox::DataChange()
{
    if (Destroying())
        return;
    TField* f = Field();
    if (MapList) {
        SetTextFromValue(f ? f->AsString() : QString());
        EditingChange();
        return;
    }
    if (f) {
        SetTextFromValue(f->AsString());
        if (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable) {
            itemIndex_ = items_.IndexOf(f->AsString());
            Invalidate();
        }
    }
    TdkDBCustomCombo::DataChange();
}

void TdkDBComboBox::SetTextFromValue(const QString& value)
{
    if (GetEditText() == value && !(value.isEmpty() && MapList))
        return;
    if (style_ == csDropDown && !MapList) {
        ShowText(value);
        return;
    }
    int index = -1;
    if (MapList) {
        for (int i = 0; i < items_.Count(); ++i)
            if (StoredPart(items_[i]) == value) {
                index = i;
                break;
            }
    } else if (!value.isEmpty()) {
        index = items_.IndexOf(value);
    }
    SelectItem(index);
    if (index < 0)
        ShowText(QString());
}

void TdkDBComboBox::SelectItem(int index)
{
    itemIndex_ = index;
    if (list_)
        list_->SetItemIndex(index < list_->Count() ? index : -1);
    if (index >= 0 && index < items_.Count())
        ShowText(DisplayPart(items_[index]));
}

void TdkDBComboBox::PickItem(int index)
{
    if (index < 0 || index >= items_.Count())
        return;
    if (Field()) {
        if (!link_.Edit())
            return;
    }
    SelectItem(index);
    SetModified(true);
    if (IsTextEditable())
        SelectAll();
}

void TdkDBComboBox::ApplyItems()
{
    if (!list_)
        list_ = new TdkPopupListbox(this);
    list_->Items()->Clear();
    for (int i = 0; i < items_.Count(); ++i)
        list_->Items()->Add(DisplayPart(items_[i]));
}

void TdkDBComboBox::DropDown()
{
    if (listVisible_ || style_ == csSimple)
        return;
    Invalidate();
    ApplyItems();
    if (OnDropDown) {
        OnDropDown(this);
        ApplyItems();
    }
    bool ownerDraw = style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable;
    list_->SetStyle(ownerDraw ? (style_ == csOwnerDrawFixed ? lbOwnerDrawFixed : lbOwnerDrawVariable) : lbStandard);
    list_->SetColor(Color());
    list_->SetFont(Font());
    int ih = ItemHeight > 0 ? ItemHeight : ownerDraw ? 11 : QFontMetrics(Font()->ToQFont()).height();
    list_->SetItemHeight(ih);
    if (OnDrawItem)
        list_->OnDrawItem = [this](TWinControl*, int Index, TRect Rect, TOwnerDrawState State) {
            OnDrawItem(this, Index, Rect, State);
        };
    int lines = list_->Count();
    int height = ih * std::min(lines, DropDownCount) + 4;
    int width = DropDownWidth > 0 ? DropDownWidth : Width();
    int selected = -1;
    if (ownerDraw && Field())
        selected = items_.IndexOf(Field()->AsString());
    else if (!Text().isEmpty())
        selected = list_->Items()->IndexOf(Text());
    list_->SetItemIndex(selected);
    TPoint corner = ClientToScreen(Point(0, 0));
    QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry() : QRect(0, 0, 1024, 768);
    int top = corner.Y + Height() - 1;
    if (top + height > screen.height())
        top = corner.Y - height;
    int left = corner.X;
    if (corner.X + width >= screen.width())
        left = corner.X + Width() - 1 - width;
    list_->SetBounds(left, top, width, height);
    list_->SetVisible(true);
    list_->Handle()->raise();
    listVisible_ = true;
    clearOnFirstKey_ = true;
    if (CanFocus())
        SetFocus();
    if (!autoDropping_ && IsTextEditable())
        SelectAll();
}

void TdkDBComboBox::CloseUp(bool Accept)
{
    if (!listVisible_)
        return;
    QString value;
    int line = list_ ? list_->ItemIndex() : -1;
    if (Accept && line >= 0)
        value = list_->Items()->Get(line);
    else if (style_ == csDropDown)
        value = Text();
    list_->SetVisible(false);
    listVisible_ = false;
    if (Accept && Text() != value && (!Field() || link_.Edit())) {
        if (!value.isEmpty())
            SetText(value);
        else if (style_ == csDropDownList || MapList)
            SetText(QString());
        itemIndex_ = line;
        SetModified(true);
        // Over a grid the pick is written at once; a failed write is shown.
        if (ParentGrid()) {
            try {
                link_.UpdateRecord();
            } catch (const std::exception& e) {
                Application->HandleException(this, e);
            }
        }
    }
    if (IsTextEditable())
        SelectAll();
    Invalidate();
    if (OnCloseUp)
        OnCloseUp(this, Accept);
}

bool TdkDBComboBox::TextAcceptsMouse() const
{
    return !(style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable || style_ == csDropDownList);
}

bool TdkDBComboBox::IsTextEditable() const
{
    if (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable)
        return false;
    if (style_ == csDropDownList)
        return listVisible_ || ShowMatchText;
    return true;
}

void TdkDBComboBox::KeyPress(QChar& Key)
{
    const ushort k = Key.unicode();
    QLineEdit* e = Edit();
    const QString text = e->text();
    const int selStart = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    const int selLen = int(e->selectedText().size());
    QString newText = text.left(selStart) + Key + text.mid(selStart + selLen);
    if (listVisible_ && list_ && k >= 32) {
        // The open list searches with the typed character too.
        QChar copy = Key;
        list_->KeyPress(copy);
    }
    if (ShowMatchText && k >= 32 && k <= 254 && newText != text) {
        if (selStart >= newText.size() - 1) {
            int n = items_.Count();
            int start = std::max(0, itemIndex_);
            for (int step = 0; step < n; ++step) {
                int i = (start + step) % n;
                if (DisplayPart(items_[i]).toUpper().startsWith(newText.toUpper())) {
                    if (Field() && !link_.Edit())
                        break;
                    SelectItem(i);
                    SetModified(true);
                    // The completed part stays selected.
                    e->setSelection(int(newText.size()), int(Text().size()) - int(newText.size()));
                    Key = QChar();
                    return;
                }
            }
        }
        if (style_ == csDropDownList || listVisible_) {
            Key = QChar();
            return;
        }
    }
    if (k == 9 && IsMasked()) {
        Key = QChar();
        return;
    }
    bool savedFill = AutoFillDate;
    if (MapList)
        AutoFillDate = false;
    TdkDBCustomCombo::KeyPress(Key);
    AutoFillDate = savedFill;
    if (Key == u'\r')
        Key = QChar();
}

void TdkDBComboBox::KeyDown(Word& Key, TShiftState Shift)
{
    bool alt = Shift.Contains(ssAlt);
    if (!listVisible_ && AutoDropDown && dkIsEditKey(Key) && Key != VK_BACK && Key != VK_DELETE && !alt) {
        autoDropping_ = true;
        DropDown();
        autoDropping_ = false;
    }
    if (!listVisible_) {
        if ((Key == VK_UP || Key == VK_DOWN) && !alt && !ParentGrid()) {
            int i = itemIndex_ + (Key == VK_UP ? -1 : 1);
            if (i >= 0 && i < items_.Count())
                PickItem(i);
            Key = 0;
            return;
        }
        if (style_ == csDropDownList && !ShowMatchText && dkIsEditKey(Key) && !alt) {
            QChar c = Key >= VK_NUMPAD0 && Key <= VK_NUMPAD9 ? QChar(u'0' + (Key - VK_NUMPAD0)) : QChar(Key);
            int n = items_.Count();
            for (int step = 1; step <= n; ++step) {
                int i = (itemIndex_ + step) % n;
                if (i < 0)
                    i += n;
                QString d = DisplayPart(items_[i]);
                if (!d.isEmpty() && d[0].toUpper() == c.toUpper()) {
                    PickItem(i);
                    break;
                }
            }
            Key = 0;
            return;
        }
    } else if (clearOnFirstKey_ && dkIsEditKey(Key) && !(style_ == csDropDown && !AutoDropDown)) {
        clearOnFirstKey_ = false;
        if (Field())
            link_.Edit();
        ShowText(QString());
    }
    // The combo's own keys.
    if (alt && (Key == VK_UP || Key == VK_DOWN)) {
        if (listVisible_)
            CloseUp(true);
        else
            DropDown();
        Key = 0;
        return;
    }
    if (listVisible_ && !alt && (Key == VK_RETURN || Key == VK_ESCAPE)) {
        CloseUp(Key == VK_RETURN);
        Key = 0;
        return;
    }
    if (listVisible_ && Key == VK_TAB)
        CloseUp(true);
    if (listVisible_ && list_ && (Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT)) {
        int i = list_->ItemIndex();
        int step = Key == VK_UP ? -1 : Key == VK_DOWN ? 1 : Key == VK_PRIOR ? -DropDownCount : DropDownCount;
        i = std::clamp(i < 0 ? (step > 0 ? -1 : list_->Count()) + step : i + step, 0, list_->Count() - 1);
        list_->SetItemIndex(i);
        Key = 0;
        return;
    }
    TdkDBCustomCombo::KeyDown(Key, Shift);
    if (Key != 0 && dkIsEditKey(Key) && !IsTextEditable() && !listVisible_)
        Key = 0;
}

void TdkDBComboBox::KeyUp(Word& Key, TShiftState Shift)
{
    TdkDBCustomCombo::KeyUp(Key, Shift);
    if (!AllowClearKey || (Key != VK_DELETE && Key != VK_BACK))
        return;
    if (listVisible_) {
        if (Text().isEmpty())
            itemIndex_ = -1;
    } else if (style_ == csDropDownList && !ShowMatchText) {
        if (Field())
            link_.Edit();
        ShowText(QString());
        itemIndex_ = -1;
        SetModified(true);
    }
}

void TdkDBComboBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && !TextAcceptsMouse()) {
        if (!ParentGrid() && CanFocus())
            SetFocus();
        if (listVisible_)
            CloseUp(true);
        else
            DropDown();
    }
    TdkDBCustomCombo::MouseDown(Button, Shift, X, Y);
}

void TdkDBComboBox::ListMouseUp(int X, int Y)
{
    if (!list_)
        return;
    bool inside = X >= 0 && Y >= 0 && X < list_->ClientWidth() && Y < list_->ClientHeight();
    CloseUp(inside);
}

void TdkDBComboBox::DoExit()
{
    if (listVisible_)
        CloseUp(true);
    TdkDBCustomCombo::DoExit();
}
