#pragma once
// TdkTable: the table dataset of every album table. A TTable that adds the
// field-info lists the grid and the edit controls read (ControlType,
// PictureMasks, LookupFields, LookupLinks), picture-mask validation before
// each post, a local filter (filter-expression lines and a per-record
// callback that Esc can stop), a query text in place of the table name,
// index choice from field names, key searches for the lookup controls and
// the lookup tables of its lookup fields.

#include "datagrid/dk_filter.h"
#include "datagrid/dk_published_lists.h"
#include "platform/core/streams.h"
#include "platform/core/string_list.h"
#include "platform/data/table.h"

#include <QVariantList>

#include <functional>
#include <memory>

class TdkTable;
using TdkTableFilterEvent = std::function<void(TdkTable* Table, bool& Accept)>;
// The filter application of filter-expression text (text empty: remove the
// filter); force re-applies an unchanged text. Answers false and sets error
// when the text is refused.
using TdkFilterApplier = std::function<bool(TdkTable* Table, const QString& text, bool force, QString& error)>;
// Replaces the filter application (dkApplyFilter) when set; tests use it.
void dkSetFilterApplier(TdkFilterApplier applier);

class TdkTable : public TTable, public TdkPublishedLists {
public:
    TdkTable();
    ~TdkTable() override;

    // The filter and query lines.
    const TStringList& dkFilter() const { return dkFilter_; }
    // Copies the lines and re-applies the filter on an active table.
    void SetdkFilter(const TStringList& lines);
    const TStringList& Query() const { return query_; }
    void SetQuery(const TStringList& lines);

    QString TableName() const { return TTable::TableName(); }
    // A non-empty name clears Query.
    void SetTableName(const QString& name);

    bool SyncSQLByRange = true;
    bool NarrowSearch = false;
    uint16_t NarrowSearchUpperChar = 255;
    bool ValidateWithMask = true;
    TDataSetNotifyEvent OnFilterEscape;
    const TdkTableFilterEvent& OnFilter() const { return onFilter_; }
    void SetOnFilter(TdkTableFilterEvent callback);
    void SetOnFilterOptions(TdkOnFilterOptions options) override;

    bool IsDBFTable() const;
    bool IsParadoxTable() const;
    bool ParadoxFlag() const { return paradox_; }
    QString QueryLanguage() const { return queryLanguage_; }

    QString BuildFilterText() const;
    bool ApplyFilter();
    // Why the last ApplyFilter failed.
    QString FilterError() const { return filterError_; }

    void SetIndexByName(const QString& name);
    bool SetIndexFromColumnList(const TStringList& columns);
    bool SetIndexForFields(const QString& names);
    QString FindIndexForFields(const QString& names);
    bool MatchIndex(const QString& names, bool caseSensitive, bool exact, QString& indexName);
    bool FindKeyValues(const QVariantList& values);
    // Incremental search on the current index (keyIndex: the key field typed).
    bool FindNearestValue(const QString& value, int keyIndex = 0);
    bool LocateFieldValue(const QString& value, const QString& fieldName, TdkLocateMatchType matchType,
                          bool caseSensitive);
    void ReopenKeepColumns();
    void RefreshIndexDefs();
    QString GetParadoxPicture(const QString& fieldName);

    // Raised around lookups and searches; the data-aware controls ignore
    // the moves they cause.
    int BusyCount() const { return busy_; }
    void IncBusy() { ++busy_; }
    void DecBusy() { --busy_; }

    // Set by controls: see FindKeyValues and SetIndexForFields.
    bool RangeLookups = false;
    bool SkipMasterPrefix = false;
    // Called by the destructor; every registered flag is set true then.
    std::function<void()> OnDestruction;
    void AddDestructionFlag(bool* flag) { destructionFlags_.push_back(flag); }
    void RemoveDestructionFlag(bool* flag) { std::erase(destructionFlags_, flag); }

    // Lookup tables opened for this table's lookup fields (freed on close).
    TdkLookupTableList& LookupCursors() { return lookupCursors_; }
    void FreeLookupCursors();
    // State of this table as a lookup table of another one.
    QString LookupLinkEntry;
    bool LookupSearched = false;
    bool LookupFound = false;
    bool LookupSearching = false;

    // TdkPublished (besides the shared lists): "dkFilter", "Query" and the
    // table's Boolean properties.
    TStringList* PublishedStrings(const QString& name) override;
    bool PublishedBoolean(const QString& name, bool& value) override;

    // The record buffer size of the open cursor (for the memo stream).
    int RecordSize() const { return props_.iRecBufSize; }

protected:
    void OpenCursor() override;
    void CloseCursor() override;
    hDBICur CreateHandle() override;
    void PrepareCursor() override;
    void DoBeforePost() override;
    void DoOnCalcFields() override;

private:
    bool RecordFilter();
    bool CarriesValues(const QVariantList& values) const;
    void ShowFilterFailure();
    hDBICur RunQuery();

    TStringList dkFilter_, query_;
    TStringList paradoxPictures_;
    bool paradoxPicturesPending_ = true;
    TdkTableFilterEvent onFilter_;
    bool paradox_ = false;
    QString queryLanguage_;
    std::vector<bool*> destructionFlags_;
    bool filteringOnOpen_ = false;
    bool destroying_ = false;
    int busy_ = 0;
    QString filterError_;
    uint32_t exprFilter_ = 0;  // expression filter handle
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// A read-only stream over the memo field of a dataset's current record,
// byte for byte (binary memos hold zero bytes).
class TdkMemoStream : public TStream {
public:
    TdkMemoStream(TField* field, int mode = fmOpenRead);
    ~TdkMemoStream() override;
    int64_t Read(void* buffer, int64_t count) override;
    // Writes nothing.
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return GetBlobSize(); }
    void SetSize(int64_t size) override { (void)size; }
    int64_t GetBlobSize();
    bool Opened() const { return opened_; }

private:
    TField* field_;
    TDataSet* dataSet_;
    std::vector<uint8_t> record_;
    int fieldNo_;
    int64_t position_ = 0;
    bool opened_ = false;
};
