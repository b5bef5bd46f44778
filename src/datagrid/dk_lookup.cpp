#include "datagrid/dk_lookup.h"

#include "datagrid/dk_field_info.h"
#include "datagrid/dk_table.h"
#include "platform/core/string_list.h"

namespace {

// The table name of an entry: cut at the first "." for an entry whose
// last part (of six or more) is "N".
QString EntryTableName(const QStringList& parts)
{
    const bool cut = parts.size() >= 6 && parts.last() == u"N";
    return cut ? parts[2].section(u'.', 0, 0) : parts[2];
}

// The key fields of an entry of six or more parts: the sixth part and every
// further part but the last (the flag).
QString EntryKeyFields(const QStringList& parts)
{
    if (parts.size() == 6)
        return parts[5];
    return parts.mid(5, parts.size() - 6).join(u';');
}

bool TableMatches(const TdkTable& t, const QStringList& parts)
{
    return t.DatabaseName() == parts[1] && t.TableName().compare(EntryTableName(parts), Qt::CaseInsensitive) == 0;
}

// Every master field of the links exists in the dataset; a missing one
// hides the lookup field.
bool MasterFieldsExist(TDataSet* dataSet, const QStringList& links, const QString& lookupField)
{
    for (int k = 0; k + 1 < links.size(); k += 2)
        if (!dataSet->FindField(links[k])) {
            if (TField* f = dataSet->FindField(lookupField))
                f->SetVisible(false);
            return false;
        }
    return true;
}

}  // namespace

bool dkFindLinkedRecord(TdkTable* LookupTable, const QStringList& Links, TDataSet* MasterDataSet)
{
    if (LookupTable->IndexFieldCount() == 0) {
        if (Links.size() < 2)
            return false;
        TField* master = MasterDataSet->FindField(Links[0]);
        if (!master || !LookupTable->FindField(Links[1]))
            return false;
        return LookupTable->LocateFieldValue(master->AsString(), Links[1], mtExactMatch, false);
    }
    const int n = static_cast<int>(Links.size());
    if (n < 2 || n > 12 || n % 2 != 0)
        return false;
    QVariantList values;
    for (int k = 0; k < n; k += 2) {
        TField* master = MasterDataSet->FindField(Links[k]);
        if (!master)
            return false;
        values << master->AsString();
    }
    return LookupTable->FindKeyValues(values);
}

void dkCalcLookupFields(TDataSet* DataSet, TStringList* LookupFieldsList, TStringList* LinksList,
                        TdkLookupTableList* LookupTables)
{
    if (!DataSet || !LookupFieldsList || !LookupTables)
        return;
    for (auto& t : *LookupTables)
        t->LookupSearched = false;
    for (int i = 0; i < LookupFieldsList->Count(); ++i) {
        const QStringList parts = (*LookupFieldsList)[i].split(u';');
        if (parts.size() < 5)
            continue;
        const QString linkEntry = LinksList && i < LinksList->Count() ? (*LinksList)[i] : QString();
        TdkTable* table = nullptr;
        for (auto& t : *LookupTables)
            if (TableMatches(*t, parts)) {
                table = t.get();
                break;
            }
        if (table) {
            if (!table->Active())
                table->Open();
        } else {
            auto created = std::make_unique<TdkTable>();
            created->SetDatabaseName(parts[1]);
            created->SetTableName(EntryTableName(parts));
            if (parts.size() <= 5) {
                created->SetIndexName(parts[4]);
            } else {
                const QString index = created->FindIndexForFields(EntryKeyFields(parts));
                if (index != u'?')
                    created->SetIndexName(index);
            }
            created->SetReadOnly(true);
            created->Open();
            created->LookupSearched = false;
            created->LookupLinkEntry = linkEntry;
            table = created.get();
            LookupTables->push_back(std::move(created));
        }
        const QStringList links = linkEntry.split(u';');
        if (!MasterFieldsExist(DataSet, links, parts[0]))
            return;
        if (!table->LookupSearched) {
            table->LookupSearching = true;
            bool found = false;
            try {
                found = dkFindLinkedRecord(table, links, DataSet);
            } catch (...) {
                table->LookupSearching = false;
                throw;
            }
            table->LookupSearching = false;
            table->LookupFound = found;
            table->LookupSearched = true;
        }
        TField* field = DataSet->FindField(parts[0]);
        if (!field)
            continue;
        if (!table->LookupFound) {
            field->SetAsString(QString());
            continue;
        }
        TField* display = table->FindField(parts[3]);
        field->SetAsString(display ? display->AsString() : QString());
    }
}

bool dkPrepareLookupTable(TDataSet* DataSet, const QString& FieldName, TdkTable* LookupTable)
{
    TStringList* fields = dkGetLookupFieldsList(DataSet);
    TStringList* links = dkGetLookupLinksList(DataSet);
    if (!fields || !LookupTable)
        return false;
    dkPurgeFieldLists(DataSet, fields, links, dkGetControlTypeList(DataSet));
    const QString tableName = LookupTable->TableName().section(u'.', 0, 0).toUpper();
    for (int i = 0; i < fields->Count(); ++i) {
        const QStringList parts = (*fields)[i].split(u';');
        if (parts.size() < 3 || parts[0] != FieldName || parts[2].section(u'.', 0, 0).toUpper() != tableName)
            continue;
        if (parts.size() <= 5) {
            const QString index = parts.value(4);
            if (index != LookupTable->IndexName())
                LookupTable->SetIndexName(index);
        } else {
            LookupTable->SetIndexForFields(EntryKeyFields(parts));
        }
        const QStringList linkParts = (links && i < links->Count() ? (*links)[i] : QString()).split(u';');
        if (!MasterFieldsExist(DataSet, linkParts, FieldName))
            return false;
        dkFindLinkedRecord(LookupTable, linkParts, DataSet);
        return true;
    }
    return false;
}

bool dkFindLookupRecord(TField* Field, QString& MasterFieldName, QString& DisplayField)
{
    if (!Field)
        return false;
    TDataSet* ds = Field->DataSet();
    TdkLookupTableList* tables = dkGetLookupTableList(ds);
    if (!tables || tables->empty())
        return false;
    QString database, table, links, display;
    dkGetLookupFieldInfo(Field, database, table, links, display);
    for (auto& t : *tables) {
        if (t->DatabaseName() != database || t->TableName() != table ||
            t->LookupLinkEntry.toLower() != links.toLower())
            continue;
        DisplayField = display;
        MasterFieldName = links.section(u';', 0, 0);
        if (TField* master = ds->FindField(MasterFieldName))
            t->FindKeyValues({master->AsString()});
        return true;
    }
    return false;
}
