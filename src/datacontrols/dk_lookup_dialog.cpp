#include "datacontrols/dk_lookup_dialog.h"

#include "datagrid/dk_field_info.h"
#include "datagrid/dk_intl.h"
#include "datagrid/dk_messages.h"
#include "datagrid/dk_table.h"
#include "platform/data/table.h"

#include <QApplication>
#include <QStyle>

namespace {

// The height the window system adds below the client area, as the layout
// counts it.
constexpr int kBottomMargin = 9;

int ScrollThumb() { return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent); }

}  // namespace

TdkLookupDlg::TdkLookupDlg(TComponent* AOwner) : TForm(AOwner)
{
    Name = QStringLiteral("Lookup");
    SetBorderStyle(bsDialog);
    KeyPreview = true;
    SetClientWidth(423);
    SetClientHeight(422);

    dkIncrementalSearch1 = new TdkIncrementalSearch(this);
    dkIncrementalSearch1->Name = QStringLiteral("dkIncrementalSearch1");
    dkIncrementalSearch1->SetParent(this);
    dkIncrementalSearch1->SetBounds(10, 30, 405, 21);
    dkIncrementalSearch1->SetTabOrder(0);
    dkIncrementalSearch1->SetDataSource(&DataSource1);

    SearchCharacterLabel = new TLabel(this);
    SearchCharacterLabel->SetParent(this);
    SearchCharacterLabel->SetBounds(10, 10, 80, 13);
    SearchCharacterLabel->SetCaption(QStringLiteral("&Suchbegriff"));
    SearchCharacterLabel->FocusControl = dkIncrementalSearch1;

    dkKeyCombo1 = new TdkKeyCombo(this);
    dkKeyCombo1->Name = QStringLiteral("dkKeyCombo1");
    dkKeyCombo1->SetParent(this);
    dkKeyCombo1->SetVisible(false);
    dkKeyCombo1->SetTabOrder(2);
    dkKeyCombo1->OnChange = [this](TObject*) { KeyComboChanged(); };

    SortByLabel = new TLabel(this);
    SortByLabel->SetParent(this);
    SortByLabel->SetBounds(10, 59, 80, 13);
    SortByLabel->SetCaption(QStringLiteral("Search &By"));
    SortByLabel->FocusControl = dkKeyCombo1;
    SortByLabel->SetVisible(false);

    dkDBGrid1 = new TdkDBGrid(this);
    dkDBGrid1->Name = QStringLiteral("dkDBGrid1");
    dkDBGrid1->SetParent(this);
    dkDBGrid1->SetBounds(10, 103, 405, 258);
    dkDBGrid1->SetFixedCols(0);
    dkDBGrid1->SetTitleColor(clBtnFace);
    dkDBGrid1->SetTitleLines(1);
    dkDBGrid1->SetTitleButtons(false);
    dkDBGrid1->SetTabOrder(1);
    dkDBGrid1->SetDataSource(&DataSource1);
    dkDBGrid1->OnDblClick = [this](TObject*) { GridDblClick(); };

    StatusHeader = new TPanel(this);
    StatusHeader->SetParent(this);
    StatusHeader->SetVisible(false);

    UserButtonPanel = new TPanel(this);
    UserButtonPanel->SetParent(this);
    UserButtonPanel->SetBevelOuter(bvNone);
    UserButtonPanel->SetVisible(false);
    UserButton1 = new TButton(this);
    UserButton1->SetParent(UserButtonPanel);
    UserButton1->SetBounds(10, 0, 109, 32);
    UserButton1->SetVisible(false);
    UserButton1->OnClick = [this](TObject*) {
        if (OnUserButton1Click)
            OnUserButton1Click(this, LookupTable);
    };
    UserButton2 = new TButton(this);
    UserButton2->SetParent(UserButtonPanel);
    UserButton2->SetBounds(134, 0, 109, 32);
    UserButton2->SetVisible(false);
    UserButton2->OnClick = [this](TObject*) {
        if (OnUserButton2Click)
            OnUserButton2Click(this, LookupTable);
    };

    OKButton = dkCreateDialogButton(this, 1);
    OKButton->SetTabOrder(4);
    OKButton->SetDefault(true);
    CancelButton = dkCreateDialogButton(this, 2);
    CancelButton->SetTabOrder(5);

    OnCloseQuery = [this](TObject*, bool& canClose) {
        if (dkKeyCombo1->DroppedDown()) {
            canClose = false;
            return;
        }
        // The search box finishes its pending work first.
        if (dkIncrementalSearch1->SearchTimer()->Enabled())
            dkIncrementalSearch1->SearchTimerTick(dkIncrementalSearch1);
        if (OnCloseDialog)
            OnCloseDialog(this);
    };
}

