#include "datacontrols/dk_key_combo.h"

#include "datagrid/dk_field_info.h"
#include "datagrid/dk_messages.h"
#include "datagrid/dk_table.h"
#include "datagrid/incremental_find.h"
#include "platform/core/string_list.h"
#include "platform/data/table.h"

#include <QComboBox>
#include <QEvent>

namespace {

const QString kDescSuffix = QStringLiteral(" - Desc");

// Refills the list before the first paint after the data link became
// active (there is no design time here, so always).
class TPaintWatcher : public QObject {
public:
    TPaintWatcher(TdkKeyCombo* combo, QObject* parent) : QObject(parent), combo_(combo) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && combo_->RefreshPending())
            combo_->FillIndexList();
        return QObject::eventFilter(watched, event);
    }

private:
    TdkKeyCombo* combo_;
};

// The entry of an index: its first field's label (tildes as blanks), with
// " - Desc" for a descending index; empty when its first field is not a
// field of the dataset.
QString FirstFieldLabel(TDataSet* dataSet, const TIndexDef& def)
{
    const QString first = def.Fields.section(u';', 0, 0);
    if (first.isEmpty() || !dkDataSetHasField(dataSet, first))
        return QString();
    TField* field = dataSet->FindField(first);
    return field ? QString(field->DisplayLabel()).replace(u'~', u' ') : QString();
}

QString EntryOf(const QString& label, const TIndexDef& def)
{
    return (def.Options & ixDescending) ? label + kDescSuffix : label;
}

}  // namespace

void dkKeyDataLink::ActiveChanged()
{
    if (combo_ && Active())
        combo_->SetRefreshPending();
}

TdkKeyCombo::TdkKeyCombo(TComponent* AOwner) : TComboBox(AOwner)
{
    SetStyle(csDropDownList);
    paintWatcher_ = new TPaintWatcher(this, Handle());
    Handle()->installEventFilter(paintWatcher_);
    TComboBox::OnChange = [this](TObject*) { Change(); };
}

TdkKeyCombo::~TdkKeyCombo()
{
    if (Handle())
        Handle()->removeEventFilter(paintWatcher_);
    link_.SetDataSource(nullptr);
}

void TdkKeyCombo::SetDataSource(TDataSource* source)
{
    if (source && source->DataSet() && !dynamic_cast<TTable*>(source->DataSet())) {
        dkShowWarning(QStringLiteral("DataSource must point to a dataset containing index information."));
        return;
    }
    link_.SetDataSource(source);
    if (link_.Active())
        refreshPending_ = true;
}

void TdkKeyCombo::SetShowAllIndexes(bool v)
{
    showAllIndexes_ = v;
    if (DataSource())
        FillIndexList();
}

QString TdkKeyCombo::PrimaryName() const
{
    return PrimaryKeyName.isEmpty() ? QStringLiteral("PrimaryKey") : PrimaryKeyName;
}

TTable* TdkKeyCombo::ListableTable() const
{
    TDataSet* ds = link_.DataSet();
    auto* table = dynamic_cast<TTable*>(ds);
    if (!table) {
        dkShowWarning(QStringLiteral("TdkKeyCombo: Virtual DataSet does not have index information available."));
        return nullptr;
    }
    if (dkIsTableWithQuery(ds)) {
        dkShowWarning(QStringLiteral("TdkKeyCombo: DataSet cannot be a TdkTable using a Query."));
        return nullptr;
    }
    return table;
}

void TdkKeyCombo::SelectEntry(const QString& text)
{
    int found = -1;
    for (int i = 0; i < Items()->Count(); ++i)
        if (Items()->Get(i) == text)
            found = i;
    SetItemIndex(found);
}

void TdkKeyCombo::FillIndexList(const TStringList* gridColumns)
{
    if (!DataSource() || !link_.DataSet())
        return;
    TTable* table = ListableTable();
    if (!table)
        return;
    if (table->MasterSource()) {
        dkShowWarning(QStringLiteral("TdkKeyCombo: Data Source can not be a child table.\rComponent ") + Name +
                      QStringLiteral(" has a MasterSource defined."));
        return;
    }
    refreshPending_ = false;
    Items()->Clear();
    TIndexDefs& defs = table->IndexDefs();
    defs.Update();
    if (showAllIndexes_) {
        for (int i = 0; i < defs.Count(); ++i)
            Items()->Add(defs.Items(i).Name.isEmpty() ? PrimaryName() : defs.Items(i).Name);
        const QString current = table->IndexName();
        SelectEntry(current.isEmpty() ? PrimaryName() : current);
        return;
    }
    const QString fieldNames = table->IndexFieldNames();
    QString currentEntry;
    for (int i = 0; i < defs.Count(); ++i) {
        const TIndexDef& def = defs.Items(i);
        const QString label = FirstFieldLabel(table, def);
        if (label.isEmpty())
            continue;
        const QString first = def.Fields.section(u';', 0, 0);
        int column = 0;
        const bool shown = gridColumns ? dkFindColumnEntry(gridColumns, first, column)
                                       : table->FindField(first)->Visible();
        if (!shown)
            continue;
        const QString entry = EntryOf(label, def);
        if (!Items()->ToStringList().contains(entry))
            Items()->Add(entry);
        const bool current = fieldNames.isEmpty() ? def.Name.compare(table->IndexName(), Qt::CaseInsensitive) == 0
                                                  : def.Fields.compare(fieldNames, Qt::CaseInsensitive) == 0;
        if (current)
            currentEntry = entry;
    }
    // The current order's own entry: an ascending order does not show as
    // its descending twin.
    SelectEntry(currentEntry);
}

void TdkKeyCombo::Change()
{
    if (!DataSource() || !link_.DataSet())
        return;
    TTable* table = ListableTable();
    if (!table)
        return;
    const QString chosen = Text();
    if (showAllIndexes_) {
        table->SetIndexName(chosen == PrimaryName() ? QString() : chosen);
        if (OnChange)
            OnChange(this);
        return;
    }
    TIndexDefs& defs = table->IndexDefs();
    defs.Update();
    const TIndexDef* match = nullptr;
    for (bool insensitiveOnly : {true, false}) {
        for (int i = 0; i < defs.Count() && !match; ++i) {
            const TIndexDef& def = defs.Items(i);
            if (insensitiveOnly && !(def.Options & ixCaseInsensitive))
                continue;
            const QString label = FirstFieldLabel(table, def);
            if (!label.isEmpty() && EntryOf(label, def) == chosen)
                match = &def;
        }
        if (match)
            break;
    }
    if (match) {
        const TIndexDef def = *match;  // the definitions are re-read by the switch
        dkSetIndexByDef(table, def);
    }
    SelectEntry(chosen);
    if (OnChange)
        OnChange(this);
}
