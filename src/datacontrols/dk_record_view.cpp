#include "datacontrols/dk_record_view.h"

#include "datacontrols/dk_db_edit.h"
#include "datagrid/dk_field_info.h"
#include "datagrid/dk_intl.h"
#include "datagrid/dk_memo_dialog.h"
#include "datagrid/dk_table.h"
#include "platform/data/dataset.h"
#include "platform/data/field.h"
#include "platform/ui/buttons.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace {

// Frame pieces of the window as the layout counts them.
constexpr int kDlgRahmen = 3;     // dialog frame
constexpr int kThumb = 16;        // scroll bar thumb
constexpr int kMenuHoehe = 20;    // menu bar
constexpr int kNavigatorBreite = 240;

int TextBreite(const TFont& font, const QString& text) { return QFontMetrics(font.ToQFont()).horizontalAdvance(text); }
int TextHoehe(const TFont& font) { return QFontMetrics(font.ToQFont()).height(); }

QString Beschriftung(QString caption) { return caption.replace(QLatin1Char('~'), QLatin1Char(' ')); }

}  // namespace

// ---- TdkLabel, TdkDBCheckBox, TdkDBMemo -------------------------------------

void TdkLabel::Paint()
{
    TLabel::Paint();
    if (!FocusControl || !FocusControl->Handle() || !FocusControl->Handle()->hasFocus())
        return;
    TCanvas* c = Canvas();
    if (!c)
        return;
    c->Pen.Style = psDot;
    c->Pen.Width = 1;
    c->Pen.Color = TColor(0x808080);
    const int r = Width() - 1, b = Height() - 1;
    c->MoveTo(0, 0);
    c->LineTo(0, b);
    c->LineTo(r, b);
    c->LineTo(r, 0);
}

TdkDBCheckBox::TdkDBCheckBox(TComponent* AOwner) : TCheckBox(AOwner)
{
    link_.OnDataChange = [this] { Anzeigen(); };
    link_.OnActiveChange = [this] { Anzeigen(); };
    link_.OnFocusControl = [this] { return TakeFocusForField(this); };
    OnClick = [this](TObject*) { Umschalten(); };
}

TdkDBCheckBox::~TdkDBCheckBox()
{
    BeginDestroy();
    link_.SetDataSource(nullptr);
}

void TdkDBCheckBox::Anzeigen()
{
    zeigt_ = true;
    TField* f = link_.Field();
    // A logical field is ticked by its value; the on and off texts are what
    // a text field holds.
    if (f && f->DataType() == ftBoolean)
        SetChecked(f->AsBoolean());
    else
        SetChecked(f && f->AsString().trimmed().compare(ValueChecked, Qt::CaseInsensitive) == 0);
    zeigt_ = false;
}

void TdkDBCheckBox::Umschalten()
{
    TField* f = link_.Field();
    if (zeigt_)
        return;
    if (ReadOnly) {
        Anzeigen();  // the click is undone: the box shows the field again
        return;
    }
    // The box's new state is taken before the edit starts: starting it
    // shows the record again, which puts the old value back into the box.
    const bool an = Checked();
    if (!f || f->ReadOnly() || !link_.Edit())
        return;
    if (f->DataType() == ftBoolean)
        f->SetAsBoolean(an);
    else
        f->SetAsString(an ? ValueChecked : ValueUnchecked);
}

void TdkDBCheckBox::DoEnter()
{
    if (Label)
        Label->Invalidate();
}

void TdkDBCheckBox::DoExit()
{
    if (Label)
        Label->Invalidate();
}

TdkDBMemo::TdkDBMemo(TComponent* AOwner) : TMemo(AOwner)
{
    link_.OnFocusControl = [this] { return TakeFocusForField(this); };
    link_.OnDataChange = [this] {
        zeigt_ = true;
        SetText(link_.Field() ? link_.Field()->AsString() : QString());
        Modified = false;
        zeigt_ = false;
    };
    link_.OnUpdateData = [this] {
        if (link_.Field())
            link_.Field()->SetAsString(Text());
    };
    OnChange = [this](TObject*) {
        if (zeigt_)
            return;
        // Starting the edit shows the record again; what was typed (and the
        // caret) is put back.
        const QString text = Text();
        const int caret = Editor()->textCursor().position();
        if (link_.Edit()) {
            if (Text() != text) {
                zeigt_ = true;
                SetText(text);
                QTextCursor c = Editor()->textCursor();
                c.setPosition(std::min(caret, int(text.size())));
                Editor()->setTextCursor(c);
                zeigt_ = false;
            }
            link_.Modified();
        }
        Modified = true;
    };
}

TdkDBMemo::~TdkDBMemo()
{
    BeginDestroy();
    link_.SetDataSource(nullptr);
}

TdkRecordViewForm::TdkRecordViewForm(TComponent* AOwner) : TForm(AOwner)
{
    Name = QStringLiteral("dkRecordViewForm");
    SetCaption(QStringLiteral("dkRecordViewForm"));
}

TdkRecordViewForm::~TdkRecordViewForm()
{
    if (Dialog)
        Dialog->GiveBackCustomControls();
}