TdkLookupDlg::~TdkLookupDlg()
{
    dkIncrementalSearch1->SetDataSource(nullptr);
    dkKeyCombo1->SetDataSource(nullptr);
    dkDBGrid1->SetDataSource(nullptr);
    DataSource1.SetDataSet(nullptr);
}

void TdkLookupDlg::Prepare()
{
    // No order to choose: a dataset without index information, or a table
    // that has no index.
    auto* table = dynamic_cast<TTable*>(LookupTable);
    if (!table || !table->Active() || table->IndexDefs().Count() == 0)
        Options.Exclude(opShowSearchBy);
    const int screenWidth = Screen->Width(), screenHeight = Screen->Height();
    MaxWidth = MaxWidth == 0 ? screenWidth - 40 : std::min(MaxWidth, screenWidth - 40);
    MaxHeight = MaxHeight == 0 ? screenHeight - 200 : std::min(MaxHeight, screenHeight - 200);
    const TRect work = Screen->WorkAreaRect();
    const auto centredTop = [&] { return std::max(0, (work.Top + work.Bottom - (MaxHeight + 200)) / 2); };
    const auto centredLeft = [&] { return (work.Left + work.Right - (MaxWidth + 40)) / 2; };
    SetBounds(centredLeft(), centredTop(), Width(), Height());
    if (OnInitDialog && !shown_) {
        const int width = MaxWidth, height = MaxHeight, left = Left(), top = Top();
        OnInitDialog(this);
        if (MaxWidth != width && Left() == left)
            SetLeft(centredLeft());
        if (MaxHeight != height && Top() == top)
            SetTop(centredTop());
        wantedLeft_ = Left() != left ? Left() : -1;
    }
    DataSource1.SetDataSet(LookupTable);
    TdkSearchDialogIntl* texts = dkIntl()->SearchDialog();
    SearchCharacterLabel->SetCaption(texts->Text(QStringLiteral("SearchCharLabel")));
    SortByLabel->SetCaption(texts->Text(QStringLiteral("SearchByLabel")));
    dkIncrementalSearch1->SetHint(texts->Text(QStringLiteral("SearchCharHint")));
    dkKeyCombo1->SetHint(texts->Text(QStringLiteral("SearchByHint")));
    Font()->SetStyle(dkIntl()->DialogFontStyle);
    ApplyIndexOrder();
    Layout(true);
    if (Options.Contains(opShowSearchBy)) {
        dkKeyCombo1->SetDataSource(&DataSource1);
        dkKeyCombo1->FillIndexList(&dkDBGrid1->Selected());
    }
    // The first activation.
    if (!shown_) {
        shown_ = true;
        SetActiveControl(dkIncrementalSearch1);
        if (!InitialText.isEmpty()) {
            dkIncrementalSearch1->SetText(InitialText);
            if (dkIncrementalSearch1->ShowMatchText)
                dkIncrementalSearch1->DoSearch();
            else
                dkIncrementalSearch1->SetSelStart(static_cast<int>(InitialText.size()));
        }
    }
}

