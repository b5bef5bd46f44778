#include "platform/dbf/table_indexes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>
#include <sys/stat.h>

#include "platform/dbf/cdx_lease.h"
#include "platform/dbf/engine_settings.h"
#include "platform/dbf/lock_wait.h"

namespace dbf {

namespace {

dbfcdx::CdxKeyType KeyTypeOf(dbfexpr::ExprType type)
{
    switch (type) {
    case dbfexpr::ExprType::Numeric: return dbfcdx::CdxKeyType::Numeric;
    case dbfexpr::ExprType::Date: return dbfcdx::CdxKeyType::Date;
    case dbfexpr::ExprType::Logical: return dbfcdx::CdxKeyType::Logical;
    default: return dbfcdx::CdxKeyType::Character;
    }
}

char PadOf(dbfcdx::CdxKeyType type)
{
    return type == dbfcdx::CdxKeyType::Numeric || type == dbfcdx::CdxKeyType::Date ? '\0' : ' ';
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// True when the two record images agree in every byte `e` reads (the
// deletion flag included): its value cannot differ between them.
bool SameInputs(const dbfexpr::Expression* e, const char* a, const char* b)
{
    if (!e) return true;
    if (a[0] != b[0]) return false;
    for (const dbfexpr::ExprField& f : e->FieldsUsed())
        if (std::memcmp(a + f.offset, b + f.offset, f.width) != 0) return false;
    return true;
}

}  // namespace

dbfcdx::CdxCollation CurrentCollation()
{
    const EngineSettings& s = Settings();
    return s.sortWeightsSet ? dbfcdx::CdxCollation::FromBytes(s.sortWeights)
                            : dbfcdx::CdxCollation();
}

TableIndexes::TableIndexes(DbfTable& table) : table_(table) { table_.AddObserver(this); }

TableIndexes::~TableIndexes()
{
    table_.RemoveObserver(this);
    std::string ignored;
    Flush(ignored);
    ForgetPending();
    for (auto& f : files_) {
        if (!f->cdx) continue;
        f->cdx->SetLeaseOwner(nullptr);
        f->cdx->SetTable(nullptr);
    }
}

std::uint32_t TableIndexes::TableRecordCount() { return table_.RecordCount(); }

std::uint32_t TableIndexes::SyncTableRecords()
{
    std::uint32_t count = 0;
    std::string error;
    if (!table_.SyncForIndex(count, error)) throw dbfcdx::CdxError(error);
    return count;
}

void TableIndexes::ForgetPending()
{
    pendingFirst_ = pendingCount_ = 0;
    pendingImages_.clear();
}

bool TableIndexes::AllInAccess() const
{
    for (const auto& f : files_)
        if (f->cdx && !f->cdx->InAccess()) return false;
    return true;
}

bool TableIndexes::AllHeldAfterAccess() const
{
    if (files_.empty()) return false;
    for (const auto& f : files_)
        if (!f->cdx || !f->cdx->InAccess() || !f->cdx->KeepsLockAfterAccess()) return false;
    return true;
}

void TableIndexes::SettleBeforeRelease()
{
    // The records are on disk: their keys go in now, whatever happens to
    // the release after (a failed write leaves the file marked for rebuild).
    table_.SettleSharedTail();
    Settle();
}

const std::vector<dbfexpr::ExprField>& TableIndexes::Fields() const
{
    // A table's fields stay as they were opened.
    if (fields_.size() != table_.fields().size()) {
        fields_.clear();
        for (const FieldDef& f : table_.fields())
            fields_.push_back({f.name, f.type, f.offset, f.width, f.decimals});
    }
    return fields_;
}

dbfexpr::ExprContext TableIndexes::Context(std::uint32_t recno)
{
    const EngineSettings& s = Settings();
    dbfexpr::ExprContext context;
    context.recNo = recno;
    context.exact = s.exact;
    context.dateFormat = dbfexpr::ExprDateFormat(s.date.format);
    context.century = s.date.century;
    context.memoReader = [this](const dbfexpr::ExprField& field, std::string_view bytes,
                                std::string& out) {
        FieldDef f;
        f.name = field.name;
        f.type = field.type;
        f.offset = 0;
        f.width = std::uint32_t(bytes.size());
        std::string error;
        return table_.ReadMemo(f, bytes.data(), out, nullptr, error);
    };
    return context;
}

bool TableIndexes::CompileTag(IndexTag& tag, std::string& error)
{
    const std::vector<dbfexpr::ExprField>& fields = Fields();
    dbfexpr::ExprError e;
    dbfexpr::ExprCompileOptions options;
    options.dateFormat = dbfexpr::ExprDateFormat(Settings().date.format);
    options.century = Settings().date.century;
    tag.key = dbfexpr::Expression::Compile(tag.spec.keyExpression, fields, e, options);
    if (!tag.key) {
        error = "Schlüsselausdruck \"" + tag.spec.keyExpression + "\": " + dbfexpr::ExprErrorText(e);
        return false;
    }
    std::size_t length = tag.key->KeyLength(&e);
    if (length == 0) {
        error = "Schlüsselausdruck \"" + tag.spec.keyExpression + "\": " + dbfexpr::ExprErrorText(e);
        return false;
    }
    tag.condition.reset();
    if (!tag.spec.forExpression.empty()) {
        tag.condition = dbfexpr::Expression::Compile(tag.spec.forExpression, fields, e, options);
        if (!tag.condition || tag.condition->Type() != dbfexpr::ExprType::Logical) {
            error = "Bedingung \"" + tag.spec.forExpression + "\": " +
                    (tag.condition ? std::string("kein logischer Ausdruck")
                                   : dbfexpr::ExprErrorText(e));
            tag.condition.reset();
            return false;
        }
    }
    return true;
}

bool TableIndexes::MakeKey(IndexTag& tag, const char* image, std::string& key)
{
    dbfexpr::ExprContext context = Context(0);
    return tag.key->MakeKey(reinterpret_cast<const std::uint8_t*>(image), table_.recordLength(),
                            context, key);
}

bool TableIndexes::Passes(IndexTag& tag, const char* image)
{
    if (!tag.condition) return true;
    dbfexpr::ExprContext context = Context(0);
    bool result = false;
    return tag.condition->EvaluateLogical(reinterpret_cast<const std::uint8_t*>(image),
                                          table_.recordLength(), context, result) &&
           result;
}

bool TableIndexes::BuildKeys(IndexTag& tag, dbfcdx::CdxKeySet& keys, const Progress& progress,
                             std::string& error)
{
    std::uint32_t count = table_.RecordCount();
    keys.Reserve(count);
    std::string key;
    dbfexpr::ExprContext context = Context(0);
    const auto size = table_.recordLength();
    if (progress) progress(0, count);
    // The scan waits on memory more than it computes: the bytes the
    // expressions read (and the deletion flag) are fetched some records ahead.
    std::vector<std::size_t> touched{0};
    for (const auto* e : {tag.key.get(), tag.condition.get()})
        if (e)
            for (const dbfexpr::ExprField& f : e->FieldsUsed()) touched.push_back(f.offset);
    const std::size_t ahead = 32 * std::size_t(size);
    bool ok = table_.ScanRecords(
        count,
        [&](std::uint32_t r, const char* image) {
            const auto* rec = reinterpret_cast<const std::uint8_t*>(image);
            const auto at = reinterpret_cast<std::uintptr_t>(image) + ahead;
            for (std::size_t o : touched) __builtin_prefetch(reinterpret_cast<const void*>(at + o));
            context.recNo = r;
            bool in = true;
            if (tag.condition && !tag.condition->EvaluateLogical(rec, size, context, in)) in = false;
            if (in) {
                if (!tag.key->MakeKey(rec, size, context, key)) key.clear();
                keys.Add(key, r);
            }
            if (progress && r % 1024 == 0) progress(r, count);
        },
        error);
    if (ok && progress) progress(count, count);
    return ok;
}

void TableIndexes::FollowTagLists()
{
    if (table_.exclusive()) return;
    for (auto& f : files_) {
        if (!f->cdx) continue;
        try {
            // (The access reads the change counter, and the tag list with
            // the headers when it moved.)
            f->cdx->ReadAccess([] { return 0; });
        } catch (const dbfcdx::CdxError&) {
            // Busy or unreadable: the tags stay as known; the next read of
            // the file reports it.
            continue;
        }
        FollowTagList(*f);
    }
}

bool TableIndexes::ProductionChangesSeen(std::uint64_t& seen)
{
    if (!production_ || !production_->cdx || production_->tags.empty()) return false;
    dbfcdx::CdxFile& cdx = *production_->cdx;
    // (A held lock keeps every other process from changing the file.)
    if (!cdx.Held()) {
        try {
            cdx.ReadAccess([] { return 0; });
        } catch (const dbfcdx::CdxError&) {
            return false;  // the caller reads what it needs instead
        }
    }
    seen = cdx.ChangesSeen();
    return true;
}

void TableIndexes::FollowTagList(IndexFile& file)
{
    if (!TagListChanged(file)) return;
    std::string error;
    if (!Load(file, error)) pendingError_ = error;
}

bool TableIndexes::Load(IndexFile& file, std::string& error)
{
    ++generation_;
    file.tags.clear();
    file.tagList = file.cdx->TagListVersion();
    file.cdx->SetLeaseOwner(this);
    // (An index that covers another record count than the table's has
    // every tag rebuilt below.)
    file.cdx->SetTable(this);
    for (std::size_t i = 0; i < file.cdx->TagCount(); ++i) {
        dbfcdx::CdxTag& t = file.cdx->Tag(i);
        auto tag = std::make_unique<IndexTag>();
        tag->tag = &t;
        tag->spec.name = t.Name();
        tag->spec.keyExpression = t.KeyExpression();
        tag->spec.forExpression = t.ForExpression();
        tag->spec.unique = t.Unique();
        tag->spec.descending = t.Descending();
        tag->spec.keyLength = t.KeyLength();
        if (!CompileTag(*tag, error)) {
            error = "Index " + file.path + ", Tag " + t.Name() + ": " + error;
            return false;
        }
        tag->spec.keyType = KeyTypeOf(tag->key->Type());
        tag->spec.keyLength = int(tag->key->KeyLength());
        t.SetKeyType(tag->spec.keyType);
        file.tags.push_back(std::move(tag));
    }
    // Tags left half-changed are rebuilt now. A character tag built with
    // another sort-weight table waits: the program may hand the engine that
    // table right after opening (then the tag is usable as it is); else it
    // stays unused and is reported when an order asks for it.
    // A read-only opener cannot rebuild: its tags wait, reported unusable
    // when used, until a writer opens the table.
    if (!table_.writable()) return true;
    const std::uint32_t checksum = CurrentCollation().Checksum();
    std::vector<std::string> rebuild;
    for (auto& tag : file.tags) {
        if (!tag->tag->NeedsRebuild()) continue;
        bool otherWeights = tag->spec.keyType == dbfcdx::CdxKeyType::Character &&
                            tag->tag->CollationChecksum() != checksum;
        if (!otherWeights) rebuild.push_back(tag->spec.name);
    }
    // (Shared: an open that finds nothing to rebuild takes no write lock.)
    if (rebuild.empty()) return true;
    return file.cdx->Access([&] {
        for (const std::string& name : rebuild) {
            for (auto& tag : file.tags) {
                // Shared: another process may have rebuilt it meanwhile.
                if (tag->spec.name != name || !tag->tag->NeedsRebuild()) continue;
                dbfcdx::CdxKeySet keys(tag->spec.keyLength, PadOf(tag->spec.keyType));
                if (!BuildKeys(*tag, keys, nullptr, error)) return false;
                file.cdx->RebuildTag(tag->spec.name, std::move(keys));
            }
        }
        return true;
    });
}

bool TableIndexes::MakeUsable(IndexFile& file, IndexTag& tag, std::string& error)
{
    Settle();
    if (!tag.tag->NeedsRebuild()) return true;
    if (!table_.writable()) {
        error = "Index " + tag.spec.name + ": " + tag.tag->RebuildReason();
        return false;
    }
    std::string name = tag.spec.name;
    try {
        bool built = file.cdx->Access([&] {
            file.cdx->SetCollation(CurrentCollation());
            if (!tag.tag->NeedsRebuild()) return true;  // another process did it
            // A character tag built with another sort-weight table is left
            // as it is and reported: rebuilt for this table it would be lost
            // to the program that built it, which would rebuild it back.
            // Usable again under its own table; a reindex makes it anew.
            if (tag.tag->KeyType() == dbfcdx::CdxKeyType::Character &&
                tag.tag->CollationChecksum() != CurrentCollation().Checksum()) {
                error = "Index " + name + ": Der Index " + name +
                        " wurde mit einer anderen Sortiertabelle erstellt";
                return false;
            }
            dbfcdx::CdxKeySet keys(tag.spec.keyLength, PadOf(tag.spec.keyType));
            if (!BuildKeys(tag, keys, nullptr, error)) return false;
            file.cdx->RebuildTag(name, std::move(keys));
            file.cdx->Flush();
            return true;
        });
        return built && Load(file, error);
    } catch (const dbfcdx::CdxBusy& e) {
        error = BusyText(e);
        return false;
    } catch (const dbfcdx::CdxError& e) {
        error = "Indexdatei " + file.path + ": " + e.what();
        MarkBroken(file, error);
        return false;
    }
}

void TableIndexes::CollationChanged()
{
    // Waiting keys go in with the sort-weight table they were appended
    // under (a tag set aside now would miss them if it became usable again).
    Settle();
    for (auto& f : files_) {
        if (!f->cdx) continue;
        f->cdx->SetCollation(CurrentCollation());
        ++generation_;
    }
}

bool TableIndexes::BecomeWritable(std::string& error)
{
    for (auto& f : files_) {
        if (!f->cdx) continue;
        try {
            f->cdx->ReopenWritable(f->path);
        } catch (const dbfcdx::CdxError& e) {
            error = e.what();
            return false;
        }
    }
    return true;
}

bool TableIndexes::OpenProduction(std::string& note, std::string& error)
{
    std::string path = SiblingPath(table_.path(), ".CDX");
    if (!Exists(path)) return true;
    std::string why;
    bool busy = false;
    IndexFile* file = OpenFile(path, why, &busy);
    if (file && !table_.writable() && file->cdx && file->cdx->CutShort()) {
        // Every tag must be made anew, which a read-only opener cannot do:
        // the table opens without the index, as with one it cannot read,
        // until a writer rebuilds it.
        note += (note.empty() ? "" : "; ") + std::string("Indexdatei ") + path + " muss neu aufgebaut werden (" +
                file->cdx->CutShortReason() + "); die Tabelle ist ohne Index geöffnet";
        Release(file);
        return true;
    }
    if (file) {
        file->production = true;
        production_ = file;
        return true;
    }
    // Another process keeps the file's lock: it is sound and in use, and
    // the table without it would take records no tag holds.
    if (busy) {
        error = why;
        return false;
    }
    // The tag definitions cannot be read: set the file aside so the table
    // opens; whoever needs the tags builds them again. Only while the table
    // is held exclusively: another process may be using the file (one read
    // error on a share says nothing about the file it reads fine), and two
    // programs must never keep two indexes of one table. A read-only or
    // shared opener leaves the file where it is and opens the table without
    // it.
    std::string inUse;
    if (!table_.writable()) {
        note += (note.empty() ? "" : "; ") + why + "; die Tabelle ist ohne Index geöffnet";
        return true;
    }
    if (!table_.EnsureExclusiveUse(inUse)) {
        // Changes made here would be missing from the index the others
        // keep: the table is read only for this opener.
        const std::string reason = why + "; die Tabelle ist ohne Index und nur zum Lesen geöffnet, "
                                         "die Indexdatei bleibt, solange andere Programme die Tabelle benutzen";
        table_.RefuseWrites(reason);
        note += (note.empty() ? "" : "; ") + reason;
        return true;
    }
    struct Release {
        DbfTable& t;
        ~Release() { t.ReleaseExclusiveUse(); }
    } release{table_};
    std::string aside = path + ".bad";
    if (!RenameFile(path, aside)) {
        note += (note.empty() ? "" : "; ") + why + "; die Indexdatei lässt sich nicht nach " +
                aside + " verschieben (" + ErrnoText() + "), die Tabelle ist ohne Index geöffnet";
        return true;
    }
    note += (note.empty() ? "" : "; ") + why + "; die Indexdatei wurde nach " + aside +
            " verschoben";
    return true;
}

IndexFile* TableIndexes::OpenFile(const std::string& path, std::string& error, bool* busy)
{
    Settle();
    for (auto& f : files_)
        if (f->path == path) {
            ++f->users;
            return f.get();
        }
    auto file = std::make_unique<IndexFile>();
    file->path = path;
    // A read error is tried once more before the file counts as damaged (a
    // network share may fail one read).
    for (int attempt = 0;; ++attempt) {
        try {
            file->cdx = dbfcdx::CdxFile::Open(path, !table_.writable(), CurrentCollation(),
                                              !table_.exclusive());
            if (!Load(*file, error)) return nullptr;
            break;
        } catch (const dbfcdx::CdxBusy& e) {
            error = BusyText(e);
            if (busy) *busy = true;
            return nullptr;
        } catch (const dbfcdx::CdxError& e) {
            file->cdx.reset();
            if (attempt == 0) continue;
            error = "Indexdatei " + path + " ist beschädigt: " + e.what();
            return nullptr;
        }
    }
    file->users = 1;
    files_.push_back(std::move(file));
    return files_.back().get();
}

IndexFile* TableIndexes::CreateFile(const std::string& path, std::string& error)
{
    Settle();
    auto file = std::make_unique<IndexFile>();
    file->path = path;
    try {
        file->cdx = dbfcdx::CdxFile::Create(path, CurrentCollation());
        file->cdx->SetTable(this);
        file->cdx->SetShared(!table_.exclusive());
    } catch (const dbfcdx::CdxError& e) {
        error = "Indexdatei " + path + " lässt sich nicht anlegen: " + e.what();
        return nullptr;
    }
    file->users = 1;
    ++generation_;
    files_.push_back(std::move(file));
    return files_.back().get();
}

void TableIndexes::Release(IndexFile* file)
{
    if (!file || file->production || --file->users > 0) return;
    Settle();  // the file gets the keys of the records appended while it was open
    std::string ignored;
    try {
        file->cdx->Flush();
    } catch (const dbfcdx::CdxError&) {
    }
    ++generation_;
    files_.erase(std::remove_if(files_.begin(), files_.end(),
                                [&](const auto& f) { return f.get() == file; }),
                 files_.end());
}

IndexTag* TableIndexes::CreateTag(IndexFile* file, const std::string& path,
                                  const std::string& name, const std::string& keyExpression,
                                  const std::string& forExpression, bool unique, bool descending,
                                  const Progress& progress, std::string& error)
{
    Settle();
    if (!table_.writable()) {
        error = "Tabelle " + table_.path() + " ist schreibgeschützt geöffnet";
        return nullptr;
    }
    IndexTag fresh;
    fresh.spec.name = name;
    fresh.spec.keyExpression = keyExpression;
    fresh.spec.forExpression = forExpression;
    fresh.spec.unique = unique;
    fresh.spec.descending = descending;
    if (name.empty() || name.size() > 10) {
        error = "Ungültiger Tagname \"" + name + "\"";
        return nullptr;
    }
    if (!CompileTag(fresh, error)) return nullptr;
    fresh.spec.keyType = KeyTypeOf(fresh.key->Type());
    fresh.spec.keyLength = int(fresh.key->KeyLength());
    dbfcdx::CdxKeySet keys(fresh.spec.keyLength, PadOf(fresh.spec.keyType));
    if (!BuildKeys(fresh, keys, progress, error)) return nullptr;
    try {
        if (!file) {
            if (!production_) {
                auto created = std::make_unique<IndexFile>();
                created->path = path;
                created->production = true;
                created->cdx = dbfcdx::CdxFile::Create(path, CurrentCollation());
                created->cdx->SetTable(this);
                // Shared: other processes may open the new file at once; it
                // is used under its lock from the start, as one opened.
                created->cdx->SetShared(!table_.exclusive());
                files_.insert(files_.begin(), std::move(created));
                production_ = files_.front().get();
                if (!table_.MarkProductionIndex(true, error)) return nullptr;
            }
            file = production_;
        }
        file->cdx->Access([&] {
            file->cdx->SetCollation(CurrentCollation());
            file->cdx->AddTag(fresh.spec, std::move(keys));
            file->cdx->Flush();
            return 0;
        });
        if (!Load(*file, error)) return nullptr;
    } catch (const dbfcdx::CdxBusy& e) {
        error = BusyText(e);
        return nullptr;
    } catch (const dbfcdx::CdxError& e) {
        error = std::string("Indexdatei ") + (file ? file->path : path) + ": " + e.what();
        return nullptr;
    }
    for (auto& t : file->tags)
        if (dbf::UpperAscii(t->spec.name) == dbf::UpperAscii(name)) return t.get();
    error = "Tag " + name + " fehlt nach dem Anlegen";
    return nullptr;
}

bool TableIndexes::RebuildFile(IndexFile& file, const Progress& progress, std::string& error)
{
    Settle();
    if (!table_.writable()) {
        error = "Tabelle " + table_.path() + " ist schreibgeschützt geöffnet";
        return false;
    }
    // The file is replaced by a new one: no other process may hold the old
    // one open meanwhile, and nobody may be in the middle of using it here.
    if (file.cdx && file.cdx->InAccess()) {
        error = "Indexdatei " + file.path + " wird gerade benutzt und wird später neu aufgebaut";
        return false;
    }
    if (!table_.EnsureExclusiveUse(error)) {
        error = "Indexdatei " + file.path + " kann nicht neu aufgebaut werden, solange andere "
                "Programme die Tabelle benutzen: " + error;
        return false;
    }
    struct Release {
        DbfTable& t;
        ~Release() { t.ReleaseExclusiveUse(); }
    } release{table_};
    std::vector<dbfcdx::CdxTagSpec> specs;
    for (auto& t : file.tags) specs.push_back(t->spec);
    ++generation_;
    // The new file is built beside the old one and replaces it when it is
    // complete and on disk: a crash during the build never leaves a file
    // with some of the tags missing.
    const std::string building = file.path + ".tm$";
    auto build = [&]() {
        file.tags.clear();
        file.cdx.reset();
        file.cdx = dbfcdx::CdxFile::Create(building, CurrentCollation());
        file.cdx->SetTable(this);
        for (const auto& spec : specs) {
            IndexTag tag;
            tag.spec = spec;
            if (!CompileTag(tag, error)) return false;
            dbfcdx::CdxKeySet keys(spec.keyLength, PadOf(spec.keyType));
            if (!BuildKeys(tag, keys, progress, error)) return false;
            file.cdx->AddTag(spec, std::move(keys));
        }
        file.cdx->Flush();
        file.cdx->Sync();
        file.cdx->SetShared(!table_.exclusive());
        if (RenameFile(building, file.path)) return true;
        error = "Indexdatei " + file.path + " lässt sich nicht ersetzen: " + ErrnoText();
        return false;
    };
    try {
        if (build()) return Load(file, error);
    } catch (const dbfcdx::CdxError& e) {
        error = "Indexdatei " + file.path + ": " + e.what();
    }
    file.tags.clear();
    file.cdx.reset();
    UnlinkFile(building);
    return false;
}

bool TableIndexes::RebuildAll(const Progress& progress, std::string& error)
{
    for (auto& f : files_)
        if (!RebuildFile(*f, progress, error)) return false;
    return true;
}

bool TableIndexes::Flush(std::string& error)
{
    Settle();
    if (FailedOutsideCalls(error)) return false;
    for (auto& f : files_) {
        // Shared: a file whose write lock this process does not hold has
        // nothing unwritten (an access that leaves changes keeps the lock),
        // and needs no lock to be asked for: a commit with nothing to write
        // is never busy, not even while another process reads.
        if (f->cdx && f->cdx->Shared() && !f->cdx->WriteLocked()) continue;
        try {
            // Shared: a lock held across calls goes back with what it kept
            // written (a commit then syncs without keeping other processes
            // waiting); within an access the pages are written under it.
            if (f->cdx && !f->cdx->Broken() && f->cdx->Held() && !f->cdx->InAccess()) {
                try {
                    f->cdx->Flush();
                } catch (const dbfcdx::CdxError& e) {
                    // The lock went back with a write failed: the dirty
                    // marks on disk make every process rebuild the file.
                    // Reported here and made anew at once, so the next
                    // call does not report the same failure again.
                    if (!f->cdx->Broken()) throw;
                    const std::string why = e.what();
                    error = "Indexdatei " + f->path + ": " + why + "; der Index wird neu aufgebaut";
                    MarkBroken(*f, why);
                    return false;
                }
            } else if (f->cdx && !f->cdx->Broken())
                f->cdx->Access([&] {
                    f->cdx->Flush();
                    return 0;
                });
        } catch (const dbfcdx::CdxBusy& e) {
            error = BusyText(e);
            return false;
        } catch (const dbfcdx::CdxError& e) {
            error = "Indexdatei " + f->path + ": " + e.what();
            return false;
        }
    }
    return true;
}

bool TableIndexes::Sync(std::string& error)
{
    if (!Flush(error)) return false;
    for (auto& f : files_) {
        try {
            if (f->cdx && !f->cdx->Broken()) f->cdx->SyncChanges();
        } catch (const dbfcdx::CdxError& e) {
            error = "Indexdatei " + f->path + ": " + e.what();
            return false;
        }
    }
    return true;
}

bool TableIndexes::AccessFrom(const std::vector<IndexFile*>& files, std::size_t i,
                              const std::function<bool()>& f)
{
    while (i < files.size() && !files[i]->cdx) ++i;
    if (i == files.size()) return f();
    return files[i]->cdx->Access([&] { return AccessFrom(files, i + 1, f); });
}

bool TableIndexes::FailedOutsideCalls(std::string& error)
{
    // (Keys still waiting: a file could not be made anew without them; the
    // change that puts them in meets the broken file and remakes it.)
    if (pendingCount_) return false;
    for (auto& file : files_) {
        if (!file->cdx || !file->cdx->Broken() || file->cdx->InAccess()) continue;
        // A write failed while the lock went back between the program's
        // calls (its dirty marks stay on disk: every process rebuilds the
        // file). This call reports it, the file is made anew.
        const std::string why = file->cdx->BrokenReason();
        error = "Indexdatei " + file->path + ": " + why + "; der Index wird neu aufgebaut";
        MarkBroken(*file, why);
        return true;
    }
    return false;
}

bool TableIndexes::FailedInBackground(std::string& error)
{
    for (const auto& file : files_)
        if (file->cdx && file->cdx->InAccess()) return false;
    if (!deferredBroken_.empty()) {
        const auto& [file, why] = deferredBroken_.front();
        error = "Indexdatei " + file->path + ": " + why + "; der Index wird neu aufgebaut";
        RebuildDeferred();
        return true;
    }
    return FailedOutsideCalls(error);
}

bool TableIndexes::AccessAll(const std::function<bool()>& f, std::string& error)
{
    if (FailedOutsideCalls(error)) return false;
    // A file lost to a failed change is opened again first: a record
    // written without it would be missing from the index the others use.
    for (auto& file : files_)
        if (!file->cdx && !file->lost.empty() && !Reopen(*file, error)) return false;
    // (Keys that wait are settled by the write itself when it is not the
    // one of the record they wait for.)
    bool done = false, result = false;
    try {
        // In the order of their paths: every process takes the locks of
        // several files in one order, so none waits for another in a circle.
        std::vector<IndexFile*> files;
        for (auto& file : files_) files.push_back(file.get());
        std::sort(files.begin(), files.end(),
                  [](const IndexFile* a, const IndexFile* b) { return a->path < b->path; });
        AccessFrom(files, 0, [&] {
            done = true;
            return result = f();
        });
        RebuildDeferred();
        return result;
    } catch (const dbfcdx::CdxError& e) {
        // Another process keeps a lock: nothing was written, the files are
        // sound; the caller reports the table as busy.
        if (const auto* busy = dynamic_cast<const dbfcdx::CdxBusy*>(&e); busy && !done) {
            error = BusyText(*busy);
            return false;
        }
        // An index file could not be read again or written: derived data,
        // made anew from the table.
        for (auto& file : files_)
            if (file->cdx && (file->cdx->Broken() || !done)) MarkBroken(*file, e.what());
        return done ? result : f();
    }
}

std::string TableIndexes::BusyText(const dbfcdx::CdxBusy& busy) const
{
    return BusyMessage(table_.path(), busy.Path(), busy.Stopped());
}

void TableIndexes::RebuildAfterError(IndexFile& file, const dbfcdx::CdxError& why)
{
    if (const auto* busy = dynamic_cast<const dbfcdx::CdxBusy*>(&why)) {
        pendingError_ = BusyText(*busy);
        return;
    }
    MarkBroken(file, why.what());
}

std::string TableIndexes::ReadFailed(IndexFile& file, const dbfcdx::CdxError& why)
{
    const std::string reason = "Indexdatei " + file.path + " lässt sich nicht lesen: " + why.what();
    const std::string outcome = MarkBroken(file, why.what());
    TakeError();  // (told by this call, with the read's reason)
    return reason + "; " + outcome;
}

void TableIndexes::RebuildDeferred()
{
    auto broken = std::exchange(deferredBroken_, {});
    for (const auto& [file, why] : broken)
        for (auto& f : files_)
            if (f.get() == file) MarkBroken(*file, why);
}

bool TableIndexes::MarkChanging(std::string& error)
{
    for (auto& f : files_) {
        try {
            if (f->cdx) f->cdx->MarkChanging();
        } catch (const dbfcdx::CdxError& e) {
            error = "Indexdatei " + f->path + ": " + e.what();
            return false;
        }
    }
    return true;
}

bool TableIndexes::MarkForRebuild(std::string& error)
{
    Settle();
    for (auto& f : files_) {
        try {
            if (f->cdx) f->cdx->MarkForRebuild("die Satznummern der Tabelle ändern sich");
        } catch (const dbfcdx::CdxError& e) {
            error = "Indexdatei " + f->path + ": " + e.what();
            return false;
        }
    }
    return true;
}

std::string TableIndexes::MarkBroken(IndexFile& file, const std::string& why)
{
    // Inside an access of the file it cannot be replaced: after it.
    if (file.cdx && file.cdx->InAccess()) {
        deferredBroken_.push_back({&file, why});
        return "der Index wird neu aufgebaut";
    }
    // Derived data: make the file anew from the table.
    std::string error;
    if (RebuildFile(file, nullptr, error)) return "der Index wurde aus der Tabelle neu aufgebaut";
    ++generation_;
    file.tags.clear();
    file.cdx.reset();
    // Other programs using the table keep it from being made anew as a
    // whole. That is no failure of its own (the file is rebuilt in place
    // below, or at its next use), and the failure told stays the change's:
    // never the album reported busy when its disk failed.
    const bool othersUseTable = BusyKindOf(error) != BusyKind::None;
    const std::string failed = "Indexdatei " + file.path + ": " + why + "; ";
    std::string outcome = othersUseTable ? "der Index wird neu aufgebaut" : "Neuaufbau fehlgeschlagen: " + error;
    pendingError_ = failed + outcome;
    // Shared with other processes (so not rebuilt as a whole): the file is
    // read again; the dirty mark the failed change left makes every tag be
    // rebuilt in place, under the lock, and this process keeps its keys in
    // step from then on. Else it is tried again at the next use.
    if (!table_.exclusive() && table_.writable() && Reopen(file, error)) return outcome;
    if (othersUseTable) {
        outcome = BusyKindOf(error) == BusyKind::None
                      ? "er lässt sich nicht wieder öffnen: " + error
                      : "er wird bei seiner nächsten Benutzung wieder geöffnet und neu aufgebaut";
        pendingError_ = failed + outcome;
    }
    file.lost = pendingError_;
    return outcome;
}

bool TableIndexes::Reopen(IndexFile& file, std::string& error)
{
    if (file.cdx) return true;
    ++generation_;
    try {
        file.cdx = dbfcdx::CdxFile::Open(file.path, !table_.writable(), CurrentCollation(),
                                          !table_.exclusive());
        if (!Load(file, error)) file.cdx.reset();
    } catch (const dbfcdx::CdxBusy& e) {
        error = BusyText(e);
        file.cdx.reset();
    } catch (const dbfcdx::CdxError& e) {
        error = "Indexdatei " + file.path + ": " + e.what();
        file.cdx.reset();
    }
    if (!file.cdx) {
        file.tags.clear();
        return false;
    }
    // The calls that failed meanwhile reported the loss; the index is
    // whole again.
    if (!file.lost.empty() && pendingError_ == file.lost) pendingError_.clear();
    file.lost.clear();
    return true;
}


bool TableIndexes::Follows(const char* oldImage, const char* newImage) const
{
    for (const auto& f : files_) {
        if (!f->cdx) continue;
        for (const auto& t : f->tags)
            if (!SameInputs(t->key.get(), oldImage, newImage) ||
                !SameInputs(t->condition.get(), oldImage, newImage))
                return true;
    }
    return false;
}

void TableIndexes::RecordWritten(std::uint32_t recno, const char* oldImage, const char* newImage)
{
    const std::size_t size = table_.recordLength();
    // An appended record is usually filled by the writes that follow it
    // (fields, memos): its keys go into the tags once it settles, not as a
    // blank record first.
    if (pendingCount_ && recno >= pendingFirst_ && recno - pendingFirst_ < pendingCount_) {
        std::memcpy(pendingImages_.data() + (recno - pendingFirst_) * size, newImage, size);
        return;
    }
    // Shared: the keys wait only while every index file is held (within the
    // append's access, and kept held after it while they wait); another
    // process could otherwise write the record before they are in.
    if (!oldImage && (table_.exclusive() || AllInAccess())) {
        // The next record of the run joins it, up to 1024 records or 4 MB.
        const std::size_t most = std::clamp<std::size_t>((std::size_t(4) << 20) / std::max<std::size_t>(size, 1), 1, 1024);
        if (!pendingCount_ || recno != pendingFirst_ + pendingCount_ || pendingCount_ >= most) {
            Settle();
            pendingFirst_ = recno;
        }
        pendingImages_.insert(pendingImages_.end(), newImage, newImage + size);
        ++pendingCount_;
        return;
    }
    Settle();
    Apply(recno, oldImage, newImage);
}

void TableIndexes::Settle()
{
    if (!pendingCount_) return;
    auto settle = [this] {
        if (!pendingCount_) return true;  // settled on the way (see below)
        const std::uint32_t first = std::exchange(pendingFirst_, 0);
        const std::uint32_t count = std::exchange(pendingCount_, 0);
        std::vector<char> images = std::exchange(pendingImages_, {});
        ApplyAppended(first, count, images.data());
        // The buffer serves the next run.
        if (pendingImages_.empty()) {
            images.clear();
            pendingImages_ = std::move(images);
        }
        return true;
    };
    if (table_.exclusive()) {
        settle();
        return;
    }
    // Shared: the keys stop waiting only once every index file is in this
    // access. Taking a held file may hand it to a waiting process first;
    // that release settles the keys itself, under the lock still held (so a
    // lock that stays busy afterwards leaves none waiting: the failure is
    // the next change's to report).
    std::string busy;
    AccessAll(settle, busy);
}

void TableIndexes::Apply(std::uint32_t recno, const char* oldImage, const char* newImage)
{
    std::string& oldKey = oldKey_;
    std::string& newKey = key_;
    dbfexpr::ExprContext context = Context(recno);
    const auto size = table_.recordLength();
    const auto* oldRec = reinterpret_cast<const std::uint8_t*>(oldImage);
    const auto* newRec = reinterpret_cast<const std::uint8_t*>(newImage);
    auto passes = [&](IndexTag& t, const std::uint8_t* rec) {
        bool result = false;
        return !t.condition || (t.condition->EvaluateLogical(rec, size, context, result) && result);
    };
    auto makeKey = [&](IndexTag& t, const std::uint8_t* rec, std::string& key) {
        if (!t.key->MakeKey(rec, size, context, key)) key.clear();
    };
    ChangeUsableTags([&](IndexTag& t) {
        // Most writes leave most tags' fields alone (a memo stored, one
        // field edited): nothing to do for those.
        if (oldImage && SameInputs(t.key.get(), oldImage, newImage) &&
            SameInputs(t.condition.get(), oldImage, newImage))
            return;
        bool oldIn = oldImage && passes(t, oldRec);
        bool newIn = passes(t, newRec);
        if (oldIn) makeKey(t, oldRec, oldKey);
        if (newIn) makeKey(t, newRec, newKey);
        if (oldIn && newIn && oldKey == newKey) return;
        if (oldIn) t.tag->Delete(oldKey, recno);
        if (newIn) t.tag->Insert(newKey, recno);
    });
}

void TableIndexes::ChangeUsableTags(const std::function<void(IndexTag&)>& change)
{
    for (auto& f : files_) {
        if (!f->cdx) continue;
        try {
            // Shared: one access per file, under its lock and with what
            // other processes changed read first.
            f->cdx->Access([&] {
                // Tags another process added since are kept in step too.
                FollowTagList(*f);
                for (auto& t : f->tags) {
                    // A tag waiting for its rebuild is made from the table
                    // then; one set aside for another sort-weight table no
                    // longer follows the table and must be rebuilt too.
                    if (!t->tag->NeedsRebuild()) change(*t);
                    else t->tag->MissedChange();
                }
                return 0;
            });
        } catch (const dbfcdx::CdxError& e) {
            MarkBroken(*f, e.what());
        }
    }
}

const TableIndexes::AppendedKeys& TableIndexes::KeysOfAppended(IndexTag& tag, std::uint32_t first,
                                                               std::uint32_t count,
                                                               const char* images,
                                                               dbfexpr::ExprContext& context)
{
    // Tags of one key expression (the album has each twice, with two FOR
    // conditions) share the keys and their order.
    const int length = tag.tag->KeyLength();
    const dbfcdx::CdxKeyType type = tag.tag->KeyType();
    const std::uint32_t collation =
        type == dbfcdx::CdxKeyType::Character ? tag.tag->CollationChecksum() : 0;
    for (std::size_t g = 0; g < appendedKeysUsed_; ++g) {
        const AppendedKeys& keys = appendedKeys_[g];
        if (keys.keyLength == length && keys.keyType == type && keys.collation == collation &&
            keys.keyExpression == tag.spec.keyExpression)
            return keys;
    }
    if (appendedKeysUsed_ == appendedKeys_.size()) appendedKeys_.emplace_back();
    AppendedKeys& keys = appendedKeys_[appendedKeysUsed_++];
    keys.keyExpression = tag.spec.keyExpression;
    keys.keyLength = length;
    keys.keyType = type;
    keys.collation = collation;
    const std::size_t size = table_.recordLength();
    const std::size_t width = std::size_t(length);
    keys.keys.resize(std::size_t(count) * width);
    for (std::uint32_t i = 0; i < count; ++i) {
        context.recNo = first + i;
        const auto* rec = reinterpret_cast<const std::uint8_t*>(images + i * size);
        if (!tag.key->MakeKey(rec, size, context, key_)) key_.clear();
        tag.tag->FormKeyInto(key_, stored_);
        std::memcpy(keys.keys.data() + i * width, stored_.data(), width);
    }
    // In (key, record) order; the places ascend with the record numbers.
    dbfcdx::CdxSortKeys(keys.keys.data(), count, length, nullptr, keys.order);
    return keys;
}

const std::vector<char>& TableIndexes::FilterOfAppended(IndexTag& tag, std::uint32_t first,
                                                        std::uint32_t count, const char* images,
                                                        dbfexpr::ExprContext& context)
{
    for (std::size_t g = 0; g < appendedFiltersUsed_; ++g)
        if (appendedFilters_[g].forExpression == tag.spec.forExpression)
            return appendedFilters_[g].in;
    if (appendedFiltersUsed_ == appendedFilters_.size()) appendedFilters_.emplace_back();
    AppendedFilter& filter = appendedFilters_[appendedFiltersUsed_++];
    filter.forExpression = tag.spec.forExpression;
    filter.in.assign(count, 0);
    const std::size_t size = table_.recordLength();
    for (std::uint32_t i = 0; i < count; ++i) {
        context.recNo = first + i;
        const auto* rec = reinterpret_cast<const std::uint8_t*>(images + i * size);
        bool result = false;
        filter.in[i] = tag.condition->EvaluateLogical(rec, size, context, result) && result;
    }
    return filter.in;
}

void TableIndexes::ApplyAppended(std::uint32_t first, std::uint32_t count, const char* images)
{
    appendedKeysUsed_ = 0;
    appendedFiltersUsed_ = 0;
    dbfexpr::ExprContext context = Context(first);
    ChangeUsableTags([&](IndexTag& t) {
        const AppendedKeys& keys = KeysOfAppended(t, first, count, images, context);
        const char* in =
            t.condition ? FilterOfAppended(t, first, count, images, context).data() : nullptr;
        // In (key, record) order: each insert lands in or next to the leaf
        // of the one before; of equal keys in a unique tag the lowest record
        // number comes first and stays.
        const std::size_t width = std::size_t(keys.keyLength);
        for (std::uint32_t i : keys.order)
            if (!in || in[i])
                t.tag->InsertStored(std::string_view(keys.keys.data() + i * width, width), first + i);
    });
}

void TableIndexes::TableRebuilt()
{
    pendingFirst_ = pendingCount_ = 0;  // the rebuild reads every record
    pendingImages_.clear();
    std::string error;
    const Progress* progress = table_.activeProgress();
    if (!RebuildAll(progress ? *progress : Progress(), error)) pendingError_ = error;
}

}  // namespace dbf