// ---- TdkRecordViewDialog ------------------------------------------------------

TdkRecordViewDialog::TdkRecordViewDialog(TComponent* AOwner) : TComponent(AOwner) {}

TdkRecordViewDialog::~TdkRecordViewDialog()
{
    BeginDestroy();
    GiveBackCustomControls();
    if (form_) {
        form_->Dialog = nullptr;
        delete form_;
        form_ = nullptr;
    }
}

void TdkRecordViewDialog::DoBeforeCreateControl(TdkRecordViewForm* Form, TField* curField, bool& Accept)
{
    if (OnBeforeCreateControl)
        OnBeforeCreateControl(Form, curField, Accept);
}

void TdkRecordViewDialog::DoAfterCreateControl(TdkRecordViewForm* Form, TField* curField, TControl* Control)
{
    if (OnAfterCreateControl)
        OnAfterCreateControl(Form, curField, Control);
}

void TdkRecordViewDialog::DoInitDialog(TdkRecordViewForm* Form)
{
    if (OnInitDialog)
        OnInitDialog(Form);
}

void TdkRecordViewDialog::DoCloseDialog(TdkRecordViewForm* Form)
{
    if (OnCloseDialog)
        OnCloseDialog(Form);
}

void TdkRecordViewDialog::DoCancelWarning(bool& CanClose)
{
    if (OnCancelWarning)
        OnCancelWarning(form_, CanClose);
}

void TdkRecordViewDialog::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == menu_)
        menu_ = nullptr;
    // A lent control that goes away is not given back; a former parent that
    // goes away takes no control back.
    std::erase_if(borrowed_, [AComponent](const TdkCustomControlItem& i) { return i.Control == AComponent; });
    for (TdkCustomControlItem& i : borrowed_)
        if (i.Parent == AComponent)
            i.Parent = nullptr;
    std::erase(edits_, AComponent);
}

void TdkRecordViewDialog::SetMenu(TMainMenu* menu)
{
    if (menu_ == menu)
        return;
    if (menu_)
        menu_->RemoveFreeNotification(this);
    menu_ = menu;
    if (menu_)
        menu_->FreeNotification(this);
}

void TdkRecordViewDialog::SetFormMenu(TCustomForm* form, TMainMenu* menu)
{
    if (form && menu && menu->Items()->Count() > 0)
        form->SetMenu(menu);
}

bool TdkRecordViewDialog::ControlWantsReturns(const TWinControl* control)
{
    // The data edits and combos publish WantReturns; a memo has its own.
    if (const auto* edit = dynamic_cast<const TdkCustomMaskEdit*>(control))
        return edit->WantReturns;
    const auto* memo = dynamic_cast<const TMemo*>(control);
    return memo && memo->WantReturns;
}

bool TdkRecordViewDialog::ControlWantsTabs(const TWinControl* control)
{
    const auto* memo = dynamic_cast<const TMemo*>(control);
    return memo && memo->WantTabs;
}

bool TdkRecordViewDialog::FindCustomControl(TComponent* OwnerForm, const TField* field, TWinControl*& control) const
{
    control = nullptr;
    TStringList* typen = DataSource() ? dkGetControlTypeList(DataSource()->DataSet()) : nullptr;
    if (!OwnerForm || !field || !typen)
        return false;
    for (int i = 0; i < typen->Count(); ++i) {
        const QStringList teile = (*typen)[i].split(QLatin1Char(';'));
        if (teile.size() < 2 || teile[0].compare(field->FieldName, Qt::CaseInsensitive) != 0)
            continue;
        if (!dkIsEditControlType(teile[1]) && teile[1] != QLatin1String("RichEdit"))
            continue;
        // "Form.Component" names a component of the form; here that is the owner form.
        const QString name = teile.value(2).section(QLatin1Char('.'), -1).trimmed();
        TComponent* c = name.isEmpty() ? nullptr : OwnerForm->FindComponent(name);
        if (dynamic_cast<TEdit*>(c) || dynamic_cast<TMemo*>(c))
            control = static_cast<TWinControl*>(c);
        return control != nullptr;
    }
    return false;
}

TWinControl* TdkRecordViewDialog::Geliehen(const TField* f) const
{
    TWinControl* c = nullptr;
    if (Options.Contains(rvoUseCustomControls))
        FindCustomControl(dkGetOwnerForm(const_cast<TdkRecordViewDialog*>(this)), f, c);
    return c;
}

bool TdkRecordViewDialog::VolleBreite(const TField* f) const
{
    return f->DataType() == ftMemo || dynamic_cast<TMemo*>(Geliehen(f)) != nullptr;
}

void TdkRecordViewDialog::AddCustomControlItem(TWinControl* control)
{
    TdkCustomControlItem item;
    item.Control = control;
    item.Parent = control->Parent();
    item.Left = control->Left();
    item.Top = control->Top();
    item.Width = control->Width();
    item.Height = control->Height();
    borrowed_.push_back(item);
    control->FreeNotification(this);
    if (item.Parent)
        item.Parent->FreeNotification(this);
}

