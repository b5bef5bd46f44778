#include "datacontrols/dk_incremental_search.h"

#include "datagrid/dk_field_info.h"
#include "datagrid/dk_messages.h"
#include "datagrid/dk_strings.h"
#include "datagrid/dk_table.h"
#include "datagrid/incremental_find.h"
#include "platform/data/table.h"

TdkIncrementalSearch::TdkIncrementalSearch(TComponent* AOwner) : TEdit(AOwner), timer_(new TTimer(this))
{
    timer_->SetEnabled(false);
    timer_->SetInterval(delay_);
    timer_->OnTimer = [this](TObject* sender) { SearchTimerTick(sender); };
    SetText(QString());
}

TdkIncrementalSearch::~TdkIncrementalSearch()
{
    timer_->SetEnabled(false);
    link_.SetDataSource(nullptr);
}

void TdkIncrementalSearch::ClearSearch()
{
    SetText(QString());
    lastSearch_.clear();
}

void TdkIncrementalSearch::KeyUp(Word& Key, TShiftState Shift)
{
    TEdit::KeyUp(Key, Shift);
    if (Text() == lastSearch_)
        return;
    const bool editsText = Key == VK_BACK || Key == VK_SPACE || Key == VK_DELETE || (Key >= 48 && Key <= 111) ||
                           Key > 145;
    if (!editsText)
        return;
    if (ShowMatchText && (Key == VK_BACK || Key == VK_DELETE)) {
        // Deleting the shown completion is no new search; an emptied box
        // shows the whole table again.
        auto* table = dynamic_cast<TdkTable*>(link_.DataSet());
        if (table && table->NarrowSearch && Text().isEmpty())
            table->ReopenKeepColumns();
        return;
    }
    timer_->SetEnabled(false);
    if (!DataSource()) {
        dkShowWarning(QStringLiteral("DataSource not defined - object ") + Name);
        return;
    }
    TDataSet* ds = link_.DataSet();
    if (!ds) {
        dkShowWarning(QStringLiteral("Dataset not defined for DataSource"));
        return;
    }
    auto* table = dynamic_cast<TTable*>(ds);
    if (ds->Active() && !dkIsClassNamed(ds, QStringLiteral("TdkClientDataSet")) && table &&
        !table->Database()->IsSQLBased())
        timer_->SetInterval(delay_ / 2);
    timer_->SetEnabled(true);
}

void TdkIncrementalSearch::SearchTimerTick(TObject* Sender)
{
    (void)Sender;
    if (!timer_->Enabled())
        return;
    timer_->SetEnabled(false);
    const QString text = Text();
    if (text != lastSearch_) {
        DoSearch();
        lastSearch_ = text;
    }
}

QString TdkIncrementalSearch::ExpressionIndexField() const
{
    auto* table = dynamic_cast<TTable*>(link_.DataSet());
    if (!table || !(table->TableType() == ttDBase || table->TableName().endsWith(QStringLiteral(".DBF"), Qt::CaseInsensitive)))
        return QString();
    TIndexDefs& defs = table->IndexDefs();
    const int i = defs.IndexOf(table->IndexName());
    if (i < 0 || !(defs.Items(i).Options & ixExpression))
        return QString();
    if (!searchField_.isEmpty())
        return searchField_;
    const QString expression = defs.Items(i).Expression.toUpper();
    // Words from position 1 on; each call moves past its word.
    for (int pos = 1; pos <= expression.size();) {
        const QString word = dkStrNextWord(expression, pos, dkwSkipBlanks, QStringLiteral("()*+-/"));
        if (!word.isEmpty() && table->FindField(word))
            return word;
    }
    return QString();
}

bool TdkIncrementalSearch::SearchByField(TDataSet* dataSet, QString& field)
{
    if (field.isEmpty() && dataSet->FieldCount() > 0)
        field = dataSet->Fields(0)->FieldName;
    return dkLocateFieldValue(dataSet, Text(), field, mtPartialMatchStart, false);
}

void TdkIncrementalSearch::DoSearch()
{
    TDataSet* ds = link_.DataSet();
    if (!DataSource() || !ds || !ds->Active())
        return;
    const QString text = Text();
    QString field = searchField_;
    bool found = false;
    if (auto* table = dynamic_cast<TTable*>(ds)) {
        const bool withQuery = dkIsTableWithQuery(ds);
        if (!withQuery && table->IndexDefs().Count() == 0)
            table->IndexDefs().Update();
        const QString expressionField = withQuery && table->IndexFieldCount() == 0 ? QString() : ExpressionIndexField();
        if (withQuery && table->IndexFieldCount() == 0) {
            found = SearchByField(ds, field);
        } else if (TField* key = expressionField.isEmpty() ? nullptr : table->FindField(expressionField)) {
            if (!dkIsValidFieldText(key, text))
                return;
            table->EditKey();
            key->SetAsString(text);
            table->GotoNearest();
            found = key->AsString().toUpper().startsWith(text.toUpper());
            field = expressionField;
        } else if (table->IndexFieldCount() > 0) {
            int keyPosition = 0;
            if (!searchField_.isEmpty())
                for (int i = 0; i < table->IndexFieldCount(); ++i)
                    if (table->IndexFields(i)->FieldName.toLower() == searchField_.toLower())
                        keyPosition = i;
            found = dkIncrementalFind(table, text, keyPosition);
        } else {
            found = SearchByField(ds, field);
        }
    } else {
        found = SearchByField(ds, field);
    }
    if (OnAfterSearch)
        OnAfterSearch(this, found);
    if (ShowMatchText && found)
        ShowMatch(ds, field);
}

void TdkIncrementalSearch::ShowMatch(TDataSet* dataSet, const QString& field)
{
    TField* shown = field.isEmpty() ? nullptr : dataSet->FindField(field);
    auto* table = dynamic_cast<TTable*>(dataSet);
    if (!shown && table && table->IndexFieldCount() > 0)
        shown = table->IndexFields(0);
    if (!shown)
        return;
    const int typed = static_cast<int>(Text().size());
    const QString value = shown->AsString();
    SetText(value);
    SetSelStart(typed);
    SetSelLength(std::max(0, static_cast<int>(value.size()) - typed));
}
