#include "datagrid/dk_intl.h"

#include "platform/ui/buttons.h"
#include "platform/ui/forms.h"

namespace {

TdkIntl* defaultIntl = nullptr;

}  // namespace

// ---- TdkIntlGroup --------------------------------------------------------
QString TdkIntlGroup::Text(const QString& name) const
{
    for (const auto& [n, t] : entries_)
        if (n == name)
            return t;
    return {};
}

bool TdkIntlGroup::SetText(const QString& name, const QString& text)
{
    for (auto& [n, t] : entries_)
        if (n == name) {
            t = text;
            return true;
        }
    return false;
}

void TdkIntlGroup::Assign(const TPersistent* Source)
{
    if (auto* other = dynamic_cast<const TdkIntlGroup*>(Source))
        for (const auto& [n, t] : other->entries_)
            SetText(n, t);
}

TdkUserMessagesIntl::TdkUserMessagesIntl()
    : TdkIntlGroup({
          {"dkDBGridDiscardChanges", "Discard changes to this record?"},
          {"PictureValidateError", "Invalid characters. Field : "},
          {"LocateNoMatches", "No matches found"},
          {"LocateNoMoreMatches", "No more matches found"},
          {"MemoChangesWarning", "Changes have been made!  Are you sure you wish to cancel?"},
          {"RichEditExitWarning", "Changes have been made!  Do you wish to save your changes?"},
          {"RichEditClearWarning", "Clear entire text?"},
          {"FilterDlgNoCriteria", "You have not selected any search criteria"},
          {"RecordViewExitWarning", "Changes have been made!  Do you wish to save your changes?"},
      })
{
}

TdkSearchDialogIntl::TdkSearchDialogIntl()
    : TdkIntlGroup({
          {"SearchCharLabel", "&Search Characters"},
          {"SearchCharShortLabel", "&Search Char"},
          {"SearchByLabel", "Search &By"},
          {"StatusRecLabel", "Rec #"},
          {"StatusOfLabel", "of"},
          {"SearchCharHint", "Enter characters for incremental search"},
          {"SearchByHint", "Incremental searching and sorting order"},
      })
{
}

TdkLocateDialogIntl::TdkLocateDialogIntl()
    : TdkIntlGroup({
          {"FieldValueLabel", "Field &Value"},
          {"SearchTypeLabel", "&Search Type"},
          {"CaseSensitiveLabel", "&Case-sensitive"},
          {"MatchExactLabel", "&Exact Match"},
          {"MatchStartLabel", "&Partial Match at Beginning"},
          {"MatchAnyLabel", "Partial Match &Anywhere"},
          {"FieldsLabel", "&Fields"},
          {"BtnFirst", "Fi&rst"},
          {"BtnNext", "&Next"},
          {"BtnCancel", "Cancel"},
          {"FieldValueHint", "Enter field's search value"},
          {"CaseSensitiveHint", "Searching is case-sensitive"},
          {"MatchExactHint", "Match occurs only if there is an exact match"},
          {"MatchStartHint", "Match occurs if the start of the field's value matches"},
          {"MatchAnyHint", "Match occurs if any part of the field matches"},
          {"BtnFirstHint", "Find first match"},
          {"BtnNextHint", "Find next match from current record"},
          {"FieldNameHint", "Select the field to search on"},
      })
{
}