void TdkRecordViewDialog::GiveBackCustomControls()
{
    // The controls go back to the parent they had: on the program's main
    // window that is the album grid, which shows them as its cell editors.
    const std::vector<TdkCustomControlItem> liste = std::move(borrowed_);
    borrowed_.clear();
    for (const TdkCustomControlItem& i : liste) {
        TWinControl* c = i.Control;
        std::erase(edits_, c);
        c->RemoveFreeNotification(this);
        if (i.Parent)
            i.Parent->RemoveFreeNotification(this);
        c->SetVisible(false);
        c->SetParent(i.Parent);
        c->SetBounds(i.Left, i.Top, i.Width, i.Height);
        if (auto* e = dynamic_cast<TEdit*>(c))
            e->SetBorderStyle(bsNone);
    }
}

bool TdkRecordViewDialog::IsFieldShown(const TField* field) const
{
    if (!field)
        return false;
    if (Options.Contains(rvoHideReadOnly) && field->ReadOnly())
        return false;
    if (Options.Contains(rvoHideCalculated) && field->FieldKind == fkCalculated)
        return false;
    return true;
}

bool TdkRecordViewDialog::GetCheckBoxValues(const TField* field, QString& on, QString& off) const
{
    // Any dataset that publishes the control types serves.
    const TStringList* typen = DataSource() ? dkGetControlTypeList(DataSource()->DataSet()) : nullptr;
    if (!typen || !field)
        return false;
    for (int i = 0; i < typen->Count(); ++i) {
        const QStringList teile = (*typen)[i].split(QLatin1Char(';'));
        if (teile.size() >= 4 && teile[0] == field->FieldName && teile[1] == QLatin1String("CheckBox")) {
            on = teile[2];
            off = teile[3];
            return true;
        }
    }
    return false;
}

std::vector<TdkRecordViewDialog::TEintrag> TdkRecordViewDialog::Eintraege() const
{
    std::vector<TEintrag> liste;
    TDataSet* ds = DataSource()->DataSet();
    if (Selected.Count() == 0) {
        for (int i = 0; i < ds->FieldCount(); ++i)
            liste.push_back({ds->Fields(i), ds->Fields(i)->DisplayWidth(), ds->Fields(i)->DisplayLabel()});
        return liste;
    }
    for (int i = 0; i < Selected.Count(); ++i) {
        const QStringList teile = Selected[i].split(QLatin1Char('\t'));
        TEintrag e;
        e.Feld = ds->FindField(teile.value(0));
        e.Breite = teile.value(1).toInt();
        e.Caption = teile.value(2);
        liste.push_back(e);
    }
    return liste;
}

int TdkRecordViewDialog::EditBreite(int displayWidth) const
{
    return TextBreite(Font, QStringLiteral("0")) * (displayWidth + 1) + 3;
}

bool TdkRecordViewDialog::AnyEditModified() const
{
    for (TWinControl* c : edits_) {
        if (auto* e = dynamic_cast<TEdit*>(c); e && e->Modified)
            return true;
        if (auto* m = dynamic_cast<TMemo*>(c); m && m->Modified)
            return true;
    }
    return false;
}

TControl* TdkRecordViewDialog::Steuerelement(TField* f, TLabel* label, int x, int y, int breite, bool& imLayout)
{
    imLayout = true;
    QString an, aus;
    const bool check = Options.Contains(rvoUseCustomControls) && GetCheckBoxValues(f, an, aus);
    const bool nurLesen = f->ReadOnly() || f->FieldKind == fkCalculated;
    if (check) {
        auto* box = new TdkDBCheckBox(form_);
        box->SetParent(form_->ScrollBox);
        box->ValueChecked = an;
        box->ValueUnchecked = aus;
        box->SetDataSource(DataSource());
        box->SetDataField(f->FieldName);
        box->SetBounds(x, y, 17, 17);
        box->Label = dynamic_cast<TdkLabel*>(label);
        label->FocusControl = box;
        box->SetTabStop(!nurLesen);
        return box;
    }
    if (TWinControl* c = Geliehen(f)) {
        AddCustomControlItem(c);
        label->FocusControl = c;
        c->SetParent(form_->ScrollBox);
        c->SetVisible(true);
        if (!dkSetControlDataSource(c, DataSource()) || !dkSetControlDataField(c, f->FieldName)) {
            imLayout = false;
            return c;
        }
        if (auto* e = dynamic_cast<TEdit*>(c))
            e->SetBorderStyle(bsSingle);
        c->SetBounds(x, y, breite, c->Height());
        edits_.push_back(c);
        return c;
    }
    if (f->DataType() == ftMemo) {
        auto* memo = new TdkDBMemo(form_);
        memo->SetParent(form_->ScrollBox);
        memo->SetDataSource(DataSource());
        memo->SetDataField(f->FieldName);
        if (Options.Contains(rvoEnterToTab))
            memo->WantReturns = false;
        memo->SetBounds(x, y, breite, 2 * TextHoehe(Font) + 8);
        memo->SetEnabled(!f->ReadOnly());
        memo->OnKeyDown = [this, memo](TObject*, Word& Key, TShiftState Shift) { MemoKeyDown(memo, Key, Shift); };
        label->FocusControl = memo;
        edits_.push_back(memo);
        return memo;
    }
    auto* edit = new TdkDBEdit(form_);
    edit->SetParent(form_->ScrollBox);
    edit->SetDataSource(DataSource());
    edit->SetDataField(f->FieldName);
    edit->SetBounds(x, y, breite, edit->Height());
    if (nurLesen) {
        edit->SetColor(ReadOnlyColor);
        edit->SetTabStop(false);
    }
    label->FocusControl = edit;
    edits_.push_back(edit);
    return edit;
}

