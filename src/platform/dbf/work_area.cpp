#include "platform/dbf/work_area.h"

#include <algorithm>
#include <cstring>

#include "platform/dbf/engine_settings.h"

namespace dbf {

std::uint32_t NaturalOrder::First() { return table_.RecordCount() > 0 ? 1 : 0; }
std::uint32_t NaturalOrder::Last() { return table_.RecordCount(); }
std::uint32_t NaturalOrder::Next(std::uint32_t current)
{
    return current < table_.RecordCount() ? current + 1 : 0;
}
std::uint32_t NaturalOrder::Prev(std::uint32_t current)
{
    std::uint32_t count = table_.RecordCount();
    if (current > count) return count;
    return current > 1 ? current - 1 : 0;
}

WorkArea::WorkArea(int number, std::shared_ptr<DbfTable> table, std::string alias, OpenMode mode,
                   int type, bool repaired)
    : number_(number),
      table_(std::move(table)),
      alias_(std::move(alias)),
      mode_(mode),
      type_(type),
      repaired_(repaired),
      buffer_(table_->recordLength(), ' '),
      scratch_(table_->recordLength(), ' '),
      natural_(*table_),
      order_(&natural_)
{
    table_->Attach(this);
    GoTop();
}

WorkArea::~WorkArea()
{
    table_->Unlock(0, number_);
    table_->Detach(this);
}

std::uint32_t WorkArea::RecNo()
{
    return eof_ ? table_->RecordCount() + 1 : recno_;
}

bool WorkArea::Visible(std::uint32_t recno, const char* image) const
{
    if (Settings().deleted && image[0] == '*') return false;
    if (queryActive_ && !QueryBit(recno)) return false;
    return true;
}

bool WorkArea::LoadScratch(std::uint32_t recno)
{
    std::string error;
    return table_->ReadRecord(recno, scratch_.data(), error);
}

std::uint32_t WorkArea::Seek(std::uint32_t start, bool forward)
{
    for (std::uint32_t r = start; r != 0; r = forward ? order_->Next(r) : order_->Prev(r)) {
        // The query bit is cheaper than reading the record.
        if (queryActive_ && !QueryBit(r)) continue;
        if (!LoadScratch(r)) return 0;
        if (Visible(r, scratch_.data())) return r;
    }
    return 0;
}

void WorkArea::StandOn(std::uint32_t recno)
{
    recno_ = recno;
    eof_ = false;
    std::copy(scratch_.begin(), scratch_.end(), buffer_.begin());
}

void WorkArea::StandOnPhantom()
{
    eof_ = true;
    recno_ = 0;
    std::fill(buffer_.begin(), buffer_.end(), ' ');
}

bool WorkArea::GoTop()
{
    std::uint32_t r = Seek(order_->First(), true);
    if (r == 0) {
        StandOnPhantom();
        bof_ = true;
        return true;
    }
    StandOn(r);
    bof_ = false;
    return true;
}

bool WorkArea::GoBottom()
{
    std::uint32_t r = Seek(order_->Last(), false);
    if (r == 0) {
        StandOnPhantom();
        bof_ = true;
        return true;
    }
    StandOn(r);
    bof_ = false;
    return true;
}

bool WorkArea::Skip(long n)
{
    if (n == 0) {
        if (!eof_ && LoadScratch(recno_)) StandOn(recno_);
        return true;
    }
    if (n > 0) {
        bof_ = false;
        for (long i = 0; i < n && !eof_; ++i) {
            std::uint32_t r = Seek(order_->Next(recno_), true);
            if (r == 0) {
                StandOnPhantom();
                break;
            }
            StandOn(r);
        }
        return true;
    }
    for (long i = 0; i < -n; ++i) {
        std::uint32_t from = eof_ ? table_->RecordCount() + 1 : recno_;
        std::uint32_t r = Seek(order_->Prev(from), false);
        if (r == 0) {
            // Before the first record: stay on the first visible one.
            GoTop();
            bof_ = true;
            return true;
        }
        StandOn(r);
        bof_ = false;
    }
    return true;
}

bool WorkArea::Go(std::uint32_t recno)
{
    std::uint32_t count = table_->RecordCount();
    if (recno >= 1 && recno <= count && LoadScratch(recno)) {
        StandOn(recno);
        bof_ = false;
        return true;
    }
    StandOnPhantom();
    bof_ = count == 0;
    return false;
}

bool WorkArea::CanWrite(std::string& error) const
{
    if (mode_ == OpenMode::ReadOnly || !table_->writable()) {
        error = "Tabelle " + table_->path() + " ist schreibgeschützt geöffnet";
        return false;
    }
    if (eof_) {
        error = "Kein aktueller Satz (Tabellenende)";
        return false;
    }
    return true;
}

bool WorkArea::PutRecord(const char* image, std::string& error)
{
    if (!CanWrite(error)) return false;
    std::vector<char> next(image, image + buffer_.size());
    if (next[0] != '*') next[0] = ' ';
    if (!table_->WriteRecord(recno_, next.data(), this, error)) return false;
    buffer_ = std::move(next);
    return true;
}

bool WorkArea::AppendBlank(std::string& error)
{
    if (mode_ == OpenMode::ReadOnly || !table_->writable()) {
        error = "Tabelle " + table_->path() + " ist schreibgeschützt geöffnet";
        return false;
    }
    std::vector<char> blank(buffer_.size(), ' ');
    std::uint32_t recno = 0;
    if (!table_->AppendRecord(blank.data(), recno, error)) return false;
    buffer_ = std::move(blank);
    recno_ = recno;
    eof_ = bof_ = false;
    return true;
}

bool WorkArea::SetDeletedFlag(bool deleted, std::string& error)
{
    if (!CanWrite(error)) return false;
    std::vector<char> next(buffer_);
    next[0] = deleted ? '*' : ' ';
    if (next == buffer_) return true;
    if (!table_->WriteRecord(recno_, next.data(), this, error)) return false;
    buffer_ = std::move(next);
    return true;
}

const FieldDef* WorkArea::FindField(const char* name) const
{
    if (!name) return nullptr;
    for (const FieldDef& f : table_->fields())
        if (FieldNameEquals(f.name, name)) return &f;
    return nullptr;
}

void WorkArea::SetQuery(std::string expression, std::vector<bool> bits)
{
    queryActive_ = true;
    queryExpression_ = std::move(expression);
    queryBits_ = std::move(bits);
}

void WorkArea::ClearQuery()
{
    queryActive_ = false;
    queryExpression_.clear();
    queryBits_.clear();
}

void WorkArea::SetQueryBit(std::uint32_t recno, bool on)
{
    if (recno == 0) return;
    if (!queryActive_) SetQuery(".F.", {});
    if (queryBits_.size() < recno) queryBits_.resize(recno, false);
    queryBits_[recno - 1] = on;
}

bool WorkArea::QueryBit(std::uint32_t recno) const
{
    return recno >= 1 && recno <= queryBits_.size() && queryBits_[recno - 1];
}

std::uint32_t WorkArea::VisibleCount()
{
    std::uint32_t count = 0;
    for (std::uint32_t r = order_->First(); r != 0; r = order_->Next(r)) {
        if (queryActive_ && !QueryBit(r)) continue;
        if (Settings().deleted) {
            if (!LoadScratch(r)) break;
            if (scratch_[0] == '*') continue;
        }
        ++count;
    }
    return count;
}

void WorkArea::RecordRefreshed(const char* image)
{
    std::memcpy(buffer_.data(), image, buffer_.size());
}

void WorkArea::TableRebuilt()
{
    ClearQuery();
    GoTop();
}

}  // namespace dbf