TdkFilterDialogIntl::TdkFilterDialogIntl()
    : TdkIntlGroup({
          {"BtnViewSummary", "View Su&mmary"},
          {"BtnViewSummaryHint", "View a summary of the search criteria"},
          {"BtnNewSearch", "&New Search"},
          {"BtnNewSearchHint", "Clear all search criteria"},
          {"FieldOrderLabel", "Field Order"},
          {"FieldOrderHint", "Order in which the fields are listed"},
          {"AlphabeticLabel", "&Alphabetic"},
          {"LogicalLabel", "&Logical"},
          {"AllFieldsLabel", "All Fields"},
          {"SearchedFieldsLabel", "Searched Fields"},
          {"StartingRangeLabel", "&Starting Range"},
          {"EndingRangeLabel", "En&ding Range"},
          {"BtnClearMin", "Clear"},
          {"BtnClearMax", "Clear"},
          {"BtnClearFilterValue", "Clear"},
          {"StartingRangeHint", "Enter the starting value of the range"},
          {"EndingRangeHint", "Enter the ending value of the range"},
          {"BtnClearMinHint", "Clear the starting range"},
          {"BtnClearMaxHint", "Clear the ending range"},
          {"BtnClearFilterValueHint", "Clear the field value"},
          {"ByValueLabel", "By &Value"},
          {"ByRangeLabel", "By &Range"},
          {"FieldValueLabel", "Field &Value"},
          {"FieldValueHint", "Enter the value to search for"},
          {"SearchTypeLabel", "Search &Type"},
          {"SearchTypeHint", "How the field value must match"},
          {"MatchExactLabel", "&Exact Match"},
          {"MatchStartLabel", "&Partial Match at Beginning"},
          {"MatchAnyLabel", "Partial Match Any&where"},
          {"CaseSensitiveLabel", "&Case-sensitive"},
          {"CaseSensitiveHint", "Searching is case-sensitive"},
          {"NonMatchingLabel", "N&on-matching records"},
          {"NonMatchingHint", "Show the records that do not match"},
          {"SummaryFieldLabel", "Field"},
          {"SummarySearchLabel", "Search"},
          {"SummaryValueLabel", "Value"},
          {"FieldsLabel", "&Fields"},
          {"ValueRangeTabHint", "Search by value or by range"},
          {"AllSearchedTabHint", "All fields or the searched fields"},
          {"ViewSummaryNotText", "NOT"},
      })
{
}

TdkRichEditMenuLabels::TdkRichEditMenuLabels()
    : TdkIntlGroup({
          {"FileCaption", "&File"},         {"LoadCaption", "&Load..."},
          {"SaveAsCaption", "Save &As..."}, {"SaveExitCaption", "Save and E&xit"},
          {"PrintCaption", "&Print..."},    {"PageSetupCaption", "Page Set&up..."},
          {"ExitCaption", "E&xit"},         {"EditCaption", "&Edit"},
          {"UndoCaption", "&Undo"},         {"CutCaption", "Cu&t"},
          {"CopyCaption", "&Copy"},         {"PasteCaption", "&Paste"},
          {"ClearCaption", "Cle&ar"},       {"SelectallCaption", "Select &All"},
          {"FindCaption", "&Find..."},      {"FindNextCaption", "Find &Next"},
          {"ReplaceCaption", "&Replace..."}, {"ViewCaption", "&View"},
          {"ToolbarCaption", "&Toolbar"},   {"FormatBarCaption", "&Format Bar"},
          {"ViewStatusBarCaption", "&Status Bar"}, {"OptionsCaption", "&Options..."},
          {"FormatCaption", "F&ormat"},     {"FontCaption", "&Font..."},
          {"BulletStyleCaption", "&Bullet Style"}, {"ParagraphCaption", "&Paragraph..."},
          {"TabsCaption", "&Tabs..."},      {"HelpCaption", "&Help"},
      })
{
}

TdkRichEditPopupMenuLabels::TdkRichEditPopupMenuLabels()
    : TdkIntlGroup({
          {"EditCaption", "&Edit"},   {"CutCaption", "Cu&t"},          {"CopyCaption", "&Copy"},
          {"PasteCaption", "&Paste"}, {"FontCaption", "&Font..."},     {"BulletStyleCaption", "&Bullet Style"},
          {"BoldCaption", "&Bold"},   {"ItalicCaption", "&Italic"},    {"UnderlineCaption", "&Underline"},
          {"ParagraphCaption", "P&aragraph..."}, {"TabsCaption", "&Tabs..."}, {"FindCaption", "&Find..."},
          {"ReplaceCaption", "&Replace..."},
      })
{
}