TLabel* TdkRecordViewDialog::LabelMachen(const TEintrag& e, bool& check)
{
    bool accept = true;
    DoBeforeCreateControl(form_, e.Feld, accept);
    if (!accept)
        return nullptr;
    QString an, aus;
    check = Options.Contains(rvoUseCustomControls) && GetCheckBoxValues(e.Feld, an, aus);
    TLabel* label = check ? new TdkLabel(form_) : new TLabel(form_);
    label->SetParent(form_->ScrollBox);
    label->SetFont(&LabelFont);
    label->SetAutoSize(false);
    label->SetCaption(Beschriftung(e.Caption));
    return label;
}

void TdkRecordViewDialog::LayoutVertikal()
{
    const std::vector<TEintrag> eintraege = Eintraege();
    int l = 0, w = 0;
    for (const TEintrag& e : eintraege)
        if (IsFieldShown(e.Feld)) {
            l = std::max(l, TextBreite(LabelFont, Beschriftung(e.Caption)));
            w = std::max(w, EditBreite(e.Breite));
        }
    editX_ = Margin.LeftOffset + l + EditSpacing.VerticalView.BetweenLabelEdit;
    const int panelLinks = 6;
    const int mindestens = NavigatorBreite() + 14 + Margin.RightOffset;
    int breite = FormPosition.Width > 0 ? std::max(FormPosition.Width, mindestens)
                                        : std::max(panelLinks + editX_ + w + 14 + Margin.RightOffset, mindestens);
    breite = std::min(breite, Screen->WorkAreaWidth() - (Margin.RightOffset + 14));
    const int verfuegbar = breite - (Margin.RightOffset + 20 + editX_);
    int y = Margin.TopOffset;
    int breitestes = 0;
    for (const TEintrag& e : eintraege) {
        if (!IsFieldShown(e.Feld))
            continue;
        bool check = false;
        TLabel* label = LabelMachen(e, check);
        if (!label)
            continue;
        label->SetAlignment(taRightJustify);
        label->SetBounds(Margin.LeftOffset, y + (check ? 1 : 4), l, TextHoehe(LabelFont));
        DoAfterCreateControl(form_, e.Feld, label);

        const int gewuenscht =
            VolleBreite(e.Feld) ? breite - editX_ - (Margin.RightOffset + 20) : EditBreite(e.Breite);
        bool imLayout = true;
        TControl* c = Steuerelement(e.Feld, label, editX_, y, gewuenscht, imLayout);
        if (!imLayout)
            continue;
        const auto breitenRegeln = [&] {
            if (check)
                return;
            if (Options.Contains(rvoShortenEditBox) && c->Width() > verfuegbar)
                c->SetWidth(verfuegbar);
            if (Options.Contains(rvoConsistentEditWidth) && c->Width() < verfuegbar)
                c->SetWidth(verfuegbar);
        };
        breitenRegeln();
        DoAfterCreateControl(form_, e.Feld, c);
        breitenRegeln();
        breitestes = std::max(breitestes, c->Width());
        y += c->Height() + EditSpacing.VerticalView.BetweenRow;
    }
    SetFormMenu(form_, menu_);
    y += Margin.BottomOffset - EditSpacing.VerticalView.BetweenRow;
    int hoehe = FensterHoehe(y);
    if (RollbalkenNoetig(hoehe))
        breite += kThumb;
    BreiteEinpassen(breite, hoehe, panelLinks + editX_ + breitestes + 14 + Margin.RightOffset);
    breite_ = breite;
    hoehe_ = hoehe;
}

void TdkRecordViewDialog::BreiteEinpassen(int& breite, int& hoehe, int noetig) const
{
    // The window is as wide as its widest row needs; where the work area is
    // narrower it is cut and shows a horizontal scroll bar below the rows.
    breite = std::max(breite, noetig);
    if (breite > Screen->WorkAreaWidth()) {
        breite = Screen->WorkAreaWidth();
        hoehe = std::min(hoehe + kThumb, Screen->WorkAreaHeight() - 12);
    }
}

