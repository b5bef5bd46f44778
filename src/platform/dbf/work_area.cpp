#include "platform/dbf/work_area.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/dbf/engine_settings.h"
#include "platform/dbf/expr_compiler.h"
#include "platform/dbf/expr_program.h"

namespace dbf {

std::uint32_t NaturalOrder::First() { return table_.RecordCount() > 0 ? 1 : 0; }
std::uint32_t NaturalOrder::Last() { return table_.RecordCount(); }
std::uint32_t NaturalOrder::Next(std::uint32_t current)
{
    // Another process's appends matter only once the known records end.
    if (current < table_.KnownRecordCount()) return current + 1;
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
    ClearQuery();
    CloseExtraFiles();
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
    if (table_->ReadRecord(recno, scratch_.data(), error)) return true;
    if (readError_.empty()) readError_ = error;
    return false;
}

void WorkArea::BeginRead()
{
    readError_.clear();
    if (tagOrder_) tagOrder_->ClearFailure();
}

bool WorkArea::ReadFailed()
{
    if (tagOrder_ && !tagOrder_->failure().empty() && readError_.empty()) readError_ = tagOrder_->failure();
    return !readError_.empty();
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
    BeginRead();
    const std::uint32_t r = UseSparseOrder() ? Loaded(SparseNeighbour(0, true)) : Seek(order_->First(), true);
    return !ReadFailed() && StandOnEnd(r);
}

bool WorkArea::GoBottom()
{
    BeginRead();
    const std::uint32_t r = UseSparseOrder() ? Loaded(SparseNeighbour(0, false)) : Seek(order_->Last(), false);
    return !ReadFailed() && StandOnEnd(r);
}

bool WorkArea::StandOnEnd(std::uint32_t r)
{
    if (r == 0) {
        StandOnPhantom();  // no visible record: both ends at once
        bof_ = true;
        return true;
    }
    StandOn(r);
    bof_ = false;
    return true;
}

bool WorkArea::Skip(long n)
{
    BeginRead();
    if (n == 0) {
        if (!eof_ && LoadScratch(recno_)) StandOn(recno_);
        return !ReadFailed();
    }
    if (n > 0) {
        const bool wasBof = bof_;
        bof_ = false;
        for (long i = 0; i < n && !eof_; ++i) {
            std::uint32_t r = UseSparseOrder() ? Loaded(SparseNeighbour(recno_, true))
                                               : Seek(order_->Next(recno_), true);
            if (ReadFailed()) {
                if (i == 0) bof_ = wasBof;
                return false;
            }
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
        std::uint32_t r = UseSparseOrder() ? Loaded(SparseNeighbour(eof_ ? 0 : recno_, false))
                                           : Seek(order_->Prev(from), false);
        if (ReadFailed()) return false;
        if (r == 0) {
            // Before the first record: stay on the first visible one.
            if (!GoTop()) return false;
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
    if (!table_->WriteRecord(recno_, next.data(), this, error, buffer_.data())) return false;
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
    if (!table_->WriteRecord(recno_, next.data(), this, error, buffer_.data())) return false;
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

dbfexpr::ExprCompileOptions WorkArea::CompileOptions() const
{
    dbfexpr::ExprCompileOptions options;
    options.dateFormat = dbfexpr::ExprDateFormat(Settings().date.format);
    options.century = Settings().date.century;
    return options;
}

std::unique_ptr<dbfexpr::Expression> WorkArea::Compile(const std::string& text,
                                                      std::string& error)
{
    dbfexpr::ExprError e;
    auto expression = dbfexpr::Expression::Compile(text, table_->Indexes().Fields(), e, CompileOptions());
    if (!expression) error = "Ausdruck \"" + text + "\": " + dbfexpr::ExprErrorText(e);
    return expression;
}

dbfexpr::ExprContext WorkArea::Context() { return table_->Indexes().Context(RecNo()); }

bool WorkArea::KeepPassing(dbfexpr::Expression& expression, dbfexpr::QueryBitmap& bits,
                           std::string& error, std::vector<std::uint32_t>* listed)
{
    dbfexpr::ExprContext context = table_->Indexes().Context(0);
    const std::size_t size = table_->recordLength();
    auto check = [&](std::uint32_t r, const char* image) {
        context.recNo = r;
        bool pass = false;
        if (!expression.EvaluateLogical(reinterpret_cast<const std::uint8_t*>(image), size, context,
                                        pass) ||
            !pass)
            bits.Clear(r);
    };
    if (listed) {
        // The candidates listed: read one by one, those that fail left out.
        table_->MapRecords(bits.Size());
        std::size_t kept = 0;
        for (const std::uint32_t r : *listed) {
            const char* image = table_->RecordImage(r, scratch_.data(), error);
            if (!image) return false;
            check(r, image);
            if (bits.Test(r)) (*listed)[kept++] = r;
        }
        listed->resize(kept);
        return true;
    }
    // A few candidates are read one by one, many in one pass over the file.
    if (bits.Count() < bits.Size() / 16) {
        // Through the table's mapping when it can have one: no system call
        // per record.
        table_->MapRecords(bits.Size());
        for (std::uint32_t r = bits.First(); r != 0; r = bits.Next(r)) {
            if (!table_->ReadRecord(r, scratch_.data(), error)) return false;
            check(r, scratch_.data());
        }
        return true;
    }
    return table_->ScanRecords(
        bits.Size(), [&](std::uint32_t r, const char* image) { if (bits.Test(r)) check(r, image); },
        error);
}

bool WorkArea::SetQueryExpression(const std::string& text, std::string& error)
{
    // One parse gives the program and its frame for the tags; the same
    // text again takes both as they were made.
    const dbfexpr::ExprCompileOptions options = CompileOptions();
    CompiledQuery& compiled = compiled_;
    if (!compiled.expression || compiled.text != text || compiled.options.dateFormat != options.dateFormat ||
        compiled.options.century != options.century) {
        compiled.expression.reset();
        dbfexpr::ExprError e;
        compiled.condition = dbfexpr::ExprCondition{};
        compiled.plan = PlanCache{};
        std::shared_ptr<dbfexpr::Expression> made = dbfexpr::Expression::CompileCondition(
            text, table_->Indexes().Fields(), e, options, compiled.condition);
        if (!made) {
            error = "Ausdruck \"" + text + "\": " + dbfexpr::ExprErrorText(e);
            return false;
        }
        compiled.text = text;
        compiled.options = options;
        compiled.expression = std::move(made);
    }
    std::shared_ptr<dbfexpr::Expression> expression = compiled.expression;
    if (expression->Type() != dbfexpr::ExprType::Logical) {
        error = "Ausdruck \"" + text + "\" ist keine Bedingung";
        return false;
    }
    std::uint32_t count = table_->RecordCount();
    dbfexpr::QueryBitmap bits = std::exchange(spareBits_, dbfexpr::QueryBitmap());
    IndexAnswer answer = IndexAnswer::None;
    std::vector<std::uint32_t> listed, unknown;
    if (Settings().queryFromIndexes) {
        const OpenTagList& tags = OpenTags();
        answer = AnswerFromIndexes(*table_, tags.tags, compiled.condition, count, Settings().exact, bits, &listed,
                                   &compiled.plan, tags.version, &unknown);
    }
    // The records set are listed when the tags left few of them.
    const bool isListed = answer != IndexAnswer::None && listed.size() == bits.Count();
    if (answer == IndexAnswer::None) bits = dbfexpr::QueryBitmap(count, true);
    if (answer != IndexAnswer::Exact && isListed) {
        // Only the records the tags left undecided are read (a tag FOR
        // .NOT. DELETED() knows nothing of the deleted ones); the listed
        // records the tags found true stand.
        if (!KeepPassing(*expression, bits, error, &unknown)) return false;
        std::erase_if(listed, [&](std::uint32_t r) { return !bits.Test(r); });
    } else if (answer != IndexAnswer::Exact && !KeepPassing(*expression, bits, error)) {
        return false;
    }
    ClearQuery();
    ++queryVersion_;
    queryActive_ = true;
    queryExpression_ = text;
    query_ = std::move(expression);
    queryBits_ = std::move(bits);
    queryListed_ = isListed && listed.size() <= Settings().queryListLimit;
    if (queryListed_) queryList_ = std::move(listed);
    queryAnswer_ = answer;
    table_->AddObserver(this);
    observing_ = true;
    return true;
}

void WorkArea::ClearQuery()
{
    ++queryVersion_;
    if (observing_) table_->RemoveObserver(this);
    observing_ = false;
    queryActive_ = false;
    queryExpression_.clear();
    query_.reset();
    if (queryListed_ && queryBits_.Size() != 0) {
        for (const std::uint32_t r : queryList_) queryBits_.Clear(r);
        spareBits_ = std::exchange(queryBits_, dbfexpr::QueryBitmap());
    }
    queryBits_ = dbfexpr::QueryBitmap();
    queryList_.clear();
    queryListed_ = true;
}

void WorkArea::AssignQueryBit(std::uint32_t recno, bool on)
{
    const bool was = queryBits_.Test(recno);
    queryBits_.Assign(recno, on);
    const bool now = queryBits_.Test(recno);
    if (!queryListed_ || was == now) return;
    const auto at = std::lower_bound(queryList_.begin(), queryList_.end(), recno);
    if (!now) {
        queryList_.erase(at);
    } else if (queryList_.size() < Settings().queryListLimit) {
        queryList_.insert(at, recno);
    } else {
        queryList_.clear();
        queryListed_ = false;
    }
}

void WorkArea::SetQueryBit(std::uint32_t recno, bool on)
{
    if (recno == 0) return;
    ++queryVersion_;
    if (!queryActive_) {
        queryActive_ = true;
        queryExpression_ = ".F.";
        table_->AddObserver(this);
        observing_ = true;
    }
    if (queryBits_.Size() < recno) {
        const std::uint32_t records = table_->RecordCount();
        // A cleared bitmap kept from an earlier query serves when it has the size.
        if (queryBits_.Size() == 0 && spareBits_.Size() == records)
            queryBits_ = std::exchange(spareBits_, dbfexpr::QueryBitmap());
        else
            queryBits_.Resize(records);
    }
    AssignQueryBit(recno, on);
}

void WorkArea::RecordWritten(std::uint32_t recno, const char*, const char* newImage)
{
    if (!queryActive_) return;
    if (queryBits_.Size() < recno) queryBits_.Resize(recno);
    if (!query_) return;  // a pure bitmap keeps its bits
    dbfexpr::ExprContext context = table_->Indexes().Context(recno);
    bool pass = false;
    bool ok = query_->EvaluateLogical(reinterpret_cast<const std::uint8_t*>(newImage),
                                      table_->recordLength(), context, pass);
    AssignQueryBit(recno, ok && pass);
}

std::vector<WorkArea::OrderRef> WorkArea::Orders()
{
    std::vector<OrderRef> orders;
    if (type_ != 2 && type_ != 12 && extraFiles_.empty()) return orders;
    TableIndexes& indexes = table_->Indexes();
    std::size_t tags = indexes.production() ? indexes.production()->tags.size() : 0;
    for (IndexFile* f : extraFiles_) tags += f->tags.size();
    orders.reserve(tags + 1);  // (+1: room for the order's tag put in front)
    auto add = [&](IndexFile* file) {
        for (auto& t : file->tags) orders.push_back({file, t.get()});
    };
    if (indexes.production()) add(indexes.production());
    for (IndexFile* f : extraFiles_) add(f);
    return orders;
}

const WorkArea::OpenTagList& WorkArea::OpenTags()
{
    // Every change of the tag lists counts up the generation; the files
    // this area opened besides the production index are its own.
    const std::uint64_t generation = table_->Indexes().generation();
    OpenTagList& list = openTags_;
    if (list.version != 0 && list.generation == generation && list.extraFiles == extraFiles_) return list;
    static std::uint64_t versions = 0;
    list.tags.clear();
    for (const OrderRef& ref : Orders()) list.tags.push_back({ref.file, ref.tag});
    list.generation = generation;
    list.extraFiles = extraFiles_;
    list.version = ++versions;
    return list;
}

std::vector<WorkArea::OrderRef> WorkArea::ListOrders()
{
    table_->Indexes().FollowTagLists();
    return Orders();
}

bool WorkArea::SetOrderNumber(int order)
{
    if (order == 0) {
        tagOrder_.reset();
        order_ = &natural_;
        orderNumber_ = 0;
        return true;
    }
    std::vector<OrderRef> orders = ListOrders();
    if (order < 0 || std::size_t(order) > orders.size()) return false;
    const OrderRef& ref = orders[std::size_t(order - 1)];
    tagOrder_ = std::make_unique<TagOrder>(*table_, ref.file, ref.tag->spec.name);
    order_ = tagOrder_.get();
    orderNumber_ = order;
    return true;
}

void WorkArea::CloseExtraFiles()
{
    if (tagOrder_ && tagOrder_->file() && !tagOrder_->file()->production) SetOrderNumber(0);
    for (IndexFile* f : extraFiles_) table_->Indexes().Release(f);
    extraFiles_.clear();
}

bool WorkArea::SeekKey(const std::string& key, bool& isFound)
{
    isFound = false;
    if (!tagOrder_) return false;
    BeginRead();
    std::uint32_t r = tagOrder_->SeekFirst(key);
    // Records the view hides are passed over; the first visible one decides.
    while (r != 0) {
        if (!LoadScratch(r)) break;
        if (Visible(r, scratch_.data())) break;
        r = tagOrder_->Next(r);
    }
    // Not read: neither found nor not found; the area stays where it stood.
    if (ReadFailed()) return false;
    if (r != 0) {
        isFound = tagOrder_->CursorMatches(key, Settings().exact);
        if (isFound || Settings().softSeek) {
            StandOn(r);
            bof_ = false;
            found = isFound;
            return true;
        }
    }
    StandOnPhantom();
    bof_ = false;
    found = false;
    return true;
}

WorkArea::VisibilityState WorkArea::Visibility()
{
    return {table_->changeCount(), queryVersion_, tagOrder_ ? tagOrder_->scopeVersion() : 0u, RecCount(),
            orderNumber_, Settings().deleted};
}

bool WorkArea::HoldsLiveRecords(const IndexTag& tag)
{
    if (!notDeleted_) {
        std::string ignored;
        notDeleted_ = Compile(".NOT. DELETED()", ignored);
        if (!notDeleted_) return false;
    }
    return tag.tag && tag.condition && !tag.tag->Unique() &&
           dbfexpr::ExprSameComputation(tag.condition->Program(), notDeleted_->Program());
}

bool WorkArea::ClearDeletedByTag(dbfexpr::QueryBitmap& bits, const IndexTag*& by, bool mayCollect,
                                 std::vector<std::uint32_t>* members)
{
    // A tag FOR .NOT. DELETED() holds exactly the records not deleted: the
    // current order's first, then one whose entries were collected already
    // (by a query), then any.
    std::vector<OrderRef> orders = Orders();
    if (tagOrder_) {
        if (IndexTag* current = tagOrder_->Tag()) orders.insert(orders.begin(), {tagOrder_->file(), current});
    }
    for (const bool collectedOnly : {true, false}) {
        for (std::size_t i = 0; i < orders.size(); ++i) {
            IndexTag& tag = *orders[i].tag;
            if (!tag.tag) continue;
            const bool collected = tag.entries.stamp == tag.tag->Stamp() && tag.entries.records.Size() == bits.Size();
            if (!collected && (!mayCollect || (collectedOnly && i > 0))) continue;
            if (!HoldsLiveRecords(tag)) continue;
            const dbfexpr::QueryBitmap* entries = nullptr;
            // A tag that cannot be read may have its file made anew: the
            // tags listed here may be gone, so the records decide.
            if (!TagEntriesOf(*table_, *orders[i].file, tag, bits.Size(), entries)) return false;
            if (entries) {
                if (members) {
                    std::erase_if(*members, [&](std::uint32_t r) {
                        if (entries->Test(r)) return false;
                        bits.Clear(r);
                        return true;
                    });
                } else {
                    bits.AndWith(*entries);
                }
                by = &tag;
                return true;
            }
        }
    }
    return false;
}

bool WorkArea::ClearDeleted(dbfexpr::QueryBitmap& bits, const IndexTag*& by, std::vector<std::uint32_t>* members)
{
    by = nullptr;
    // A few records are looked at themselves (through the table's mapping)
    // rather than collecting which records a tag holds, unless a tag's
    // entries are known already.
    const bool few = bits.Count() <= kFewToLookAt;
    if (ClearDeletedByTag(bits, by, !few, members)) return true;
    // The marks this process knows are taken as they are; only the records
    // whose mark is not known are read (through the table's mapping when
    // it can have one: no system call per record). Reading learns them.
    const DeletedMarks* marks = table_->TrustedDeletedMarks();
    bool mapped = false;
    auto deleted = [&](std::uint32_t r) {
        if (marks && marks->Known(r)) return marks->Deleted(r);
        if (!mapped) {
            table_->MapRecords(bits.Size());
            mapped = true;
        }
        return !LoadScratch(r) || scratch_[0] == '*';
    };
    std::string error;
    if (members) {
        std::erase_if(*members, [&](std::uint32_t r) {
            if (!deleted(r)) return false;
            bits.Clear(r);
            return true;
        });
    } else if (marks && marks->AllKnown(bits.Size())) {
        bits.AndNotWith(marks->deleted());
    } else if (bits.Count() < bits.Size() / 16) {
        for (std::uint32_t r = bits.First(); r != 0; r = bits.Next(r))
            if (deleted(r)) bits.Clear(r);
    } else if (!table_->ScanRecords(
                   bits.Size(), [&](std::uint32_t r, const char* image) { if (image[0] == '*') bits.Clear(r); },
                   error)) {
        return false;
    }
    // The order's tag, when it holds exactly the records not deleted, holds
    // every record left.
    if (tagOrder_ && tagOrder_->Tag() && HoldsLiveRecords(*tagOrder_->Tag())) by = tagOrder_->Tag();
    return true;
}

const dbfexpr::QueryBitmap& WorkArea::PassingRecords(std::uint32_t records)
{
    PassingCache& c = passing_;
    const std::uint64_t generation = table_->Indexes().generation();
    if (c.valid && c.changes == table_->changeCount() && c.query == queryVersion_ &&
        c.records == records && c.deletedHidden == Settings().deleted && c.generation == generation)
        return c.bits;
    const bool wasListed = c.valid && c.listed;
    c.listed = queryActive_ && queryListed_;
    if (!c.listed) c.members.clear();
    if (c.listed) {
        // Few records: set from their list (those past `records` left out),
        // into the bits of the last list when they have the size.
        if (wasListed && c.bits.Size() == records) {
            for (const std::uint32_t r : c.members) c.bits.Clear(r);
        } else {
            c.bits = dbfexpr::QueryBitmap(records);
        }
        c.members.clear();
        for (const std::uint32_t r : queryList_) {
            if (r > records) break;
            c.bits.Set(r);
            c.members.push_back(r);
        }
    } else if (queryActive_) {
        c.bits = queryBits_;
        c.bits.Resize(records);
    } else {
        c.bits = dbfexpr::QueryBitmap(records, true);
    }
    // An unreadable table shows no record as passing beyond what was read.
    c.entriesApplied = nullptr;
    if (Settings().deleted && !ClearDeleted(c.bits, c.entriesApplied, c.listed ? &c.members : nullptr)) {
        c.bits.ClearAll();
        c.members.clear();
    }
    c.changes = table_->changeCount();
    c.query = queryVersion_;
    c.records = records;
    c.deletedHidden = Settings().deleted;
    c.generation = generation;
    c.valid = true;
    return c.bits;
}

bool WorkArea::CountFromBits(std::uint32_t records, std::uint32_t& count)
{
    const dbfexpr::QueryBitmap& passing = PassingRecords(records);
    if (!tagOrder_) {
        count = passing.Count();
        return true;
    }
    if (!tagOrder_->scopeLow().empty() || !tagOrder_->scopeHigh().empty()) return false;
    IndexTag* tag = tagOrder_->Tag();
    if (tag && tag == passing_.entriesApplied) {
        count = passing.Count();  // the passing records are among its entries
        return true;
    }
    const dbfexpr::QueryBitmap* entries = nullptr;
    if (!tag || !TagEntriesOf(*table_, *tagOrder_->file(), *tag, records, entries)) return false;
    if (!entries) {
        count = passing.Count();
        return true;
    }
    if (passing_.listed) {
        count = 0;
        for (const std::uint32_t r : passing_.members) count += entries->Test(r) ? 1 : 0;
        return true;
    }
    count = passing.CountAnd(*entries);
    return true;
}

std::uint32_t WorkArea::VisibleCount()
{
    BeginRead();
    const VisibilityState state = Visibility();
    if (countCache_.state == state) return countCache_.count;
    std::uint32_t count = 0;
    if (!CountFromBits(state.records, count)) {
        // A scope (or an unreadable tag): the order is walked, each record
        // tested by its bit.
        const dbfexpr::QueryBitmap& passing = PassingRecords(state.records);
        count = 0;
        for (std::uint32_t r = order_->First(); r != 0; r = order_->Next(r))
            if (passing.Test(r)) ++count;
    }
    // A walk cut short counts nothing (and is not remembered).
    if (ReadFailed()) return 0;
    countCache_ = {state, count};
    return count;
}

bool WorkArea::SortKey(std::uint32_t r, std::string& out)
{
    IndexTag* tag = tagOrder_->Tag();
    std::string key;
    if (!tag || !tag->tag || !LoadScratch(r) || !table_->Indexes().MakeKey(*tag, scratch_.data(), key))
        return false;
    tag->tag->FormKeyInto(key, out);
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(char((r >> shift) & 0xFF));
    return true;
}

bool WorkArea::UseSparseOrder()
{
    if (!queryActive_ || !tagOrder_ || !tagOrder_->scopeLow().empty() || !tagOrder_->scopeHigh().empty())
        return false;
    const VisibilityState state = Visibility();
    const std::uint64_t generation = table_->Indexes().generation();
    if (sparse_.valid && sparse_.state == state && sparse_.generation == generation) return sparse_.usable;
    sparse_ = SparseOrder();
    sparse_.state = state;
    sparse_.generation = generation;
    sparse_.valid = true;
    const dbfexpr::QueryBitmap& passing = PassingRecords(state.records);
    if (passing.Count() > Settings().sparseOrderLimit) return false;
    IndexTag* tag = tagOrder_->Tag();
    // (The tag holds every passing record when its entries, or the
    // records' own deletion marks, took the deleted ones out.)
    const dbfexpr::QueryBitmap* entries = nullptr;
    if (!tag) return false;
    if (tag != passing_.entriesApplied && !TagEntriesOf(*table_, *tagOrder_->file(), *tag, state.records, entries))
        return false;
    std::vector<std::string> keys;
    std::string key;
    for (std::uint32_t r = passing.First(); r != 0; r = passing.Next(r)) {
        if (entries && !entries->Test(r)) continue;
        if (!SortKey(r, key)) return false;
        keys.push_back(key);
    }
    sparse_.descending = tag->spec.descending;
    if (sparse_.descending)
        std::sort(keys.begin(), keys.end(), std::greater<>());
    else
        std::sort(keys.begin(), keys.end());
    for (const std::string& k : keys) {
        const auto* b = reinterpret_cast<const unsigned char*>(k.data() + k.size() - 4);
        sparse_.records.push_back(std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 |
                                  std::uint32_t(b[2]) << 8 | b[3]);
    }
    sparse_.keys = std::move(keys);
    sparse_.usable = true;
    return true;
}

std::uint32_t WorkArea::SparseNeighbour(std::uint32_t from, bool forward)
{
    const std::vector<std::uint32_t>& records = sparse_.records;
    if (records.empty()) return 0;
    if (from == 0) return forward ? records.front() : records.back();
    // Where `from` stands in the walk: found among the records, or placed
    // by its key.
    std::size_t next = 0;  // index of the first record after `from`
    const auto member = std::find(records.begin(), records.end(), from);
    if (member != records.end()) {
        const std::size_t at = std::size_t(member - records.begin());
        if (forward) return at + 1 < records.size() ? records[at + 1] : 0;
        return at > 0 ? records[at - 1] : 0;
    }
    std::string key;
    if (!SortKey(from, key)) return 0;
    if (sparse_.descending)
        next = std::size_t(std::upper_bound(sparse_.keys.begin(), sparse_.keys.end(), key, std::greater<>()) -
                           sparse_.keys.begin());
    else
        next = std::size_t(std::upper_bound(sparse_.keys.begin(), sparse_.keys.end(), key) - sparse_.keys.begin());
    if (forward) return next < records.size() ? records[next] : 0;
    return next > 0 ? records[next - 1] : 0;
}

std::uint32_t WorkArea::OrderPosition()
{
    if (!tagOrder_ || eof_) return RecNo();
    BeginRead();
    const std::uint32_t position = WalkedPosition();
    return ReadFailed() ? 0 : position;
}

std::uint32_t WorkArea::WalkedPosition()
{
    if (UseSparseOrder()) {
        const auto& records = sparse_.records;
        const auto member = std::find(records.begin(), records.end(), recno_);
        return member == records.end() ? 0 : std::uint32_t(member - records.begin()) + 1;
    }
    const VisibilityState state = Visibility();
    const dbfexpr::QueryBitmap& passing = PassingRecords(state.records);
    auto remember = [&](std::uint32_t position) {
        positionCache_ = {state, recno_, position};
        return position;
    };
    if (positionCache_.state == state && positionCache_.recno != 0) {
        if (positionCache_.recno == recno_) return positionCache_.position;
        std::uint32_t r = positionCache_.recno, position = positionCache_.position;
        for (int steps = 0; steps < 64 && r != 0; ++steps) {
            r = order_->Next(r);
            if (r != 0 && passing.Test(r)) {
                ++position;
                if (r == recno_) return remember(position);
            }
        }
    }
    if (!passing.Test(recno_)) return 0;
    std::uint32_t position = 0;
    for (std::uint32_t r = order_->First(); r != 0; r = order_->Next(r)) {
        if (!passing.Test(r)) continue;
        ++position;
        if (r == recno_) return remember(position);
    }
    return 0;
}

void WorkArea::RecordRefreshed(const char* image)
{
    std::memcpy(buffer_.data(), image, buffer_.size());
}

void WorkArea::TableRebuilt()
{
    // Record numbers changed: an expression query is evaluated anew, a
    // bitmap of hand-set bits cannot be carried over.
    std::string text = query_ ? queryExpression_ : std::string();
    ClearQuery();
    std::string error;
    if (!text.empty()) SetQueryExpression(text, error);
    GoTop();
}

}  // namespace dbf
