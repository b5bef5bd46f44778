#include "platform/ui/std_ctrls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>

#include "platform/core/exceptions.h"
#include "platform/ui/forms.h"
#include "platform/ui/line_edit.h"

// ---- TItemStrings --------------------------------------------------------
int TItemStrings::IndexOf(const QString& s) const
{
    for (int i = 0; i < Count(); ++i)
        if (Get(i).compare(s, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString TItemStrings::Text() const
{
    QString t;
    for (int i = 0; i < Count(); ++i)
        t += Get(i) + "\r\n";
    return t;
}

void TItemStrings::SetText(const QString& text)
{
    QString t = text;
    t.replace("\r\n", "\n").replace('\r', '\n');
    QStringList lines = t.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.pop_back();
    Assign(lines);
}

QString TItemStrings::CommaText() const
{
    QStringList parts;
    for (int i = 0; i < Count(); ++i) {
        QString s = Get(i);
        if (s.contains(' ') || s.contains(',') || s.contains('"'))
            s = '"' + QString(s).replace("\"", "\"\"") + '"';
        parts << s;
    }
    return parts.join(',');
}

QStringList TItemStrings::ToStringList() const
{
    QStringList l;
    for (int i = 0; i < Count(); ++i)
        l << Get(i);
    return l;
}

void TItemStrings::Assign(const QStringList& list)
{
    BeginUpdate();
    Clear();
    AddStrings(list);
    EndUpdate();
}

void TItemStrings::AssignTo(TStringList& list) const
{
    list.Clear();
    list.AddStrings(ToStringList());
}

void TItemStrings::LoadFromFile(const QString& fileName)
{
    TStringList list;
    list.LoadFromFile(fileName);
    Assign(list);
}

void TItemStrings::SaveToFile(const QString& fileName) const
{
    TStringList list;
    AssignTo(list);
    list.SaveToFile(fileName);
}

namespace {

class TListWidgetStrings : public TItemStrings {
public:
    explicit TListWidgetStrings(TListBox* box) : box_(box) {}
    int Count() const override { return box_->List()->count(); }
    QString Get(int i) const override { return Item(i)->text(); }
    void Put(int i, const QString& s) override { Item(i)->setText(s); }
    void Insert(int i, const QString& s) override
    {
        if (i < 0 || i > Count())
            throw EListError("Listenindex überschreitet das Maximum");
        box_->List()->insertItem(i, s);
    }
    void Delete(int i) override { delete box_->List()->takeItem(CheckIndex(i)); }
    void Clear() override { box_->List()->clear(); }
    void* Objects(int i) const override { return reinterpret_cast<void*>(Item(i)->data(Qt::UserRole).value<quintptr>()); }
    void SetObjects(int i, void* obj) override { Item(i)->setData(Qt::UserRole, QVariant::fromValue(quintptr(obj))); }

private:
    int CheckIndex(int i) const
    {
        if (i < 0 || i >= Count())
            throw EListError(QString("Listenindex überschreitet das Maximum (%1)").arg(i));
        return i;
    }
    QListWidgetItem* Item(int i) const { return box_->List()->item(CheckIndex(i)); }
    TListBox* box_;
};

class TComboStrings : public TItemStrings {
public:
    explicit TComboStrings(TComboBox* box) : box_(box) {}
    int Count() const override { return box_->Combo()->count(); }
    QString Get(int i) const override { return box_->Combo()->itemText(CheckIndex(i)); }
    void Put(int i, const QString& s) override { box_->Combo()->setItemText(CheckIndex(i), s); }
    void Insert(int i, const QString& s) override
    {
        if (i < 0 || i > Count())
            throw EListError("Listenindex überschreitet das Maximum");
        QComboBox* c = box_->Combo();
        QString text = c->isEditable() ? c->currentText() : QString();
        int index = c->currentIndex();
        QSignalBlocker block(c);
        c->insertItem(i, s);
        // The framework keeps the edit text and the selection when items come.
        if (index < 0 || i <= index)
            c->setCurrentIndex(index < 0 ? -1 : index + 1);
        if (c->isEditable())
            c->setEditText(text);
    }
    // Items added at the end in one insertion: the same items, index and edit
    // text as adding them one by one, without laying out the edit text again
    // for each item.
    void Append(const QStringList& list)
    {
        if (list.isEmpty())
            return;
        QComboBox* c = box_->Combo();
        QString text = c->isEditable() ? c->currentText() : QString();
        const int index = c->currentIndex();
        QSignalBlocker block(c);
        c->insertItems(c->count(), list);
        if (index < 0)
            c->setCurrentIndex(-1);
        if (c->isEditable())
            c->setEditText(text);
    }
    void Delete(int i) override { QSignalBlocker block(box_->Combo()); box_->Combo()->removeItem(CheckIndex(i)); }
    void Clear() override
    {
        QComboBox* c = box_->Combo();
        QSignalBlocker block(c);
        QString text = c->isEditable() ? c->currentText() : QString();
        c->clear();
        if (c->isEditable())
            c->setEditText(text);
    }

private:
    int CheckIndex(int i) const
    {
        if (i < 0 || i >= Count())
            throw EListError(QString("Listenindex überschreitet das Maximum (%1)").arg(i));
        return i;
    }
    TComboBox* box_;
};

class TMemoStrings : public TItemStrings {
public:
    explicit TMemoStrings(TMemo* memo) : memo_(memo) {}
    int Count() const override { return int(Lines().size()); }
    QString Get(int i) const override { return Lines().value(i); }
    void Put(int i, const QString& s) override
    {
        QStringList l = Lines();
        if (i < 0 || i >= l.size())
            throw EListError("Listenindex überschreitet das Maximum");
        l[i] = s;
        SetLines(l);
    }
    void Insert(int i, const QString& s) override
    {
        QStringList l = Lines();
        if (i < 0 || i > l.size())
            throw EListError("Listenindex überschreitet das Maximum");
        l.insert(i, s);
        SetLines(l);
    }
    void Delete(int i) override
    {
        QStringList l = Lines();
        if (i < 0 || i >= l.size())
            throw EListError("Listenindex überschreitet das Maximum");
        l.removeAt(i);
        SetLines(l);
    }
    void Clear() override { memo_->Editor()->setPlainText(QString()); }

private:
    QStringList Lines() const
    {
        QString t = memo_->Editor()->toPlainText();
        if (t.isEmpty())
            return {};
        QStringList l = t.split('\n');
        if (t.endsWith('\n'))
            l.pop_back();
        return l;
    }
    // Lines are joined by line breaks; a text that ends in a line break has
    // one more, so an empty last line is kept ("a\n\n" reads as "a" and "").
    void SetLines(const QStringList& l)
    {
        QString t = l.join('\n');
        if (!l.isEmpty() && l.back().isEmpty())
            t += '\n';
        memo_->Editor()->setPlainText(t);
    }
    TMemo* memo_;
};

}  // namespace

void TItemStrings::AddStrings(const QStringList& list)
{
    if (auto* combo = dynamic_cast<TComboStrings*>(this)) {
        combo->Append(list);
        return;
    }
    for (const QString& s : list)
        Add(s);
}

// ---- TLabel --------------------------------------------------------------
TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetBounds(0, 0, 65, 17);
    Handle()->setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

void TLabel::SetAutoSize(bool v)
{
    autoSize_ = v;
    AdjustBounds();
}

void TLabel::SetWordWrap(bool v)
{
    wordWrap_ = v;
    AdjustBounds();
    Invalidate();
}

void TLabel::FontChanged()
{
    TGraphicControl::FontChanged();
    AdjustBounds();
}

void TLabel::AdjustBounds()
{
    if (!autoSize_)
        return;
    QFontMetrics fm(Font()->ToQFont());
    QString text = Caption();
    if (ShowAccelChar)
        text.replace("&&", "\x01").remove('&').replace('\x01', '&');
    if (text.isEmpty())
        text = " ";
    QRect r = wordWrap_ ? fm.boundingRect(QRect(0, 0, std::max(1, Width()), 100000), Qt::TextWordWrap, text)
                        : QRect(0, 0, fm.horizontalAdvance(text), 0);
    int h = wordWrap_ ? r.height() : fm.height() * int(std::max<qsizetype>(1, text.count('\n') + 1));
    int w = wordWrap_ ? Width() : r.width();
    int l = Left();
    if (!wordWrap_ && alignment_ == taRightJustify)
        l = Left() + Width() - w;
    SetBounds(l, Top(), w, h);
}

void TLabel::Paint()
{
    TCanvas* c = Canvas();
    if (!transparent_) {
        c->Brush.Color = Color();
        c->Brush.Style = bsSolid;
        c->FillRect(ClientRect());
    }
    QPainter* p = c->Painter();
    if (!p)
        return;
    p->setFont(Font()->ToQFont());
    p->setPen(ColorToQColor(Enabled() ? Font()->Color() : clGrayText));
    int flags = alignment_ == taCenter ? Qt::AlignHCenter : alignment_ == taRightJustify ? Qt::AlignRight : Qt::AlignLeft;
    flags |= layout_ == tlCenter ? Qt::AlignVCenter : layout_ == tlBottom ? Qt::AlignBottom : Qt::AlignTop;
    if (wordWrap_)
        flags |= Qt::TextWordWrap;
    if (ShowAccelChar)
        flags |= Qt::TextShowMnemonic;
    p->drawText(QRect(0, 0, Width(), Height()), flags, Caption());
}

// ---- TEdit ---------------------------------------------------------------
TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner)
{
    auto* e = new TLineEdit();
    SetHandle(e);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 21);
    QObject::connect(e, &QLineEdit::textEdited, e, [this, e](const QString& text) {
        // Typed or pasted text follows CharCase.
        if (charCase_ != ecNormal && Cased(text) != text) {
            int pos = e->cursorPosition();
            e->setText(Cased(text));
            e->setCursorPosition(pos);
        }
    });
    QObject::connect(e, &QLineEdit::textChanged, e, [this] {
        Modified = true;
        if (OnChange)
            Dispatch([this] { OnChange(this); });
    });
}

QLineEdit* TEdit::Edit() const { return static_cast<QLineEdit*>(Handle()); }
TLineEdit* TEdit::LineEdit() const { return static_cast<TLineEdit*>(Handle()); }
QString TEdit::GetText() const { return Edit()->text(); }

void TEdit::SetText(const QString& v)
{
    QString text = Cased(v);
    if (Edit()->text() == text)
        return;
    Edit()->setText(text);
    // Lines show from the top, as a new text does in a multi-line edit.
    if (MultiLine())
        Edit()->setCursorPosition(0);
}

void TEdit::SetMultiLine(bool multiLine, bool wordWrap, bool vertScrollBar)
{
    LineEdit()->SetMultiLine(multiLine, wordWrap, vertScrollBar);
}

bool TEdit::MultiLine() const { return LineEdit()->MultiLine(); }

QString TEdit::Cased(const QString& s) const
{
    // Character by character, as the system's edit does: "ß" stays "ß" and
    // the text keeps its length.
    if (charCase_ == ecNormal)
        return s;
    QString out = s;
    for (QChar& c : out)
        c = charCase_ == ecUpperCase ? c.toUpper() : c.toLower();
    return out;
}

void TEdit::SetCharCase(TEditCharCase v)
{
    charCase_ = v;
    SetText(Text());
}

void TEdit::SetBorderStyle(TBorderStyle v)
{
    borderStyle_ = v;
    Edit()->setFrame(v != bsNone);
}

int TEdit::MaxLength() const { return Edit()->maxLength() == 32767 ? 0 : Edit()->maxLength(); }
void TEdit::SetMaxLength(int v) { Edit()->setMaxLength(v <= 0 ? 32767 : v); }
bool TEdit::ReadOnly() const { return Edit()->isReadOnly(); }
void TEdit::SetReadOnly(bool v) { Edit()->setReadOnly(v); }

void TEdit::SetPasswordChar(QChar c)
{
    passwordChar_ = c;
    Edit()->setEchoMode(c.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}

int TEdit::SelStart() const { return Edit()->hasSelectedText() ? Edit()->selectionStart() : Edit()->cursorPosition(); }
void TEdit::SetSelStart(int v) { Edit()->setCursorPosition(v); }
int TEdit::SelLength() const { return int(Edit()->selectedText().size()); }
void TEdit::SetSelLength(int v) { Edit()->setSelection(SelStart(), v); }
QString TEdit::SelText() const { return Edit()->selectedText(); }
void TEdit::SelectAll() { Edit()->selectAll(); }

// ---- TMemo ---------------------------------------------------------------
TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner), lines_(new TMemoStrings(this))
{
    auto* e = new QPlainTextEdit();
    SetHandle(e);
    SetTabStop(true);
    SetColor(clWindow);
    BridgeWidget(e->viewport());
    SetBounds(0, 0, 185, 89);
    SetScrollBars(ssNone);
    QObject::connect(e, &QPlainTextEdit::textChanged, e, [this] {
        Modified = true;
        if (OnChange)
            Dispatch([this] { OnChange(this); });
    });
}

TMemo::~TMemo() { delete lines_; }

QPlainTextEdit* TMemo::Editor() const { return static_cast<QPlainTextEdit*>(Handle()); }
QString TMemo::GetText() const { return Editor()->toPlainText().replace("\n", "\r\n"); }

void TMemo::SetText(const QString& v)
{
    QString t = v;
    t.replace("\r\n", "\n");
    if (Editor()->toPlainText() != t)
        Editor()->setPlainText(t);
}

bool TMemo::ReadOnly() const { return Editor()->isReadOnly(); }
void TMemo::SetReadOnly(bool v) { Editor()->setReadOnly(v); }

void TMemo::SetWordWrap(bool v)
{
    wordWrap_ = v;
    Editor()->setLineWrapMode(v ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::SetScrollBars(TScrollStyle v)
{
    scrollBars_ = v;
    Editor()->setHorizontalScrollBarPolicy(v == ssHorizontal || v == ssBoth ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    Editor()->setVerticalScrollBarPolicy(v == ssVertical || v == ssBoth ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TMemo::SelectAll() { Editor()->selectAll(); }

void TMemo::KeyPress(QChar& Key)
{
    TWinControl::KeyPress(Key);
    if ((Key == '\r' && !WantReturns) || (Key == '\t' && !WantTabs))
        Key = QChar();
    if (!Key.isNull() && ReadOnly())
        return;
    if (!Key.isNull() && MaxLength > 0 && Key.isPrint() && Editor()->toPlainText().size() >= MaxLength)
        Key = QChar();
}

// ---- TButton -------------------------------------------------------------
TButton::TButton(TComponent* AOwner) : TWinControl(AOwner)
{
    auto* b = new QPushButton();
    b->setAutoDefault(false);
    SetHandle(b);
    SetTabStop(true);
    SetBounds(0, 0, 75, 25);
    QObject::connect(b, &QPushButton::clicked, b, [this] { Dispatch([this] { Click(); }); });
}

QPushButton* TButton::Button() const { return static_cast<QPushButton*>(Handle()); }
void TButton::TextChanged() { Button()->setText(Caption()); }

void TButton::SetDefault(bool v)
{
    default_ = v;
    Button()->setDefault(v);
}

void TButton::Click()
{
    if (TCustomForm* form = ParentForm())
        form->ModalResult = ModalResult;
    TWinControl::Click();
}

// ---- TCheckBox -----------------------------------------------------------
TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner)
{
    auto* b = new QCheckBox();
    SetHandle(b);
    SetTabStop(true);
    SetBounds(0, 0, 97, 17);
    QObject::connect(b, &QCheckBox::stateChanged, b, [this](int s) {
        if (syncing_)
            return;
        TCheckBoxState next = s == Qt::Checked ? cbChecked : s == Qt::PartiallyChecked ? cbGrayed : cbUnchecked;
        if (next == cbGrayed && !AllowGrayed)
            next = cbUnchecked;
        SetState(next);
    });
}

QCheckBox* TCheckBox::Box() const { return static_cast<QCheckBox*>(Handle()); }
void TCheckBox::TextChanged() { Box()->setText(Caption()); }

void TCheckBox::SetState(TCheckBoxState v)
{
    Box()->setTristate(AllowGrayed);
    bool changed = v != state_;
    state_ = v;
    syncing_ = true;
    Box()->setCheckState(v == cbChecked ? Qt::Checked : v == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
    syncing_ = false;
    // The framework clicks a check box whenever its state changes.
    if (changed && !Loading())
        Dispatch([this] { Click(); });
}

// ---- TRadioButton --------------------------------------------------------
TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner)
{
    auto* b = new QRadioButton();
    SetHandle(b);
    SetTabStop(true);
    SetBounds(0, 0, 113, 17);
    QObject::connect(b, &QRadioButton::toggled, b, [this](bool on) {
        if (on && !Loading())
            Dispatch([this] { Click(); });
    });
}

QRadioButton* TRadioButton::Radio() const { return static_cast<QRadioButton*>(Handle()); }
void TRadioButton::TextChanged() { Radio()->setText(Caption()); }
bool TRadioButton::Checked() const { return Radio()->isChecked(); }
void TRadioButton::SetChecked(bool v) { Radio()->setChecked(v); }

// ---- TGroupBox -----------------------------------------------------------
TGroupBox::TGroupBox(TComponent* AOwner) : TWinControl(AOwner)
{
    SetHandle(new QGroupBox());
    SetBounds(0, 0, 185, 105);
}

void TGroupBox::TextChanged() { static_cast<QGroupBox*>(Handle())->setTitle(Caption()); }

TRect TGroupBox::AdjustClientRect() const
{
    int top = QFontMetrics(Font()->ToQFont()).height();
    return Rect(2, top, std::max(2, ClientWidth() - 2), std::max(top, ClientHeight() - 2));
}

// ---- TListBox ------------------------------------------------------------
namespace {

// Paints owner-drawn items through the list box; plain items as Qt does.
class TListBoxDelegate : public QStyledItemDelegate {
public:
    TListBoxDelegate(TListBox* box, QObject* parent) : QStyledItemDelegate(parent), box_(box) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (box_->Style() == lbStandard || !box_->CanDispatch()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        TOwnerDrawState state;
        if (option.state & QStyle::State_Selected) state.Include(odSelected);
        if (option.state & QStyle::State_HasFocus) state.Include(odFocused);
        if (!(option.state & QStyle::State_Enabled)) state.Include(odDisabled);
        const QRect& r = option.rect;
        box_->PaintItem(painter, Bounds(r.x(), r.y(), r.width(), r.height()), index.row(), state);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        int width = box_->Columns() > 0 ? box_->ClientWidth() / box_->Columns() : box_->ClientWidth();
        int height = box_->ItemHeight();
        if (box_->Style() == lbOwnerDrawVariable)
            box_->MeasureItem(index.row(), height);
        else if (box_->Style() == lbStandard)
            height = std::max(height, QStyledItemDelegate::sizeHint(option, index).height());
        return QSize(std::max(1, width), std::max(1, height));
    }

private:
    TListBox* box_;
};

}  // namespace

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner), items_(new TListWidgetStrings(this))
{
    auto* l = new QListWidget();
    l->setItemDelegate(new TListBoxDelegate(this, l));
    l->setUniformItemSizes(false);
    SetHandle(l);
    SetTabStop(true);
    SetColor(clWindow);
    BridgeWidget(l->viewport());
    SetBounds(0, 0, 121, 97);
    QObject::connect(l, &QListWidget::itemClicked, l, [this] { Dispatch([this] { Click(); }); });
    QObject::connect(l, &QListWidget::currentRowChanged, l, [this, l] {
        // Keyboard moves click, as in the framework; mouse clicks come above.
        if (l->hasFocus() && !(QGuiApplication::mouseButtons() & Qt::LeftButton))
            Dispatch([this] { Click(); });
    });
}

TListBox::~TListBox()
{
    BeginDestroy();
    delete items_;
}

void TListBox::SetStyle(TListBoxStyle v)
{
    style_ = v;
    UpdateLayout();
}

void TListBox::SetColumns(int v)
{
    columns_ = std::max(0, v);
    UpdateLayout();
}

void TListBox::SetItemHeight(int v)
{
    if (v > 0)
        itemHeight_ = v;
    UpdateLayout();
}

void TListBox::Resize()
{
    TWinControl::Resize();
    UpdateLayout();
}

void TListBox::UpdateLayout()
{
    QListWidget* l = List();
    l->setFlow(QListView::TopToBottom);
    l->setWrapping(columns_ > 0);
    l->setResizeMode(QListView::Adjust);
    l->setHorizontalScrollBarPolicy(columns_ > 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    l->setSpacing(0);
    l->doItemsLayout();
    l->viewport()->update();
}

TRect TListBox::ItemRect(int Index) const
{
    if (Index < 0 || Index >= Count())
        return {};
    QRect r = List()->visualItemRect(List()->item(Index));
    return Bounds(r.x(), r.y(), r.width(), r.height());
}

int TListBox::ItemAtPos(TPoint Pos, bool Existing) const
{
    QListWidgetItem* item = List()->itemAt(Pos.X, Pos.Y);
    if (item)
        return List()->row(item);
    return Existing ? -1 : Count();
}

void TListBox::PaintItem(QPainter* painter, const TRect& rect, int index, TOwnerDrawState state)
{
    canvas_.BeginWith(painter);
    canvas_.Font.Assign(Font());
    canvas_.Brush.Style = bsSolid;
    canvas_.Brush.Color = Color();
    if (state.Contains(odSelected)) {
        canvas_.Brush.Color = clHighlight;
        canvas_.Font.SetColor(clHighlightText);
    }
    painter->setClipRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()));
    Dispatch([&] { DrawItem(index, rect, state); });
    canvas_.Release();
}

void TListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State)
{
    if (OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    canvas_.FillRect(Rect);
    if (Index >= 0 && Index < Count())
        canvas_.TextOut(Rect.Left + 2, Rect.Top, items_->Get(Index));
}

void TListBox::MeasureItem(int Index, int& Height)
{
    if (OnMeasureItem)
        OnMeasureItem(this, Index, Height);
}

QListWidget* TListBox::List() const { return static_cast<QListWidget*>(Handle()); }
int TListBox::ItemIndex() const { return List()->currentRow(); }

void TListBox::SetItemIndex(int v)
{
    QSignalBlocker block(List());
    List()->setCurrentRow(v < 0 || v >= Count() ? -1 : v);
    if (v < 0)
        List()->clearSelection();
}

bool TListBox::Selected(int i) const
{
    if (i < 0 || i >= Count())
        throw EListError("Listenindex überschreitet das Maximum");
    return List()->item(i)->isSelected();
}

void TListBox::SetSelected(int i, bool v)
{
    if (i < 0 || i >= Count())
        throw EListError("Listenindex überschreitet das Maximum");
    List()->item(i)->setSelected(v);
}

int TListBox::SelCount() const { return multiSelect_ ? int(List()->selectedItems().size()) : -1; }

void TListBox::SetMultiSelect(bool v)
{
    multiSelect_ = v;
    List()->setSelectionMode(v ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TListBox::SetSorted(bool v)
{
    sorted_ = v;
    List()->setSortingEnabled(v);
    if (v)
        List()->sortItems();
}

int TListBox::TopIndex() const
{
    QListWidgetItem* item = List()->itemAt(2, 2);
    return item ? List()->row(item) : 0;
}

void TListBox::SetTopIndex(int v)
{
    if (v >= 0 && v < Count())
        List()->scrollToItem(List()->item(v), QAbstractItemView::PositionAtTop);
}

// ---- TComboBox -----------------------------------------------------------
TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner), items_(new TComboStrings(this))
{
    auto* c = new QComboBox();
    c->setInsertPolicy(QComboBox::NoInsert);
    SetHandle(c);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 145, 21);
    SetStyle(csDropDown);
    SetDropDownCount(8);
    // A choice by the user clicks and changes; code that sets ItemIndex does not.
    QObject::connect(c, &QComboBox::activated, c, [this] {
        Dispatch([this] { Click(); });
        if (OnChange && CanDispatch())
            Dispatch([this] { OnChange(this); });
    });
}

TComboBox::~TComboBox() { delete items_; }

QComboBox* TComboBox::Combo() const { return static_cast<QComboBox*>(Handle()); }

void TComboBox::SetStyle(TComboBoxStyle v)
{
    style_ = v;
    QComboBox* c = Combo();
    bool editable = v == csDropDown || v == csSimple;
    if (c->isEditable() == editable)
        return;
    c->setEditable(editable);
    if (editable) {
        BridgeWidget(c->lineEdit());
        QObject::connect(c->lineEdit(), &QLineEdit::textEdited, c, [this] {
            if (OnChange)
                Dispatch([this] { OnChange(this); });
        });
    }
}

int TComboBox::ItemIndex() const { return Combo()->currentIndex(); }

void TComboBox::SetItemIndex(int v)
{
    QSignalBlocker block(Combo());
    Combo()->setCurrentIndex(v < 0 || v >= Combo()->count() ? -1 : v);
    if (v < 0 && Combo()->isEditable())
        Combo()->setEditText(QString());
}

QString TComboBox::GetText() const { return Combo()->currentText(); }

void TComboBox::SetText(const QString& v)
{
    QSignalBlocker block(Combo());
    if (Combo()->isEditable()) {
        int i = Combo()->findText(v, Qt::MatchFixedString);
        if (i >= 0 && Combo()->itemText(i) == v)
            Combo()->setCurrentIndex(i);
        Combo()->setEditText(v);
    } else {
        Combo()->setCurrentIndex(Combo()->findText(v, Qt::MatchFixedString));
    }
}

int TComboBox::DropDownCount() const { return Combo()->maxVisibleItems(); }
void TComboBox::SetDropDownCount(int v) { Combo()->setMaxVisibleItems(std::max(1, v)); }

void TComboBox::SetSorted(bool v)
{
    sorted_ = v;
    if (v) {
        QStringList l = items_->ToStringList();
        l.sort(Qt::CaseInsensitive);
        items_->Assign(l);
    }
}

int TComboBox::MaxLength() const { return Combo()->lineEdit() ? Combo()->lineEdit()->maxLength() : 0; }

void TComboBox::SetMaxLength(int v)
{
    if (Combo()->lineEdit())
        Combo()->lineEdit()->setMaxLength(v <= 0 ? 32767 : v);
}

bool TComboBox::DroppedDown() const { return Combo()->view() && Combo()->view()->isVisible(); }

void TComboBox::SetDroppedDown(bool v)
{
    if (v) {
        if (OnDropDown)
            Dispatch([this] { OnDropDown(this); });
        Combo()->showPopup();
    } else {
        Combo()->hidePopup();
    }
}

void TComboBox::Clear()
{
    items_->Clear();
    SetItemIndex(-1);
}

// ---- TScrollBar ----------------------------------------------------------
TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner)
{
    auto* b = new QScrollBar(Qt::Horizontal);
    b->setRange(0, 100);
    b->setSingleStep(1);
    b->setPageStep(1);
    SetHandle(b);
    SetTabStop(true);
    SetBounds(0, 0, 121, 16);
    QObject::connect(b, &QScrollBar::valueChanged, b, [this] {
        if (OnChange)
            Dispatch([this] { OnChange(this); });
    });
}

QScrollBar* TScrollBar::Bar() const { return static_cast<QScrollBar*>(Handle()); }

void TScrollBar::SetKind(TScrollBarKind v)
{
    kind_ = v;
    Bar()->setOrientation(v == sbHorizontal ? Qt::Horizontal : Qt::Vertical);
}

int TScrollBar::Min() const { return Bar()->minimum(); }
int TScrollBar::Max() const { return Bar()->maximum(); }
int TScrollBar::Position() const { return Bar()->value(); }
void TScrollBar::SetMin(int v) { Bar()->setMinimum(v); }
void TScrollBar::SetMax(int v) { Bar()->setMaximum(v); }
void TScrollBar::SetPosition(int v) { Bar()->setValue(v); }

void TScrollBar::SetParams(int APosition, int AMin, int AMax)
{
    Bar()->setRange(AMin, AMax);
    Bar()->setValue(APosition);
}

int TScrollBar::SmallChange() const { return Bar()->singleStep(); }
void TScrollBar::SetSmallChange(int v) { Bar()->setSingleStep(v); }
int TScrollBar::LargeChange() const { return Bar()->pageStep(); }
void TScrollBar::SetLargeChange(int v) { Bar()->setPageStep(v); }
int TScrollBar::PageSize() const { return Bar()->pageStep(); }
void TScrollBar::SetPageSize(int v) { Bar()->setPageStep(v); }