void TdkLookupDlg::ApplyIndexOrder()
{
    auto* table = dynamic_cast<TTable*>(LookupTable);
    const bool useTFields = dkDBGrid1->UseTFields();
    if (!useTFields && !(table && table->IndexFieldCount() > 0) && dkDBGrid1->Selected().Count() > 0)
        dkIncrementalSearch1->SetSearchField(dkDBGrid1->Selected()[0].section(u'\t', 0, 0));
    if (!table)
        return;
    dkIncrementalSearch1->SetSearchField(QString());
    QStringList moved;
    table->DisableControls();
    if (table->IndexFieldCount() > 0 && useTFields) {
        dkApplyColumnsToFields(table, &dkDBGrid1->Selected());
        int position = 0;
        for (int i = 0; i < table->IndexFieldCount(); ++i) {
            TField* f = table->IndexFields(i);
            if (f && f->Visible()) {
                f->SetIndex(position++);
                moved << f->FieldName;
            }
        }
    } else if (table->IndexFieldCount() > 0) {
        TStringList& list = dkDBGrid1->Selected();
        int position = 0;
        for (int i = 0; i < table->IndexFieldCount(); ++i) {
            int k = -1;
            TField* f = table->IndexFields(i);
            if (f && dkFindColumnEntry(&list, f->FieldName, k)) {
                list.Move(k, position++);
                moved << f->FieldName;
            }
        }
        dkDBGrid1->SetSelected(TStringList(list));
    }
    table->EnableControls();
    if (!moved.isEmpty())
        dkIncrementalSearch1->SetSearchField(moved.first());
    else if (!useTFields && dkDBGrid1->Selected().Count() > 0)
        dkIncrementalSearch1->SetSearchField(dkDBGrid1->Selected()[0].section(u'\t', 0, 0));
}

int TdkLookupDlg::ColumnsWidth() const
{
    int width = ScrollThumb() + 1;
    for (int i = 0; i < dkDBGrid1->ColCount(); ++i)
        width += dkDBGrid1->ColWidths(i) + dkDBGrid1->GridLineWidth();
    return width;
}

int TdkLookupDlg::MinimumWidth() const
{
    int minimum = SortByLabel->Left() + SortByLabel->Width() + 3;
    const bool caption1 = !UserButton1->Caption().isEmpty(), caption2 = !UserButton2->Caption().isEmpty();
    if (Options.Contains(opShowOKCancel)) {
        minimum = OKButton->Width() + CancelButton->Width() + 18;
        if (caption1)
            minimum += UserButton1->Width() + 30;
        if (caption2)
            minimum += UserButton2->Width() + 30;
    } else if (caption1 && caption2) {
        minimum = std::max(minimum, UserButton1->Width() + UserButton2->Width() + 35);
    } else if (caption1 || caption2) {
        minimum = std::max(minimum, UserButton1->Width() + 35);
    }
    if (Options.Contains(opShowStatusBar))
        minimum = std::max(minimum, StatusHeader->Width());
    return minimum;
}