TdkRichEditParagraphDlg::TdkRichEditParagraphDlg()
    : TdkIntlGroup({
          {"ParagraphDlgCaption", "Paragraph"},
          {"IndentationGroupBoxCaption", "Indentation"},
          {"LeftEditCaption", "&Left"},
          {"RightEditCaption", "&Right"},
          {"FirstLineEditCaption", "&First Line"},
          {"AlignmentCaption", "&Alignment"},
          {"LeftEditHint", "Indentation from the left margin"},
          {"RightEditHint", "Indentation from the right margin"},
          {"FirstLineEditHint", "Indentation of the first line"},
          {"AlignmentHint", "Alignment of the paragraph"},
          {"AlignLeft", "Left"},
          {"AlignRight", "Right"},
          {"AlignCenter", "Center"},
      })
{
}

TdkRichEditTabDlg::TdkRichEditTabDlg()
    : TdkIntlGroup({
          {"TabDlgCaption", "Tabs"},
          {"TabGroupBoxCaption", "Tab Stop Position"},
          {"SetTabButtonCaption", "&Set"},
          {"ClearTabButtonCaption", "&Clear"},
          {"ClearAllButtonCaption", "Clear &All"},
          {"TabPositionEditHint", "Position of the tab stop"},
          {"ListBoxHint", "Tab stops of the paragraph"},
          {"SetButtonHint", "Set the tab stop"},
          {"ClearButtonHint", "Clear the selected tab stop"},
          {"ClearAllButtonHint", "Clear all tab stops"},
      })
{
}

TdkDBRichEditIntl::TdkDBRichEditIntl()
    : TdkIntlGroup({
          {"FontNameComboHint", "Font Name | Changes the font of the selection"},
          {"FontSizeComboHint", "Font Size | Changes the size of the selection"},
          {"NewButtonHint", "New | Clears the text"},
          {"LoadButtonHint", "Load | Loads text from a file"},
          {"SaveAsButtonHint", "Save As | Saves the text to a file"},
          {"PrintButtonHint", "Print | Prints the text"},
          {"FindButtonHint", "Find | Finds text"},
          {"CutButtonHint", "Cut | Cuts the selection to the clipboard"},
          {"CopyButtonHint", "Copy | Copies the selection to the clipboard"},
          {"UndoButtonHint", "Undo | Undoes the last change"},
          {"PasteButtonHint", "Paste | Inserts the clipboard's contents"},
          {"BoldButtonHint", "Bold | Makes the selection bold (toggle)"},
          {"UnderlineButtonHint", "Underline | Underlines the selection (toggle)"},
          {"ItalicButtonHint", "Italic | Makes the selection italic (toggle)"},
          {"LeftButtonHint", "Align Left | Aligns the paragraph left"},
          {"CenterButtonHint", "Center | Centers the paragraph"},
          {"RightButtonHint", "Align Right | Aligns the paragraph right"},
          {"BulletButtonHint", "Bullets | Inserts a bullet (toggle)"},
          {"SaveExitHint", "Save and Exit | Saves the changes and closes the editor"},
          {"PageSetupHint", "Page Setup | Sets the page margins"},
          {"ExitHint", "Exit | Closes the editor"},
          {"ClearHint", "Clear | Clears the whole text"},
          {"SelectAllHint", "Select All | Selects the whole text"},
          {"FindNextHint", "Find Next | Finds the next match"},
          {"ReplaceHint", "Replace | Replaces text"},
          {"ToolbarHint", "Toolbar | Shows or hides the toolbar"},
          {"FormatBarHint", "Format Bar | Shows or hides the format bar"},
          {"ViewStatusBarHint", "Status Bar | Shows or hides the status bar"},
          {"OptionsHint", "Options | Sets the editor's options"},
          {"FontHint", "Font | Changes the font of the selection"},
          {"ParagraphHint", "Paragraph | Sets the paragraph's indentation and alignment"},
          {"TabsHint", "Tabs | Sets the paragraph's tab stops"},
          {"CAPLockCaption", "CAP"},
          {"NUMLockCaption", "NUM"},
      }),
      menu_(std::make_unique<TdkRichEditMenuLabels>()),
      popup_(std::make_unique<TdkRichEditPopupMenuLabels>()),
      paragraph_(std::make_unique<TdkRichEditParagraphDlg>()),
      tab_(std::make_unique<TdkRichEditTabDlg>())
{
}

