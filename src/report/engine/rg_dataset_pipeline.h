#pragma once
// TrgBDEPipeline: the data pipeline over a TDataSource and the TDataSet
// behind it (an album table). It reaches the data set only through its own
// data link, so it learns when the source loses its data set, when the data
// set closes and when the table behind it changes.
//
// A data set that is missing or closed counts as an empty range: the
// traversal sees BOF and EOF, field reads answer their defaults and moves do
// nothing. So a data set that closes while a report prints ends the data
// instead of failing, and a field name the data set lacks reads as empty.

#include "report/engine/rg_pipeline.h"

#include "platform/data/data_source.h"

#include <functional>

class TrgBDEDataLink : public TDataLink {
public:
    using THandler = std::function<void(TrgBDEDataLink* Sender)>;
    THandler OnActiveChange, OnDataSetChange, OnTableChange, OnLayoutChange;

protected:
    void ActiveChanged() override;
    // Fires the table change when the table name or the master source of a
    // TTable differs from what was seen last.
    void CheckBrowseMode() override;
    void DataSetChanged() override;
    void LayoutChanged() override;

private:
    static void Fire(const THandler& handler, TrgBDEDataLink* sender)
    {
        if (handler)
            handler(sender);
    }

    QString tableName_;
    TDataSource* masterDataSource_ = nullptr;
};

class TrgBDEPipeline : public TrgDataPipeline {
public:
    explicit TrgBDEPipeline(TComponent* AOwner);
    ~TrgBDEPipeline() override;

    TDataSource* DataSource() const { return dataLink_.DataSource(); }
    void SetDataSource(TDataSource* Source);
    bool OpenDataSource = true;
    bool CloseDataSource = false;

    bool IsDataSetBOF() override;
    bool IsDataSetEOF() override;
    void CloseDataSet() override;
    bool IsActive() override;
    void GotoFirstRecord() override;
    void GotoLastRecord() override;
    void OpenDataSet() override;
    void MoveRecords(int Distance) override;
    void FreeBookmark(TrgBookmark Bookmark) override;
    TrgBookmark GetBookmark() override;
    QString GetDataSetName() override;
    bool GetFieldNames(TStringList* List) override;
    TAlignment GetFieldAlignment(const QString& FieldName) override;
    double GetFieldAsDouble(const QString& FieldName) override;
    TBlobField* GetFieldAsObject(const QString& FieldName) override;
    QString GetFieldAsString(const QString& FieldName) override;
    TrgDataType GetFieldDataType(const QString& FieldName) override;
    int GetFieldDisplayWidth(const QString& FieldName) override;
    bool GetFieldIsCalculated(const QString& FieldName) override;
    int GetFieldSize(const QString& FieldName) override;
    QVariant GetFieldValue(const QString& FieldName) override;
    void GotoBookmark(TrgBookmark Bookmark) override;
    void Edit() override;
    void GetFieldAsStream(const QString& FieldName, TStream& Stream) override;
    void Insert() override;
    bool Locate(const QString& FieldName, const QVariant& Value, TrgLocateOptions Options) override;
    void Post() override;
    void SetFieldFromStream(const QString& FieldName, TStream& Stream) override;
    void SetFieldValue(const QString& FieldName, const QVariant& Value) override;

    void CacheNotify(int Operation, int32_t Page) override;
    bool HasCachedBookmarks() const { return cachedBookmarks_; }
    int32_t LastCachedPage() const { return lastCachedPage_; }

protected:
    // NoRecords, EOF, BOF, has-bookmark (a byte each), bookmark, RecordNo.
    void SaveCacheFields(TrgCacheRecord& Record) override;
    // Restores the flags and RecordNo, then the position: the range's first
    // or last record for a page that began there, else the bookmark.
    void RestoreCacheFields(const TrgCacheRecord& Record) override;

private:
    // The data set behind the source, open or not; nullptr without one.
    TDataSet* LinkedDataSet() const { return dataLink_.DataSet(); }
    // The data set when records can be read from it.
    TDataSet* ReadableDataSet() const;
    // The field of that name of a readable data set; nullptr when none.
    TField* FindDataField(const QString& FieldName) const;
    void FreeCachedBookmarksFrom(int32_t Page);
    void DataLinkActiveChanged();

    TrgBDEDataLink dataLink_;
    // The data set captured by the last OpenDataSet; only compared, never
    // used, since it may be gone.
    TDataSet* openedDataSet_ = nullptr;
    bool cachedBookmarks_ = false;
    int32_t lastCachedPage_ = -1;
};