void TdkLookupDlg::Layout(bool full)
{
    dkDBGrid1->LayoutChanged();
    int columns = ColumnsWidth();
    const int minimum = MinimumWidth();
    if (columns < minimum && dkDBGrid1->ColCount() > 0) {
        const int last = dkDBGrid1->ColCount() - 1;
        dkDBGrid1->SetColWidths(last, dkDBGrid1->ColWidths(last) + minimum - columns);
        columns = minimum;
    }
    const int gridWidth = std::max(std::min(columns, MaxWidth), minimum);
    const int oldGrid = dkDBGrid1->Width();
    dkDBGrid1->SetBounds(dkDBGrid1->Left(), dkDBGrid1->Top(), gridWidth, MaxHeight);
    SetClientWidth(ClientWidth() + gridWidth - oldGrid);
    dkDBGrid1->SetShowHorzScrollBar(gridWidth < columns);
    dkDBGrid1->AdjustHeightToRows();
    SetLeft(wantedLeft_ >= 0 ? wantedLeft_ : (Screen->Width() - Width()) / 2);
    if (!full)
        return;

    SearchCharacterLabel->SetTop(8);
    dkIncrementalSearch1->SetTop(SearchCharacterLabel->Top() + 13 * Screen->PixelsPerInch() / 96 + 3);
    dkDBGrid1->SetTop(dkIncrementalSearch1->Top() + dkIncrementalSearch1->Height() + 8);
    int y = dkDBGrid1->Top() + dkDBGrid1->Height();
    const bool searchBy = Options.Contains(opShowSearchBy);
    if (searchBy && Options.Contains(opGroupControls)) {
        const int half = (gridWidth - 20) / 2;
        dkIncrementalSearch1->SetWidth(half);
        dkKeyCombo1->SetBounds(dkIncrementalSearch1->Left() + half + 20, dkIncrementalSearch1->Top(), half,
                               dkKeyCombo1->Height());
        SortByLabel->SetBounds(dkKeyCombo1->Left(), SearchCharacterLabel->Top(), SortByLabel->Width(),
                               SortByLabel->Height());
        dkKeyCombo1->SetTabOrder(1);
    } else if (searchBy) {
        dkIncrementalSearch1->SetWidth(gridWidth);
        SortByLabel->SetTop(y + 8);
        dkKeyCombo1->SetBounds(10, SortByLabel->Top() + SortByLabel->Height() + 3, gridWidth, dkKeyCombo1->Height());
        y = dkKeyCombo1->Top() + dkKeyCombo1->Height();
    } else {
        dkIncrementalSearch1->SetWidth(gridWidth);
    }
    SortByLabel->SetVisible(searchBy);
    dkKeyCombo1->SetVisible(searchBy);

    const bool caption1 = !UserButton1->Caption().isEmpty(), caption2 = !UserButton2->Caption().isEmpty();
    int bottom = y;
    if (caption1 || caption2) {
        UserButtonPanel->SetBounds(10, y + 5, gridWidth, 32);
        int right = 0;
        int left = 0;
        for (TButton* b : {UserButton1, UserButton2}) {
            if (b->Caption().isEmpty())
                continue;
            b->SetLeft(left);
            b->SetVisible(true);
            right = b->Left() + b->Width();
            left = right + 15;
        }
        if (Options.Contains(opShowOKCancel))
            UserButtonPanel->SetWidth(right + 10);
        UserButtonPanel->SetVisible(true);
        bottom = UserButtonPanel->Top() + UserButtonPanel->Height();
    }
    OKButton->SetVisible(Options.Contains(opShowOKCancel));
    CancelButton->SetVisible(Options.Contains(opShowOKCancel));
    if (Options.Contains(opShowOKCancel)) {
        OKButton->SetTabStop(true);
        CancelButton->SetTabStop(true);
        const int top = y + 13;
        const int shift = gridWidth == minimum ? 5 : 0;
        const int windowWidth = ClientWidth();
        OKButton->SetBounds(windowWidth - 10 - 2 * (OKButton->Width() + 13) + shift, top, OKButton->Width(),
                            OKButton->Height());
        CancelButton->SetBounds(windowWidth - 10 - (OKButton->Width() + 13) + shift, top, CancelButton->Width(),
                                CancelButton->Height());
        bottom = std::max(bottom, OKButton->Top() + OKButton->Height());
    }
    SetClientHeight(bottom + kBottomMargin);
    if (searchBy && Options.Contains(opGroupControls) &&
        SearchCharacterLabel->Width() > dkIncrementalSearch1->Width())
        SearchCharacterLabel->SetCaption(dkIntl()->SearchDialog()->Text(QStringLiteral("SearchCharShortLabel")));
}

void TdkLookupDlg::KeyComboChanged()
{
    dkIncrementalSearch1->SearchTimer()->SetEnabled(false);
    ApplyIndexOrder();
    Layout(false);
    if (!dkKeyCombo1->DroppedDown())
        SetActiveControl(dkIncrementalSearch1);
}

void TdkLookupDlg::GridDblClick()
{
    if (dkDBGrid1->EditorMode())
        return;
    ModalResult = mrOk;
}

