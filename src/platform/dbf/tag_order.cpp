#include "platform/dbf/tag_order.h"

#include <atomic>
#include <cstring>

#include "platform/dbf/expr_date.h"
#include "platform/dbf/expr_key.h"
#include "platform/dbf/expr_text.h"
#include "platform/dbf/engine_settings.h"
#include "platform/dbf/field_codec.h"

namespace dbf {

namespace {
// Scope versions are unique in the process: a new order never repeats the
// version an earlier one had.
std::uint64_t NextScopeVersion()
{
    static std::atomic<std::uint64_t> next{0};
    return ++next;
}
}  // namespace

TagOrder::TagOrder(DbfTable& table, IndexFile* file, std::string tagName)
    : table_(table), file_(file), name_(std::move(tagName)), image_(table.recordLength()),
      scopeVersion_(NextScopeVersion())
{
}

IndexTag* TagOrder::Tag()
{
    table_.Indexes().Settle();
    TableIndexes& indexes = table_.Indexes();
    // A file lost to a failed change is opened again before its tag is used.
    if (file_ && !file_->cdx && !file_->lost.empty()) {
        std::string error;
        indexes.Reopen(*file_, error);
    }
    unusable_.clear();
    for (int pass = 0; pass < 2; ++pass) {
        if (generation_ != indexes.generation()) {
            generation_ = indexes.generation();
            tag_ = nullptr;
            cursor_ = dbfcdx::CdxCursor();
            for (auto& t : file_->tags)
                if (UpperAscii(t->spec.name) == UpperAscii(name_)) tag_ = t.get();
            // Scope bounds depend on the tag's collation and key type.
            ApplyScope();
        }
        if (!tag_) {
            unusable_ = "Der Index " + name_ + " ist nicht mehr da";
            return nullptr;
        }
        if (!tag_->tag->NeedsRebuild()) return tag_;
        // (A read-only opener, a tag of another sort-weight table, another
        // process holding the lock: the reason stays for the calls.)
        if (!indexes.MakeUsable(*file_, *tag_, unusable_)) return nullptr;
    }
    if (tag_ && !tag_->tag->NeedsRebuild()) return tag_;
    unusable_ = tag_ ? "Index " + name_ + ": " + tag_->tag->RebuildReason() : "Der Index " + name_ + " ist nicht mehr da";
    return nullptr;
}

std::uint32_t TagOrder::InTable(std::uint32_t recno)
{
    const std::uint32_t count = recno ? table_.RecordCount() : 0;
    if (recno > count)
        throw dbfcdx::CdxError("Der Index " + name_ + " verweist auf Satz " + std::to_string(recno) +
                               ", die Tabelle hat " + std::to_string(count) + " Sätze");
    return recno;
}

bool TagOrder::Usable(std::string& why)
{
    if (Tag()) return true;
    if (file_ && !file_->cdx && !file_->lost.empty())
        why = "Der Index " + name_ + " ist nicht verfügbar: " + file_->lost;
    else
        why = unusable_.empty() ? "Der Index " + name_ + " ist nicht benutzbar" : unusable_;
    return false;
}

std::string TagOrder::Probe(std::string_view text)
{
    IndexTag* tag = tag_;
    if (!tag) return std::string(text);
    switch (tag->spec.keyType) {
    case dbfcdx::CdxKeyType::Numeric: {
        std::uint8_t key[dbfexpr::kNumericKeyLength];
        dbfexpr::ExprNumericKey(dbfexpr::ExprParseNumber(text), key);
        return std::string(reinterpret_cast<const char*>(key), sizeof key);
    }
    case dbfcdx::CdxKeyType::Date: {
        std::string dbfDate;
        std::int32_t day = 0;
        if (NormalizeDbfDate(text, dbfDate)) {
            day = dbfexpr::ExprJulianFromDbf(dbfDate);
        } else {
            day = dbfexpr::ExprParseDate(text, dbfexpr::ExprDateFormat(Settings().date.format));
        }
        std::uint8_t key[dbfexpr::kNumericKeyLength];
        dbfexpr::ExprNumericKey(double(day), key);
        return std::string(reinterpret_cast<const char*>(key), sizeof key);
    }
    case dbfcdx::CdxKeyType::Logical: {
        std::string t(text);
        return TextIsTrue(t) ? "T" : "F";
    }
    default: return std::string(text.substr(0, std::size_t(tag->spec.keyLength)));
    }
}

std::string TagOrder::StoredPrefix(std::string_view text)
{
    IndexTag* tag = tag_;
    if (!tag || text.empty()) return std::string();
    std::string probe = Probe(text);
    std::string stored = tag->tag->FormKey(probe);
    if (tag->spec.keyType == dbfcdx::CdxKeyType::Character) stored.resize(probe.size());
    return stored;
}

void TagOrder::SetScope(std::string low, std::string high)
{
    scopeVersion_ = NextScopeVersion();
    low_ = std::move(low);
    high_ = std::move(high);
    Tag();
    ApplyScope();
}

void TagOrder::ApplyScope()
{
    lowStored_ = StoredPrefix(low_);
    highStored_ = StoredPrefix(high_);
}

bool TagOrder::BelowLow()
{
    if (lowStored_.empty() || !cursor_.Valid()) return false;
    std::string_view key = cursor_.Key();
    return key.substr(0, lowStored_.size()) < std::string_view(lowStored_);
}

bool TagOrder::AboveHigh()
{
    if (highStored_.empty() || !cursor_.Valid()) return false;
    std::string_view key = cursor_.Key();
    return key.substr(0, highStored_.size()) > std::string_view(highStored_);
}

std::uint32_t TagOrder::Current()
{
    if (!cursor_.Valid() || AboveHigh() || BelowLow()) return 0;
    return cursor_.RecNo();
}

std::uint32_t TagOrder::DoSeekFirst(std::string_view key)
{
    IndexTag* tag = Tag();
    if (!tag) return 0;
    std::string probe = Probe(key);
    tag->tag->SeekSoft(probe, cursor_);
    if (cursor_.Valid() && BelowLow()) tag->tag->SeekSoft(Probe(low_), cursor_);
    return Current();
}

bool TagOrder::CursorMatches(std::string_view key, bool exact)
{
    IndexTag* tag = Tag();
    if (!tag || !cursor_.Valid()) return false;
    std::string probe = Probe(key);
    std::string stored = tag->tag->FormKey(probe);
    if (tag->spec.keyType == dbfcdx::CdxKeyType::Character && !exact) stored.resize(probe.size());
    std::string_view have = cursor_.Key();
    return have.substr(0, stored.size()) == std::string_view(stored) &&
           (!exact || have.size() == stored.size());
}

std::uint32_t TagOrder::DoFirst()
{
    IndexTag* tag = Tag();
    if (!tag) return 0;
    if (!low_.empty()) {
        tag->tag->SeekSoft(Probe(low_), cursor_);
    } else {
        tag->tag->First(cursor_);
    }
    return Current();
}

std::uint32_t TagOrder::DoLast()
{
    IndexTag* tag = Tag();
    if (!tag) return 0;
    if (!high_.empty()) {
        // The last key whose prefix is not above the high bound.
        tag->tag->SeekSoft(Probe(high_), cursor_);
        while (cursor_.Valid() && !AboveHigh()) tag->tag->Next(cursor_);
        if (cursor_.Valid()) {
            tag->tag->Prev(cursor_);
        } else {
            tag->tag->Last(cursor_);
        }
    } else {
        tag->tag->Last(cursor_);
    }
    return Current();
}

bool TagOrder::Locate(std::uint32_t recno)
{
    IndexTag* tag = Tag();
    if (!tag) return false;
    if (cursor_.Valid() && cursor_.RecNo() == recno) return true;
    std::string error, key;
    if (recno == 0 || recno > table_.RecordCount() ||
        !table_.ReadRecord(recno, image_.data(), error))
        return false;
    table_.Indexes().MakeKey(*tag, image_.data(), key);
    tag->tag->SeekEntry(key, recno, cursor_);
    return cursor_.Valid() && cursor_.RecNo() == recno;
}

std::uint32_t TagOrder::DoNext(std::uint32_t current)
{
    IndexTag* tag = Tag();
    if (!tag) return 0;
    if (current == 0 || current > table_.RecordCount()) return 0;
    bool on = Locate(current);
    if (on) tag->tag->Next(cursor_);
    if (cursor_.Valid() && BelowLow()) tag->tag->SeekSoft(Probe(low_), cursor_);
    return Current();
}

std::uint32_t TagOrder::DoPrev(std::uint32_t current)
{
    IndexTag* tag = Tag();
    if (!tag) return 0;
    if (current == 0 || current > table_.RecordCount()) return DoLast();
    Locate(current);
    if (cursor_.Valid()) {
        tag->tag->Prev(cursor_);
    } else {
        tag->tag->Last(cursor_);
    }
    if (cursor_.Valid() && AboveHigh()) return DoLast();
    return Current();
}

// A step that cannot read the tag answers 0 and leaves the reason in
// failure_: the caller fails its call with it, never taking the 0 for the
// end of the order or a key not found. Busy (another process kept the
// index lock past the wait) is only reported. A read error is tried once
// more (a flaky share may fail one read); a file that still cannot be
// read is reported, and made anew from the table only where the table can
// be had exclusively (TableIndexes::ReadFailed).
template <typename F>
std::uint32_t TagOrder::Guard(F&& step)
{
    for (int attempt = 0;; ++attempt) {
        try {
            // Keys of an append wait outside the access; the tag is made
            // usable before it, then the step reads the file under its lock
            // (shared).
            table_.Indexes().Settle();
            if (!Usable(failure_)) return 0;
            if (file_ && file_->cdx) {
                dbfcdx::CdxFile& cdx = *file_->cdx;
                bool relist = false;
                const std::uint32_t recno = cdx.ReadAccess([&]() -> std::uint32_t {
                    // Another process added or deleted tags: they are loaded
                    // again (outside the access) before the step.
                    relist = table_.Indexes().TagListChanged(*file_);
                    return relist ? 0 : InTable(step());
                });
                table_.Indexes().RebuildDeferred();
                if (relist) {
                    table_.Indexes().FollowTagList(*file_);
                    if (!Tag()) {
                        failure_ = "Der Index " + name_ + " ist nicht mehr da (von einem anderen Programm gelöscht)";
                        return 0;
                    }
                    --attempt;
                    continue;
                }
                return recno;
            }
            return step();
        } catch (const dbfcdx::CdxBusy& e) {
            cursor_ = dbfcdx::CdxCursor();
            failure_ = table_.Indexes().BusyText(e);
            return 0;
        } catch (const dbfcdx::CdxError& e) {
            cursor_ = dbfcdx::CdxCursor();
            // (A failed read caches nothing: the step is simply run again.)
            if (attempt == 0 && file_ && file_->cdx && !file_->cdx->Broken()) continue;
            failure_ = file_ ? table_.Indexes().ReadFailed(*file_, e) : std::string(e.what());
            return 0;
        }
    }
}

// Keys are stored ascending; a descending tag is walked the other way.
bool TagOrder::Descending()
{
    IndexTag* tag = Tag();
    return tag && tag->spec.descending;
}

std::uint32_t TagOrder::First()
{
    return Guard([&] { return Descending() ? DoLast() : DoFirst(); });
}
std::uint32_t TagOrder::Last()
{
    return Guard([&] { return Descending() ? DoFirst() : DoLast(); });
}
std::uint32_t TagOrder::Next(std::uint32_t current)
{
    return Guard([&] { return Descending() ? DoPrevOf(current) : DoNext(current); });
}
std::uint32_t TagOrder::Prev(std::uint32_t current)
{
    return Guard([&] { return Descending() ? DoNextOf(current) : DoPrev(current); });
}

// The neighbours in stored order for a descending walk: past either end
// (the phantom record) the walk comes back in at the far end.
std::uint32_t TagOrder::DoPrevOf(std::uint32_t current)
{
    if (current == 0 || current > table_.RecordCount()) return 0;
    return DoPrev(current);
}
std::uint32_t TagOrder::DoNextOf(std::uint32_t current)
{
    if (current == 0 || current > table_.RecordCount()) return DoFirst();
    return DoNext(current);
}
std::uint32_t TagOrder::SeekFirst(std::string_view key)
{
    return Guard([&] { return DoSeekFirst(key); });
}

std::string TagOrder::KeyText(const char* image, std::uint32_t recno)
{
    IndexTag* tag = Tag();
    if (!tag) return std::string();
    dbfexpr::ExprContext context = table_.Indexes().Context(recno);
    dbfexpr::ExprValue value;
    if (!tag->key->Evaluate(reinterpret_cast<const std::uint8_t*>(image), table_.recordLength(),
                            context, value))
        return std::string();
    switch (value.type) {
    case dbfexpr::ExprType::Numeric: return NumberText(value.number);
    case dbfexpr::ExprType::Date: {
        char out[8];
        dbfexpr::ExprDbfFromJulian(std::int32_t(value.number), out);
        return std::string(out, 8);
    }
    case dbfexpr::ExprType::Logical: return value.logical ? "T" : "F";
    default: return std::string(value.text);
    }
}

}  // namespace dbf
