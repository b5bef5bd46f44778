#include "datacontrols/dk_locate_dialog.h"

#include "datagrid/dk_field_info.h"
#include "datagrid/dk_intl.h"
#include "datagrid/dk_messages.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"

namespace {

QString LabelText(const QString& label) { return QString(label).replace(u'~', u' '); }

bool ActiveDataSet(TDataSource* source)
{
    return source && source->DataSet() && source->DataSet()->Active();
}

}  // namespace

// ---------------------------------------------------------------------------
// The window
// ---------------------------------------------------------------------------

TdkLocateDlg::TdkLocateDlg(TComponent* AOwner, TdkLocateDialog* Owner, TDataSet* DataSet)
    : TForm(AOwner), dialog_(Owner), dataSet_(DataSet)
{
    Name = QStringLiteral("dkLocateDlg");
    SetCaption(QStringLiteral("Locate Value"));
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    SetClientWidth(212);
    SetClientHeight(238);

    FieldValueGroup = new TGroupBox(this);
    FieldValueGroup->Name = QStringLiteral("FieldValueGroup");
    FieldValueGroup->SetParent(this);
    FieldValueGroup->SetCaption(QStringLiteral("Field &Value"));
    FieldValueGroup->SetBounds(6, 2, 200, 46);
    SearchValue = new TEdit(this);
    SearchValue->Name = QStringLiteral("SearchValue");
    SearchValue->SetParent(FieldValueGroup);
    SearchValue->SetBounds(8, 17, 184, 21);
    SearchValue->SetHint(QStringLiteral("Enter field's search value"));

    SearchTypeGroup = new TGroupBox(this);
    SearchTypeGroup->Name = QStringLiteral("SearchTypeGroup");
    SearchTypeGroup->SetParent(this);
    SearchTypeGroup->SetCaption(QStringLiteral("&Search Type"));
    SearchTypeGroup->SetBounds(6, 50, 200, 102);
    CaseSensitiveCheckBox = new TCheckBox(this);
    CaseSensitiveCheckBox->Name = QStringLiteral("CaseSensitiveCheckBox");
    CaseSensitiveCheckBox->SetParent(SearchTypeGroup);
    CaseSensitiveCheckBox->SetCaption(QStringLiteral("&Case-sensitive"));
    CaseSensitiveCheckBox->SetHint(QStringLiteral("Searching is case-sensitive"));
    CaseSensitiveCheckBox->SetBounds(8, 19, 184, 17);
    Panel1 = new TPanel(this);
    Panel1->Name = QStringLiteral("Panel1");
    Panel1->SetParent(SearchTypeGroup);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->SetBounds(8, 39, 184, 2);
    const struct {
        TRadioButton** button;
        const char* name;
        const char* caption;
        const char* hint;
        int top;
    } radios[] = {
        {&ExactMatchBtn, "ExactMatchBtn", "&Exact Match", "Match occurs only if there is an exact match", 45},
        {&PartialMatchStartBtn, "PartialMatchStartBtn", "&Partial Match at Beginning",
         "Match occurs if the start of the field's value matches", 63},
        {&PartialMatchAnyBtn, "PartialMatchAnyBtn", "Partial Match &Anywhere",
         "Match occurs if any part of the field matches", 81},
    };
    for (const auto& r : radios) {
        *r.button = new TRadioButton(this);
        (*r.button)->Name = QString::fromLatin1(r.name);
        (*r.button)->SetParent(SearchTypeGroup);
        (*r.button)->SetCaption(QString::fromLatin1(r.caption));
        (*r.button)->SetHint(QString::fromLatin1(r.hint));
        (*r.button)->SetBounds(8, r.top, 184, 17);
    }
    PartialMatchStartBtn->SetChecked(true);

    FieldsGroup = new TGroupBox(this);
    FieldsGroup->Name = QStringLiteral("FieldsGroup");
    FieldsGroup->SetParent(this);
    FieldsGroup->SetCaption(QStringLiteral("&Fields"));
    FieldNameComboBox = new TComboBox(this);
    FieldNameComboBox->Name = QStringLiteral("FieldNameComboBox");
    FieldNameComboBox->SetStyle(csDropDownList);
    FieldNameComboBox->SetSorted(true);
    FieldNameComboBox->SetHint(QStringLiteral("Select the field to search on"));
    FieldsGroup->SetBounds(6, 154, 200, 48);
    FieldNameComboBox->SetParent(FieldsGroup);
    FieldNameComboBox->SetBounds(8, 18, 184, 21);

    FirstButton = new TButton(this);
    FirstButton->Name = QStringLiteral("FirstButton");
    FirstButton->SetParent(this);
    FirstButton->SetCaption(QStringLiteral("Fi&rst"));
    FirstButton->SetHint(QStringLiteral("Find first match"));
    FirstButton->SetBounds(6, 206, 57, 27);
    NextButton = new TButton(this);
    NextButton->Name = QStringLiteral("NextButton");
    NextButton->SetParent(this);
    NextButton->SetCaption(QStringLiteral("&Next"));
    NextButton->SetHint(QStringLiteral("Find next match from current record"));
    NextButton->SetBounds(67, 206, 57, 27);
    NextButton->SetDefault(true);

    CancelButton = dkCreateDialogButton(this, 2);
    CancelButton->Name = QStringLiteral("CancelButton");
    CancelButton->SetTabOrder(5);
    const int w = 72 * Screen->PixelsPerInch() / 96, h = 27 * Screen->PixelsPerInch() / 96;
    CancelButton->SetBounds(FieldsGroup->Left() + FieldsGroup->Width() - 1 - w, NextButton->Top(), w, h);

    FirstButton->OnClick = [this](TObject*) { FindFirst(); };
    NextButton->OnClick = [this](TObject*) { FindNextBtnClick(); };
    FieldNameComboBox->OnChange = [this](TObject*) {
        SearchValue->Clear();
        if (!FieldNameComboBox->DroppedDown())
            SearchValue->SetFocus();
    };
    FieldNameComboBox->OnEnter = [this](TObject*) {
        defaultButton_ = FirstButton->Default() ? FirstButton : NextButton->Default() ? NextButton : nullptr;
        if (defaultButton_)
            defaultButton_->SetDefault(false);
    };
    FieldNameComboBox->OnExit = [this](TObject*) {
        if (defaultButton_)
            defaultButton_->SetDefault(true);
        defaultButton_ = nullptr;
    };
    FieldNameComboBox->OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
        if (Key == VK_RETURN && FieldNameComboBox->DroppedDown()) {
            FieldNameComboBox->SetDroppedDown(false);
            SearchValue->SetFocus();
            Key = 0;
        }
    };
    OnShow = [this](TObject*) { FormShow(); };
    SetActiveControl(SearchValue);
}

