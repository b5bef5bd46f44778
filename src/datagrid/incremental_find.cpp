#include "datagrid/incremental_find.h"

#include "datagrid/dk_messages.h"
#include "datagrid/dk_strings.h"
#include "datagrid/dk_table.h"
#include "platform/ui/forms.h"

namespace {

bool IsIntegerType(TFieldType t) { return t == ftSmallint || t == ftInteger; }

bool TextFitsKey(TFieldType t, const QString& text)
{
    if (IsIntegerType(t))
        return dkIsIntegerText(text);
    if (t == ftFloat)
        return dkIsFloatText(text);
    if (t == ftDate)
        return dkIsDateText(text);
    return true;
}

// Hourglass and disabled controls around a narrowing search.
class TSearchBracket {
public:
    explicit TSearchBracket(TDataSet* ds) : ds_(ds)
    {
        Screen->SetCursor(crHourGlass);
        ds_->DisableControls();
    }
    ~TSearchBracket()
    {
        ds_->EnableControls();
        Screen->SetCursor(crDefault);
    }

private:
    TDataSet* ds_;
};

}  // namespace

bool dkIncrementalFind(TDataSet* DataSet, const QString& Text, int KeyIndex)
{
    if (!dynamic_cast<TTable*>(DataSet))
        return false;
    auto* table = dynamic_cast<TdkTable*>(DataSet);
    if (!table) {
        dkShowWarning(QStringLiteral("Incremental Search - TTable component not supported. Use TdkTable instead."));
        return false;
    }
    if (table->IndexFieldCount() == 0) {
        dkShowWarning(QStringLiteral("Table ") + table->Name + QStringLiteral(": Table index not found"));
        return false;
    }
    if (KeyIndex < 0 || KeyIndex > 3 || KeyIndex >= table->IndexFieldCount())
        return false;
    TField* key = table->IndexFields(KeyIndex);
    const TFieldType type = key->DataType();
    if (!TextFitsKey(type, Text))
        return false;
    const bool textKey = !IsIntegerType(type) && type != ftFloat && type != ftDate;

    if (!table->NarrowSearch) {
        // A folder database is never a server: the nearest key is sought
        // on the current order.
        QVariantList values;
        for (int i = 0; i < KeyIndex; ++i)
            values << table->IndexFields(i)->AsString();
        values << Text;
        table->FindNearest(values);
    } else {
        TSearchBracket bracket(table);
        if (!textKey) {
            // From the typed value on, with no end.
            table->CancelRange();
            table->SetRangeStart();
            table->IndexFields(0)->SetAsString(Text);
            table->ApplyRange();
        } else if (!Text.isEmpty()) {
            TField* first = table->IndexFields(0);
            const QString upper =
                (Text + QString(first->Size(), QChar(table->NarrowSearchUpperChar))).left(std::max<int>(first->Size(), Text.size()));
            bool descending = false;
            if (table->IndexFieldNames().isEmpty()) {
                TIndexDefs& defs = table->IndexDefs();
                const int i = defs.IndexOf(table->IndexName());
                descending = i >= 0 && (defs.Items(i).Options & ixDescending) != 0;
            }
            if (descending)
                table->SetRange({upper}, {Text});
            else
                table->SetRange({Text}, {upper});
        } else {
            table->ReopenKeepColumns();
        }
    }

    if (table->IsEmpty())
        return false;
    if (type == ftFloat) {
        if (Text.isEmpty())
            return key->AsString().isEmpty();
        double v = 0;
        return TryStrToFloat(Text, v) && key->AsFloat() == v;
    }
    if (IsIntegerType(type))
        return Text == key->AsString();
    return !Text.isEmpty() && key->AsString().toLower().startsWith(Text.toLower());
}

void dkSetIndexByDef(TDataSet* DataSet, const TIndexDef& IndexDef)
{
    auto* table = dynamic_cast<TTable*>(DataSet);
    if (!table)
        return;
    // A folder database is never a server, so the record is not carried
    // over through a range: the order simply changes.
    table->SetIndexName(IndexDef.Name);
}
