#pragma once
// TdkIncrementalSearch: an edit that moves the dataset behind its data
// source to the first record matching the typed text, once the user pauses
// typing (333 ms; 166 ms for a local database table). It searches on the
// current index of a table (or its expression index field), else by field
// with the locate engine.

#include "platform/data/data_source.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"

class TdkIncrementalSearch;
using TdkAfterSearchEvent = std::function<void(TdkIncrementalSearch* Sender, bool MatchFound)>;

class TdkIncrementalSearch : public TEdit {
public:
    explicit TdkIncrementalSearch(TComponent* AOwner);
    ~TdkIncrementalSearch() override;

    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    QString SearchField() const { return searchField_; }
    void SetSearchField(const QString& value) { searchField_ = value; }
    bool ShowMatchText = false;
    TdkAfterSearchEvent OnAfterSearch;

    // Empties the text and forgets the last searched text.
    void ClearSearch();
    // One search for the current text.
    void DoSearch();
    // The tick of the typing pause: searches the text when it changed.
    void SearchTimerTick(TObject* Sender);

    // The field of the table's current expression index that a search
    // fills (SearchField when set); empty when the index is no expression
    // index or names no field.
    QString ExpressionIndexField() const;

    TTimer* SearchTimer() const { return timer_; }
    int SearchDelay() const { return delay_; }
    QString LastSearch() const { return lastSearch_; }

    void KeyUp(Word& Key, TShiftState Shift) override;

private:
    bool SearchByField(TDataSet* dataSet, QString& field);
    void ShowMatch(TDataSet* dataSet, const QString& field);

    TDataLink link_;
    int delay_ = 333;
    TTimer* timer_;
    QString lastSearch_;
    QString searchField_;
};