void TdkLocateDlg::ApplyLocateTexts()
{
    TdkIntl* intl = dkIntl();
    TdkLocateDialogIntl* t = intl->LocateDialog();
    Font()->SetStyle(intl->DialogFontStyle);
    FieldValueGroup->SetCaption(t->Text("FieldValueLabel"));
    SearchTypeGroup->SetCaption(t->Text("SearchTypeLabel"));
    FieldsGroup->SetCaption(t->Text("FieldsLabel"));
    CaseSensitiveCheckBox->SetCaption(t->Text("CaseSensitiveLabel"));
    ExactMatchBtn->SetCaption(t->Text("MatchExactLabel"));
    PartialMatchStartBtn->SetCaption(t->Text("MatchStartLabel"));
    PartialMatchAnyBtn->SetCaption(t->Text("MatchAnyLabel"));
    FirstButton->SetCaption(t->Text("BtnFirst"));
    NextButton->SetCaption(t->Text("BtnNext"));
    CancelButton->SetCaption(t->Text("BtnCancel"));
    SearchValue->SetHint(t->Text("FieldValueHint"));
    CaseSensitiveCheckBox->SetHint(t->Text("CaseSensitiveHint"));
    ExactMatchBtn->SetHint(t->Text("MatchExactHint"));
    PartialMatchStartBtn->SetHint(t->Text("MatchStartHint"));
    PartialMatchAnyBtn->SetHint(t->Text("MatchAnyHint"));
    FirstButton->SetHint(t->Text("BtnFirstHint"));
    NextButton->SetHint(t->Text("BtnNextHint"));
    FieldNameComboBox->SetHint(t->Text("FieldNameHint"));
}

void TdkLocateDlg::FormShow()
{
    ApplyLocateTexts();
    if (dialog_) {
        dialog_->Form = this;
        dialog_->DoInitDialog();
    }
}

TdkLocateMatchType TdkLocateDlg::ChosenMatchType() const
{
    if (ExactMatchBtn->Checked())
        return mtExactMatch;
    if (PartialMatchAnyBtn->Checked())
        return mtPartialMatchAny;
    return mtPartialMatchStart;
}

void TdkLocateDlg::SetChosenMatchType(TdkLocateMatchType MatchType)
{
    (MatchType == mtExactMatch        ? ExactMatchBtn
     : MatchType == mtPartialMatchAny ? PartialMatchAnyBtn
                                      : PartialMatchStartBtn)
        ->SetChecked(true);
}