void TdkRecordViewDialog::LayoutHorizontal()
{
    const std::vector<TEintrag> eintraege = Eintraege();
    int w = 0;
    for (const TEintrag& e : eintraege)
        if (IsFieldShown(e.Feld))
            w = std::max(w, EditBreite(e.Breite));
    editX_ = Margin.LeftOffset;
    const int mindestens = NavigatorBreite() + 14 + Margin.RightOffset;
    int breite = FormPosition.Width > 0
                     ? std::max(FormPosition.Width, mindestens)
                     : std::max({6 + editX_ + w + 14 + Margin.RightOffset, mindestens, 400});
    breite = std::min(breite, Screen->WorkAreaWidth() - (Margin.RightOffset + 14));
    const int verfuegbar = breite - 6 - (Margin.RightOffset + 20 + editX_);
    const TdkHorzEditSpacing& sp = EditSpacing.HorizontalView;
    int cx = 0, y = Margin.TopOffset, rh = 0, lh = 0, rechts = 0;
    const auto neueZeile = [&] {
        cx = 0;
        y += sp.BetweenLabelEdit + lh + sp.BetweenRow + rh;
        rh = 0;
    };
    for (const TEintrag& e : eintraege) {
        if (!e.Feld) {
            neueZeile();
            continue;
        }
        if (!IsFieldShown(e.Feld))
            continue;
        const QString caption = Beschriftung(e.Caption);
        int lw = TextBreite(LabelFont, caption);
        const bool volleBreite = VolleBreite(e.Feld) && Options.Contains(rvoMaximizeMemoWidth);
        int ew = volleBreite ? verfuegbar : EditBreite(e.Breite);
        if (cx > 0 && cx + sp.BetweenEditsInRow + std::max(ew, lw + sp.LabelIndent) > verfuegbar)
            neueZeile();
        bool check = false;
        TLabel* label = LabelMachen(e, check);
        if (!label)
            continue;
        label->SetBounds(Margin.LeftOffset + cx + sp.LabelIndent, y, lw, TextHoehe(LabelFont));
        DoAfterCreateControl(form_, e.Feld, label);
        lh = label->Height();
        lw = sp.LabelIndent + lw;
        const int top = y + sp.BetweenLabelEdit + label->Height();
        const int left = volleBreite ? editX_ : editX_ + cx;
        bool imLayout = true;
        TControl* c = Steuerelement(e.Feld, label, left, top, volleBreite ? std::max(w, verfuegbar) : ew, imLayout);
        if (!imLayout)
            continue;
        if (!check && !volleBreite && Options.Contains(rvoShortenEditBox) && c->Width() > verfuegbar)
            c->SetWidth(verfuegbar);
        DoAfterCreateControl(form_, e.Feld, c);
        ew = c->Width();
        rh = std::max(rh, c->Height());
        cx += std::max(ew, lw) + sp.BetweenEditsInRow;
        rechts = std::max(rechts, cx - sp.BetweenEditsInRow);
    }
    SetFormMenu(form_, menu_);
    y += sp.BetweenLabelEdit + rh + lh + Margin.BottomOffset;
    int hoehe = FensterHoehe(y);
    if (RollbalkenNoetig(hoehe))
        breite += kThumb;
    BreiteEinpassen(breite, hoehe, 6 + editX_ + rechts + 14 + Margin.RightOffset);
    breite_ = breite;
    hoehe_ = hoehe;
}

int TdkRecordViewDialog::NavigatorBreite() const { return form_->Navigator ? kNavigatorBreite : 0; }

bool TdkRecordViewDialog::RollbalkenNoetig(int hoehe) const
{
    // The rows no longer fit into the record panel of a window that high.
    return hoehe < noetigeHoehe_ - 21;
}

int TdkRecordViewDialog::FensterHoehe(int y)
{
    // Caption, the navigator's panel above the fields, the rows, the
    // buttons' panel below them, and the menu bar when a menu shows.
    const int oben = form_->NavigatorPanel ? form_->NavigatorPanel->Height() : 0;
    const int unten = form_->UserPanel ? form_->UserPanel->Height() : 0;
    const bool mitMenu = menu_ && form_->BorderStyle() != bsDialog;
    noetigeHoehe_ = 12 + oben + y + 21 + unten + (mitMenu ? kMenuHoehe : 0);
    int hoehe = noetigeHoehe_;
    if (FormPosition.Height > 0)
        hoehe = std::min(FormPosition.Height, hoehe);
    return std::min(hoehe, Screen->WorkAreaHeight() - 12);
}

