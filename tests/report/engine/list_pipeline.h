#pragma once
// A data pipeline over rows of text held in memory, for the engine's tests
// and benchmarks.

#include <QStringList>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <vector>

#include "platform/core/string_list.h"
#include "report/engine/rg_pipeline.h"

// Rows of text fields; positions behave as a data set's do (BOF after the
// first record is reached, EOF after a move past the last one).
class TListPipeline : public TrgDataPipeline {
public:
    TListPipeline(TComponent* Owner, QStringList Names, std::vector<QStringList> Rows)
        : TrgDataPipeline(Owner), names_(std::move(Names)), rows_(std::move(Rows))
    {
    }

    bool FailOpen = false;
    // Details of a master record: the rows are asked for again whenever the
    // pipeline goes to its first record or its position is restored.
    std::function<std::vector<QStringList>()> RowsOfMaster;

    bool IsDataSetBOF() override { return bof_; }
    bool IsDataSetEOF() override { return eof_; }
    // A closed data set reads as an empty range, as the dataset pipeline's does.
    void CloseDataSet() override
    {
        active_ = false;
        bof_ = eof_ = true;
    }
    bool IsActive() override { return active_; }
    void GotoFirstRecord() override
    {
        if (RowsOfMaster)
            rows_ = RowsOfMaster();
        cursor_ = 0;
        bof_ = true;
        eof_ = rows_.empty();
    }
    void GotoLastRecord() override
    {
        cursor_ = std::max(int(rows_.size()) - 1, 0);
        eof_ = true;
        bof_ = rows_.empty();
    }
    void OpenDataSet() override
    {
        if (FailOpen)
            throw std::runtime_error("cannot open");
        active_ = true;
        GotoFirstRecord();
    }
    void MoveRecords(int Distance) override
    {
        for (; Distance > 0; --Distance) {
            if (cursor_ + 1 < int(rows_.size())) {
                ++cursor_;
                bof_ = false;
            } else {
                eof_ = true;
            }
        }
        for (; Distance < 0; ++Distance) {
            if (cursor_ > 0) {
                --cursor_;
                eof_ = false;
            } else {
                bof_ = true;
            }
        }
    }
    void FreeBookmark(TrgBookmark) override {}
    TrgBookmark GetBookmark() override { return TrgBookmark(cursor_ + 1); }
    void GotoBookmark(TrgBookmark Bookmark) override
    {
        cursor_ = int(Bookmark) - 1;
        bof_ = eof_ = false;
    }
    QString GetDataSetName() override { return QStringLiteral("Liste"); }
    bool GetFieldNames(TStringList* List) override
    {
        for (const QString& name : names_)
            List->Add(name);
        return true;
    }
    TAlignment GetFieldAlignment(const QString&) override { return taLeftJustify; }
    double GetFieldAsDouble(const QString& Name) override { return GetFieldAsString(Name).toDouble(); }
    TBlobField* GetFieldAsObject(const QString&) override { return nullptr; }
    QString GetFieldAsString(const QString& Name) override
    {
        const int column = int(names_.indexOf(Name));
        if (column < 0 || rows_.empty() || !active_)
            return {};
        return rows_.at(size_t(cursor_)).value(column);
    }
    TrgDataType GetFieldDataType(const QString&) override { return dtString; }
    int GetFieldDisplayWidth(const QString&) override { return 10; }
    bool GetFieldIsCalculated(const QString&) override { return false; }
    int GetFieldSize(const QString&) override { return 10; }
    QVariant GetFieldValue(const QString& Name) override { return GetFieldAsString(Name); }

protected:
    void SaveCacheFields(TrgCacheRecord& Record) override
    {
        TrgDataPipeline::SaveCacheFields(Record);
        const int at = PipelineRecordOffset();
        Record.PutInt32(at, cursor_);
        Record.PutByte(at + 4, uint8_t((bof_ ? 1 : 0) | (eof_ ? 2 : 0)));
        Record.PutInt32(at + 8, RecordNo());
    }
    void RestoreCacheFields(const TrgCacheRecord& Record) override
    {
        TrgDataPipeline::RestoreCacheFields(Record);
        if (RowsOfMaster)
            rows_ = RowsOfMaster();
        const int at = PipelineRecordOffset();
        cursor_ = Record.GetInt32(at);
        bof_ = Record.GetByte(at + 4) & 1;
        eof_ = Record.GetByte(at + 4) & 2;
        SetRecordNo(Record.GetInt32(at + 8));
        UpdateState();
    }

private:
    QStringList names_;
    std::vector<QStringList> rows_;
    int cursor_ = 0;
    bool bof_ = true, eof_ = true, active_ = false;
};
