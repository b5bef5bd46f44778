// One work area: a table opened under an alias, its current record and record
// buffer, its position flags (Bof/Eof), its order and its query. Moves go
// through the area's RecordOrder and skip the records its visibility rule
// hides (deleted records when hidden, records outside the query).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dbf/dbf_table.h"
#include "platform/dbf/record_order.h"

namespace dbf {

class WorkArea final : public TableClient {
public:
    WorkArea(int number, std::shared_ptr<DbfTable> table, std::string alias, OpenMode mode,
             int type, bool repaired);
    ~WorkArea() override;
    WorkArea(const WorkArea&) = delete;
    WorkArea& operator=(const WorkArea&) = delete;

    int number() const { return number_; }
    const std::string& alias() const { return alias_; }
    OpenMode mode() const { return mode_; }
    int type() const { return type_; }
    bool repaired() const { return repaired_; }
    DbfTable& table() { return *table_; }
    const std::shared_ptr<DbfTable>& tablePtr() const { return table_; }
    char* buffer() { return buffer_.data(); }
    std::uint32_t recordLength() const { return std::uint32_t(buffer_.size()); }

    // Moves (see dbe.h for the Bof/Eof rules).
    bool GoTop();
    bool GoBottom();
    bool Skip(long n);
    bool Go(std::uint32_t recno);
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }
    std::uint32_t RecNo();
    std::uint32_t RecCount() { return table_->RecordCount(); }

    // Writes the record buffer's image `image` as the current record.
    bool PutRecord(const char* image, std::string& error);
    bool AppendBlank(std::string& error);
    bool SetDeletedFlag(bool deleted, std::string& error);
    bool CanWrite(std::string& error) const;

    const FieldDef* FindField(const char* name) const;
    std::string_view FieldBytes(const FieldDef& field) const
    {
        return std::string_view(buffer_.data() + field.offset, field.width);
    }

    // Orders: the natural order now; index tags slot in here.
    void SetOrder(RecordOrder* order) { order_ = order ? order : &natural_; }
    RecordOrder& order() { return *order_; }

    // Query bitmap: when active, only records whose bit is set are visible.
    bool queryActive() const { return queryActive_; }
    const std::string& queryExpression() const { return queryExpression_; }
    void SetQuery(std::string expression, std::vector<bool> bits);
    void ClearQuery();
    void SetQueryBit(std::uint32_t recno, bool on);
    bool QueryBit(std::uint32_t recno) const;
    // Number of visible records.
    std::uint32_t VisibleCount();

    bool turboRead = false;

    // TableClient
    std::uint32_t CurrentRecord() const override { return eof_ ? 0 : recno_; }
    void RecordRefreshed(const char* image) override;
    void TableRebuilt() override;

private:
    bool Visible(std::uint32_t recno, const char* image) const;
    // Loads `recno` into `scratch_`; false when unreadable.
    bool LoadScratch(std::uint32_t recno);
    // First visible record from `start` walking with next/prev.
    std::uint32_t Seek(std::uint32_t start, bool forward);
    void StandOn(std::uint32_t recno);  // scratch_ holds the record
    void StandOnPhantom();

    int number_;
    std::shared_ptr<DbfTable> table_;
    std::string alias_;
    OpenMode mode_;
    int type_;
    bool repaired_;
    std::vector<char> buffer_;
    std::vector<char> scratch_;
    std::uint32_t recno_ = 0;
    bool bof_ = false;
    bool eof_ = true;
    NaturalOrder natural_;
    RecordOrder* order_;
    bool queryActive_ = false;
    std::string queryExpression_;
    std::vector<bool> queryBits_;
};

}  // namespace dbf