bool TdkRecordViewDialog::Execute()
{
    if (!DataSource() || !DataSource()->DataSet()) {
        MessageDlg(QStringLiteral("DataSource or DataSource.DataSet not defined."), mtWarning, TMsgDlgButtons{mbOK});
        return false;
    }
    if (!DataSource()->DataSet()->Active()) {
        MessageDlg(QStringLiteral("DataSet must be active."), mtWarning, TMsgDlgButtons{mbOK});
        return false;
    }
    closeReason_ = 2;
    if (form_) {
        form_->BringToFront();
        return false;
    }
    form_ = new TdkRecordViewForm(Application);
    form_->SetBorderStyle(BorderStyle);
    form_->Dialog = this;
    edits_.clear();
    ok_ = cancel_ = nullptr;
    form_->SetCaption(Caption);
    form_->SetFont(&Font);
    form_->KeyPreview = true;
    form_->OnShow = [this](TObject*) {
        form_->ScrollBox->UpdateRange();
        DoInitDialog(form_);
        Screen->SetCursor(crDefault);
    };
    form_->OnCloseQuery = [this](TObject*, bool& CanClose) { FormCloseQuery(CanClose); };
    form_->OnClose = [this](TObject*, TCloseAction& Action) { FormClose(Action); };
    form_->OnKeyDown = [this](TObject*, Word& Key, TShiftState Shift) { FormKeyDown(Key, Shift); };
    form_->OnActivate = [this](TObject*) { FormActivate(); };
    form_->OnDeactivate = [this](TObject*) { FormDeactivate(); };

    if (!Options.Contains(rvoHideNavigator)) {
        form_->NavigatorPanel = new TPanel(form_);
        form_->NavigatorPanel->Name = QStringLiteral("NavigatorPanel");
        form_->NavigatorPanel->SetParent(form_);
        form_->NavigatorPanel->SetAlign(alTop);
        form_->NavigatorPanel->SetHeight(41);
        form_->NavigatorPanel->SetCaption(QString());
        form_->NavigatorPanel->SetTabOrder(0);
        form_->Navigator = new TDBNavigator(form_);
        form_->Navigator->SetParent(form_->NavigatorPanel);
        form_->Navigator->SetBounds(8, 8, kNavigatorBreite, 25);
        form_->Navigator->SetDataSource(DataSource());
        form_->Navigator->SetTabOrder(0);
        form_->Navigator->SetShowHint(true);
        form_->Navigator->SetVisibleButtons(NavigatorVisibleButtons);
    }
    form_->RecordPanel = new TPanel(form_);
    form_->RecordPanel->Name = QStringLiteral("RecordPanel");
    form_->RecordPanel->SetParent(form_);
    form_->RecordPanel->SetAlign(alClient);
    form_->RecordPanel->SetBevelInner(bvLowered);
    form_->RecordPanel->SetBorderWidth(4);
    form_->RecordPanel->SetCaption(QString());
    form_->RecordPanel->SetTabOrder(1);

    if (OKCancelOptions.Contains(rvokShowOKCancel)) {
        form_->UserPanel = new TPanel(form_);
        form_->UserPanel->Name = QStringLiteral("UserPanel");
        form_->UserPanel->SetParent(form_);
        form_->UserPanel->SetAlign(alBottom);
        form_->UserPanel->SetCaption(QString());
        form_->UserPanel->SetTabOrder(0);
        // The buttons' clicks decide the modal result (and the close reason).
        ok_ = dkCreateDialogButton(form_, 1);
        cancel_ = dkCreateDialogButton(form_, 2);
        for (TButton* b : {ok_, cancel_}) {
            b->SetParent(form_->UserPanel);
            b->ModalResult = mrNone;
            b->Cancel = false;
            b->SetTabStop(false);
            b->SetBounds(0, kDlgRahmen + 5, 100, 28);
        }
        ok_->SetDefault(!Options.Contains(rvoEnterToTab));
        ok_->OnClick = [this](TObject* s) { OKButtonClick(s); };
        cancel_->OnClick = [this](TObject* s) { CancelButtonClick(s); };
        form_->UserPanel->SetHeight(ok_->Top() + ok_->Height() + 2 * kDlgRahmen + 10);
    }
    form_->ScrollBox = new TScrollBox(form_);
    form_->ScrollBox->SetParent(form_->RecordPanel);
    form_->ScrollBox->SetBounds(6, 6, form_->ScrollBox->Width(), form_->ScrollBox->Height());
    form_->ScrollBox->SetAlign(alClient);
    form_->ScrollBox->SetTabOrder(0);
    if (auto* rahmen = qobject_cast<QFrame*>(form_->ScrollBox->Handle()))
        rahmen->setFrameShape(QFrame::NoFrame);  // a box without a border

    if (Style == rvsVertical)
        LayoutVertikal();
    else
        LayoutHorizontal();
    for (TWinControl* c : edits_) {
        if (auto* d = dynamic_cast<TdkDBCustomEdit*>(c))
            d->SetModified(false);
        else if (auto* e = dynamic_cast<TEdit*>(c))
            e->Modified = false;
        if (auto* m = dynamic_cast<TMemo*>(c))
            m->Modified = false;
    }
    form_->ScrollBox->UpdateRange();
    const int left = FormPosition.Left > 0 ? FormPosition.Left
                                           : (Screen->WorkAreaWidth() - breite_) / 2 + Screen->WorkAreaLeft();
    const int top = FormPosition.Top > 0 ? FormPosition.Top
                                         : (Screen->WorkAreaHeight() - hoehe_) / 2 + Screen->WorkAreaTop();
    form_->SetBounds(left, top, breite_, hoehe_);
    Einpassen();
    if (ok_) {
        const int pw = form_->UserPanel->Width();
        ok_->SetLeft(pw - 10 - 2 * (ok_->Width() + 13));
        cancel_->SetLeft(pw - 10 - (ok_->Width() + 13));
    }
    form_->OnResize = [this](TObject*) { FormResize(); };

    if (Options.Contains(rvoModalForm)) {
        const TModalResult r = form_->ShowModal();
        GiveBackCustomControls();
        TdkRecordViewForm* f = form_;
        form_ = nullptr;
        delete f;
        return r == mrOk;
    }
    form_->Show();
    // The scrolled area fits the shown viewport (hidden, it has a size of its own).
    form_->ScrollBox->UpdateRange();
    form_->ModalResult = mrCancel;
    return true;
}