void TdkLookupDlg::KeyDown(Word& Key, TShiftState Shift)
{
    TForm::KeyDown(Key, Shift);
    const bool inKeyCombo = ActiveControl() == dkKeyCombo1;
    if (Key == VK_RETURN && !inKeyCombo) {
        SetActiveControl(OKButton);
        ModalResult = mrOk;
        Key = 0;
    } else if ((Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN) && !inKeyCombo) {
        // Typing and moving the current record mix.
        dkDBGrid1->KeyDown(Key, Shift);
        Key = 0;
    } else if (Key == VK_DOWN && inKeyCombo && !Shift.Contains(ssAlt)) {
        dkKeyCombo1->SetDroppedDown(true);
        Key = 0;
    }
}

bool dkExecuteLookupDialog(TCustomForm* Owner, const TStringList* Selected, TDataSet* Table, bool UseTFields,
                           const QString& InitialText, TdkLookupDlgEvent OnCloseDialog,
                           TdkLookupDlgEvent OnInitDialog, TdkUserButtonClickEvent OnUserButton2Click,
                           TdkUserButtonClickEvent OnUserButton1Click, const QString& UserButton2Caption,
                           const QString& UserButton1Caption, TEditCharCase CharCase, int MaxHeight, int MaxWidth,
                           const QString& Caption, TAlignment GridTitleAlignment, TColor GridColor,
                           TdkDBGridOptions GridOptions, TdkDBLookupDlgOptions Options)
{
    TdkLookupDlg dialog(Application);
    dialog.SetCaption(Caption);
    if (Owner && Owner->FormStyle() == fsStayOnTop)
        dialog.SetFormStyle(fsStayOnTop);
    if (Selected && Selected->Count() > 0) {
        dialog.dkDBGrid1->SetSelected(*Selected);
    } else if (Table && !Table->Active()) {
        dkShowMessage(mtInformation, QStringLiteral("DataSet for this component must be active."));
    } else if (Table) {
        TStringList columns;
        for (int i = 0; i < Table->FieldCount(); ++i) {
            TField* f = Table->Fields(i);
            if (f->Visible())
                columns.Add(f->FieldName + u'\t' + QString::number(f->DisplayWidth()) + u'\t' + f->DisplayLabel() +
                            u'\t' + (dkIsCalcOrLookupField(f) ? QStringLiteral("Yes") : QStringLiteral("No")));
        }
        dialog.dkDBGrid1->SetSelected(columns);
    }
    dialog.dkDBGrid1->SetUseTFields(UseTFields);
    dialog.dkDBGrid1->SetOptions(GridOptions);
    if (GridOptions.Contains(dgMultiSelect))
        dialog.dkDBGrid1->MultiSelectOptions = TdkMultiSelectOptions{msoAutoUnselect, msoShiftSelect};
    dialog.dkDBGrid1->SetColor(GridColor);
    dialog.dkDBGrid1->SetTitleAlignment(GridTitleAlignment);
    if (Selected && Selected->Count() > 0 && UseTFields && Table)
        dkApplyColumnsToFields(Table, Selected);
    dialog.LookupTable = Table;
    dialog.Options = Options;
    dialog.MaxWidth = MaxWidth;
    dialog.MaxHeight = MaxHeight;
    dialog.dkIncrementalSearch1->SetCharCase(CharCase);
    dialog.InitialText = InitialText;
    dialog.OnCloseDialog = std::move(OnCloseDialog);
    dialog.OnInitDialog = std::move(OnInitDialog);
    dialog.OnUserButton1Click = std::move(OnUserButton1Click);
    dialog.OnUserButton2Click = std::move(OnUserButton2Click);
    dialog.dkDBGrid1->SetFixedCols(Options.Contains(opFixFirstColumn) ? 1 : 0);
    dialog.UserButton1->SetCaption(UserButton1Caption);
    dialog.UserButton2->SetCaption(UserButton2Caption);
    dialog.Prepare();
    const bool ok = dialog.ShowModal() == mrOk;
    dialog.DataSource1.SetDataSet(nullptr);
    return ok;
}