void TdkDBRichEditIntl::Assign(const TPersistent* Source)
{
    TdkIntlGroup::Assign(Source);
    if (auto* other = dynamic_cast<const TdkDBRichEditIntl*>(Source)) {
        menu_->Assign(other->menu_.get());
        popup_->Assign(other->popup_.get());
        paragraph_->Assign(other->paragraph_.get());
        tab_->Assign(other->tab_.get());
    }
}

// ---- TdkIntl -------------------------------------------------------------
TdkIntl::TdkIntl(TComponent* AOwner)
    : TComponent(AOwner),
      search_(std::make_unique<TdkSearchDialogIntl>()),
      locate_(std::make_unique<TdkLocateDialogIntl>()),
      messages_(std::make_unique<TdkUserMessagesIntl>()),
      filter_(std::make_unique<TdkFilterDialogIntl>()),
      richEdit_(std::make_unique<TdkDBRichEditIntl>())
{
}

TdkIntl::~TdkIntl()
{
    if (defaultIntl == this)
        defaultIntl = nullptr;
}

bool TdkIntl::IsDefault() const { return defaultIntl == this; }

void TdkIntl::SetConnected(bool flag)
{
    connected_ = flag;
    if (flag)
        ApplyToDefault();
}

void TdkIntl::SetCheckBoxInGridStyle(TdkCheckBoxInGridStyle style)
{
    checkStyle_ = style;
    if (connected_ && !IsDefault() && defaultIntl)
        defaultIntl->checkStyle_ = style;
}

void TdkIntl::Loaded()
{
    TComponent::Loaded();
    if (connected_)
        ApplyToDefault();
}

void TdkIntl::ApplyToDefault()
{
    if (IsDefault())
        return;
    TdkIntl* d = dkIntl();
    d->search_->Assign(search_.get());
    d->locate_->Assign(locate_.get());
    d->messages_->Assign(messages_.get());
    d->filter_->Assign(filter_.get());
    d->richEdit_->Assign(richEdit_.get());
    d->BtnOKCaption = BtnOKCaption;
    d->BtnCancelCaption = BtnCancelCaption;
    d->OKCancelBitmapped = OKCancelBitmapped;
    d->DialogFontStyle = DialogFontStyle;
    d->checkStyle_ = checkStyle_;
    d->ReopenKeepColumns = ReopenKeepColumns;
    d->LookupCaseInsensitive = LookupCaseInsensitive;
}

void Dkintl_Initialization()
{
    if (!defaultIntl)
        defaultIntl = new TdkIntl(Application);
}

TdkIntl* dkIntl()
{
    Dkintl_Initialization();
    return defaultIntl;
}

QString dkUserMessage(const QString& name) { return dkIntl()->UserMessages()->Text(name); }

TButton* dkCreateDialogButton(TCustomForm* Dialog, int Kind)
{
    TdkIntl* intl = dkIntl();
    TButton* button;
    if (intl->OKCancelBitmapped) {
        auto* b = new TBitBtn(Dialog);
        b->SetKind(Kind == 1 ? bkOK : Kind == 2 ? bkCancel : bkHelp);
        b->Font()->SetName(QStringLiteral("MS Sans Serif"));
        b->Font()->SetHeight(-11);
        b->Font()->SetStyle(intl->DialogFontStyle);
        button = b;
    } else {
        button = new TButton(Dialog);
    }
    button->SetParent(Dialog);
    if (Kind == 1) {
        button->SetCaption(intl->BtnOKCaption);
        button->ModalResult = mrOk;
    } else if (Kind == 2) {
        button->SetCaption(intl->BtnCancelCaption);
        button->ModalResult = mrCancel;
        button->Cancel = true;
    } else {
        button->SetCaption(QStringLiteral("Help"));
    }
    return button;
}