void TdkRecordViewDialog::Einpassen()
{
    // The counted frame pieces are those of another platform: the window
    // grows where its panels' real frames would cut the last row or the
    // widest control off, within the work area and unless a size is stored.
    // The scroll box is measured by its own size, as its viewport takes its
    // size only once shown.
    form_->AlignControls();
    form_->RecordPanel->AlignControls();
    TScrollBox* box = form_->ScrollBox;
    int w = 0, h = 0;
    for (int i = 0; i < box->ControlCount(); ++i) {
        const TControl* c = box->Controls(i);
        if (c->Visible()) {
            w = std::max(w, c->Left() + c->Width());
            h = std::max(h, c->Top() + c->Height());
        }
    }
    const auto* area = qobject_cast<const QFrame*>(box->Handle());
    const int rahmen = area ? 2 * area->frameWidth() : 0;
    const int mehrBreite = w + Margin.RightOffset - (box->Width() - rahmen);
    const int mehrHoehe = h + Margin.BottomOffset - (box->Height() - rahmen);
    zugabeBreite_ = 0;
    if (FormPosition.Width <= 0 && mehrBreite > 0) {
        const int vorher = form_->Width();
        form_->SetWidth(std::min(form_->Width() + mehrBreite, Screen->WorkAreaWidth()));
        zugabeBreite_ = form_->Width() - vorher;
    }
    if (FormPosition.Height <= 0 && mehrHoehe > 0)
        form_->SetHeight(std::min(form_->Height() + mehrHoehe, Screen->WorkAreaHeight() - 12));
    box->UpdateRange();
}

void TdkRecordViewDialog::OKButtonClick(TObject*)
{
    closeReason_ = 0;
    if (!form_)
        return;
    form_->ModalResult = mrOk;
    if (!form_->Modal())
        form_->Close();
}

void TdkRecordViewDialog::CancelButtonClick(TObject*)
{
    closeReason_ = 1;
    if (!form_)
        return;
    form_->ModalResult = mrCancel;
    if (!form_->Modal())
        form_->Close();
}

void TdkRecordViewDialog::FormCloseQuery(bool& CanClose)
{
    CanClose = true;
    if (closeReason_ == 0) {
        form_->ModalResult = mrOk;
        return;
    }
    if (closeReason_ == 2 && !Options.Contains(rvoCloseIsCancel))
        form_->ModalResult = mrOk;
    if (form_->ModalResult == mrOk)
        return;
    TDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
    const bool geaendert =
        AnyEditModified() || (OKCancelOptions.Contains(rvokAutoCancelRec) && ds && ds->State() != dsBrowse);
    if (geaendert && Options.Contains(rvoConfirmCancel)) {
        if (OnCancelWarning) {
            DoCancelWarning(CanClose);
            return;
        }
        switch (MessageDlg(dkUserMessage(QStringLiteral("RecordViewExitWarning")), mtConfirmation, mbYesNoCancel)) {
        case mrYes:
            form_->ModalResult = mrOk;
            return;
        case mrNo:
            form_->ModalResult = mrCancel;
            return;
        default:
            CanClose = false;
            return;
        }
    }
    form_->ModalResult = mrCancel;
}

void TdkRecordViewDialog::FormClose(TCloseAction& Action)
{
    DoCloseDialog(form_);
    TDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
    if (ds && ds->Active()) {
        if (OKCancelOptions.Contains(rvokAutoCancelRec) && form_->ModalResult == mrCancel) {
            ds->Cancel();
        } else {
            if (auto* e = dynamic_cast<TdkDBCustomEdit*>(form_->ActiveControl()))
                e->DoExit();
            if (OKCancelOptions.Contains(rvokAutoPostRec) && form_->ModalResult == mrOk)
                ds->CheckBrowseMode();
        }
    }
    form_->SetMenu(nullptr);
    GiveBackCustomControls();
    if (!Options.Contains(rvoModalForm)) {
        Action = caFree;
        form_->Dialog = nullptr;
        form_ = nullptr;
    }
}

void TdkRecordViewDialog::FormKeyDown(Word& Key, TShiftState Shift)
{
    if (Shift.Contains(ssAlt) || !form_)
        return;
    if (Key == VK_RETURN && Shift.Contains(ssCtrl) && Options.Contains(rvoModalForm) &&
        !Options.Contains(rvoEnterToTab)) {
        form_->ModalResult = mrOk;
        return;
    }
    if (Key == VK_ESCAPE) {
        // The active control sees Esc first: an open pick list closes.
        TWinControl* aktiv = form_->ActiveControl();
        if (aktiv)
            aktiv->KeyDown(Key, Shift);
        if (Key != VK_ESCAPE || !form_) {
            Key = 0;
            return;
        }
        Key = 0;
        // A changed edit takes Esc itself and restores its field.
        if (auto* e = dynamic_cast<TdkDBCustomEdit*>(aktiv); e && e->Modified) {
            e->Reset();
            return;
        }
        form_->ModalResult = mrCancel;
        if (!form_->Modal())
            form_->Close();
        return;
    }
    TWinControl* aktiv = form_->ActiveControl();
    if ((Key == VK_RETURN && !ControlWantsReturns(aktiv) && Options.Contains(rvoEnterToTab)) ||
        (Key == VK_TAB && !ControlWantsTabs(aktiv))) {
        Key = 0;
        NextControlLater(Shift.Contains(ssShift));
    }
}