QString TdkLocateDlg::FieldNameOfLabel(const QString& Label) const
{
    if (!dataSet_)
        return QString();
    const QString wanted = LabelText(Label);
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < dataSet_->FieldCount(); ++i) {
            TField* f = dataSet_->Fields(i);
            if (dkFieldIsCalcOrLookup(f) == (pass == 1) && LabelText(f->DisplayLabel()) == wanted)
                return f->FieldName;
        }
    return QString();
}

bool TdkLocateDlg::DoFind(bool FromFirst)
{
    const QString field = FieldNameOfLabel(FieldNameComboBox->Text());
    if (field.isEmpty() || !dataSet_)
        return false;
    return dkLocateRecord(FromFirst, dataSet_, field, SearchValue->Text(), ChosenMatchType(),
                          CaseSensitiveCheckBox->Checked());
}

void TdkLocateDlg::FindFirst()
{
    if (DoFind(true))
        ModalResult = mrOk;
    else
        dkShowMessage(mtInformation, dkIntl()->UserMessages()->Text("LocateNoMatches"));
}

void TdkLocateDlg::FindNextBtnClick()
{
    if (DoFind(false))
        ModalResult = mrOk;
    else
        dkShowMessage(mtInformation, dkIntl()->UserMessages()->Text("LocateNoMoreMatches"));
}

void TdkLocateDlg::BitBtn1KeyUp(Word& Key)
{
    if (Key == VK_ESCAPE)
        ModalResult = mrCancel;
}

// ---------------------------------------------------------------------------
// The component
// ---------------------------------------------------------------------------

TdkLocateDialog::TdkLocateDialog(TComponent* AOwner) : TComponent(AOwner), link_(std::make_unique<TDataLink>()) {}

TdkLocateDialog::~TdkLocateDialog() = default;

void TdkLocateDialog::DoInitDialog()
{
    if (OnInitDialog)
        OnInitDialog(Form);
}

bool TdkLocateDialog::Execute()
{
    TDataSource* source = DataSource();
    if (!ActiveDataSet(source)) {
        dkShowMessage(mtError, QStringLiteral("DataSource does not reference an active DataSet"));
        return false;
    }
    TDataSet* ds = source->DataSet();
    auto dlg = std::make_unique<TdkLocateDlg>(Application, this, ds);
    TField* searched = SearchField.isEmpty() ? nullptr : ds->FindField(SearchField);
    dlg->FieldNameComboBox->Items()->Clear();
    dlg->FieldNameComboBox->SetSorted(false);
    dlg->NextButton->SetDefault(DefaultButton == dbFindNext);
    dlg->FirstButton->SetDefault(DefaultButton == dbFindFirst);
    for (int i = 0; i < ds->FieldCount(); ++i) {
        TField* f = ds->Fields(i);
        if (f->IsBlob() && f->DataType() != ftMemo)
            continue;
        if (FieldSelection == fsVisibleFields && !f->Visible())
            continue;
        dlg->FieldNameComboBox->Items()->Add(LabelText(f->DisplayLabel()));
    }
    // The list sorts what it holds when it is told to sort.
    dlg->FieldNameComboBox->SetSorted(SortFields != fsSortByFieldNo);
    if (searched) {
        dlg->SearchValue->SetText(FieldValue);
        dlg->FieldNameComboBox->SetItemIndex(
            dlg->FieldNameComboBox->Items()->ToStringList().indexOf(LabelText(searched->DisplayLabel())));
    } else {
        dlg->SearchValue->SetText(QString());
    }
    dlg->CaseSensitiveCheckBox->SetChecked(CaseSensitive);
    dlg->SetChosenMatchType(MatchType);
    dlg->SetCaption(Caption);
    const bool ok = dlg->ShowModal() == mrOk;
    MatchType = dlg->ChosenMatchType();
    CaseSensitive = dlg->CaseSensitiveCheckBox->Checked();
    FieldValue = dlg->SearchValue->Text();
    SearchField = dlg->FieldNameOfLabel(dlg->FieldNameComboBox->Text());
    Form = nullptr;
    return ok;
}

bool TdkLocateDialog::FindValue()
{
    TDataSource* source = DataSource();
    if (!ActiveDataSet(source)) {
        dkShowWarning(QStringLiteral("DataSource does not refer to an active table!"));
        return false;
    }
    if (FieldValue.isEmpty()) {
        DefaultButton = dbFindFirst;
        return Execute();
    }
    const bool found =
        dkLocateRecord(true, source->DataSet(), SearchField, FieldValue, MatchType, CaseSensitive);
    if (!found && ShowMessages)
        dkShowMessage(mtInformation, dkIntl()->UserMessages()->Text("LocateNoMoreMatches"));
    return found;
}
