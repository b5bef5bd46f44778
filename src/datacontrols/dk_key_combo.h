#pragma once
// TdkKeyCombo: a drop-down list of the indexes of the table behind a data
// source, each shown by the label of its first field (" - Desc" added for a
// descending index) or, with ShowAllIndexes, by its name. Choosing an entry
// makes that index the table's current order.

#include "platform/data/data_source.h"
#include "platform/ui/std_ctrls.h"

class TdkKeyCombo;
class TStringList;
class QObject;

class dkKeyDataLink : public TDataLink {
public:
    explicit dkKeyDataLink(TdkKeyCombo* combo) : combo_(combo) {}

protected:
    void ActiveChanged() override;

private:
    TdkKeyCombo* combo_;
};

class TdkKeyCombo : public TComboBox {
public:
    explicit TdkKeyCombo(TComponent* AOwner);
    ~TdkKeyCombo() override;

    TDataSource* DataSource() const { return link_.DataSource(); }
    // Refuses (with a warning) a data source whose dataset has no index
    // information.
    void SetDataSource(TDataSource* source);
    bool ShowAllIndexes() const { return showAllIndexes_; }
    void SetShowAllIndexes(bool v);
    QString PrimaryKeyName = QStringLiteral("PrimaryKey");

    // Refills the list; gridColumns (a grid's Selected list) limits the
    // entries to indexes whose first field the grid shows.
    void FillIndexList(const TStringList* gridColumns = nullptr);
    // Makes the chosen entry's index current, then OnChange.
    void Change();
    // Told after a choice; hides the combo box's own change event.
    TNotifyEvent OnChange;

    bool RefreshPending() const { return refreshPending_; }
    void SetRefreshPending() { refreshPending_ = true; }

private:
    // The dataset when it is a table that can be listed; null after the
    // warning of why not.
    class TTable* ListableTable() const;
    QString PrimaryName() const;
    void SelectEntry(const QString& text);

    dkKeyDataLink link_{this};
    bool showAllIndexes_ = false;
    bool refreshPending_ = true;
    QObject* paintWatcher_ = nullptr;
};