void TdkRecordViewDialog::NextControlLater(bool previous)
{
    // As a posted request: the focus moves once the key is handled.
    QPointer<QWidget> fenster = form_->Handle();
    QTimer::singleShot(0, fenster, [fenster, previous] {
        QWidget* start = QApplication::focusWidget();
        if (!fenster || !start || start->window() != fenster)
            start = fenster;
        // The next widget in the tab chain that takes the focus by Tab and
        // stands shown and enabled in this window.
        QWidget* w = start;
        for (;;) {
            w = previous ? w->previousInFocusChain() : w->nextInFocusChain();
            if (!w || w == start)
                return;
            if (w->window() == fenster && (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !w->focusProxy() &&
                w->isVisibleTo(fenster) && w->isEnabled() && !start->isAncestorOf(w) && !w->isAncestorOf(start))
                break;
        }
        w->setFocus(previous ? Qt::BacktabFocusReason : Qt::TabFocusReason);
    });
}

void TdkRecordViewDialog::FormResize()
{
    if (!form_)
        return;
    const int breite = form_->Width();
    if (Options.Contains(rvoConsistentEditWidth) && Style == rvsVertical) {
        int w = breite - zugabeBreite_ - (editX_ + 20 + Margin.RightOffset);
        if (RollbalkenNoetig(form_->Height()))
            w -= kThumb;
        for (TWinControl* c : edits_)
            c->SetWidth(w);
        // The scrolled area follows, so a narrower window shows no scroll bar
        // for the width the edits had.
        form_->ScrollBox->UpdateRange();
    }
    if (ok_ && cancel_) {
        // The buttons' panel spans the window's client width.
        const int pw = form_->UserPanel->Width();
        const int minimum = ok_->Width() + cancel_->Width() + 31;
        ok_->SetLeft(pw - 10 - 2 * (ok_->Width() + 13));
        cancel_->SetLeft(pw - 10 - (ok_->Width() + 13));
        if (pw - 10 < minimum) {
            ok_->SetLeft(5);
            cancel_->SetLeft(ok_->Width() + 18);
        }
    }
}

void TdkRecordViewDialog::FormDeactivate()
{
    // A window that hides as it closes stays hidden.
    if (!form_ || !form_->Visible() || !Options.Contains(rvoStayOnTopForm) || !form_->Handle()->windowHandle())
        return;
    // Topmost in place: the shown window's flag changes without moving,
    // sizing, hiding or activating it.
    form_->Handle()->windowHandle()->setFlag(Qt::WindowStaysOnTopHint, true);
    if (TWinControl* aktiv = form_->ActiveControl())
        aktiv->Repaint();
    form_->MadeTopmost = true;
}

void TdkRecordViewDialog::FormActivate()
{
    if (!form_ || !form_->MadeTopmost || !form_->Handle()->windowHandle())
        return;
    form_->Handle()->windowHandle()->setFlag(Qt::WindowStaysOnTopHint, false);
    form_->MadeTopmost = false;
}

void TdkRecordViewDialog::MemoKeyDown(TdkDBMemo* memo, Word& Key, TShiftState)
{
    TField* feld = memo->Field();
    if (Key != VK_F2 || !feld)
        return;
    TDataSet* ds = feld->DataSet();
    TdkMemoDialog dialog(this);
    dialog.SetDataSource(memo->DataSource());
    dialog.SetDataField(feld->FieldName);
    dialog.Caption = feld->FieldName;
    const auto* table = dynamic_cast<const TTable*>(ds);
    if (feld->ReadOnly() || (table && table->ReadOnly()))
        dialog.MemoAttributes.Include(mViewOnly);
    // What was typed into the memo goes to the field first: the editor shows it.
    if (memo->Modified && ds && !dialog.MemoAttributes.Contains(mViewOnly)) {
        ds->Edit();
        feld->SetAsString(memo->Text());
    }
    dialog.OnInitDialog = [memo, feld](TdkMemoDlg* d) {
        // The caret stands where it stood in the window's memo.
        QTextCursor caret = d->Memo->Editor()->textCursor();
        caret.setPosition(std::min(memo->Editor()->textCursor().position(),
                                   d->Memo->Editor()->document()->characterCount() - 1));
        d->Memo->Editor()->setTextCursor(caret);
        d->Memo->SetFont(memo->Font());
        d->SetCaption(feld->DisplayLabel());
    };
    dialog.Execute();
    Key = 0;
}
