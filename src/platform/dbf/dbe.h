// The DBF engine's public API: FoxPro-format DBF tables with FPT memo files
// and CDX compound indexes, reached through C-style `dbe_` functions.
//
// Conventions
// - Work areas are numbered 1 to 255; 0 means "none". Most calls act on the
//   selected work area (dbe_Select). A call that needs an open table and finds
//   none in the selected area fails (0, empty text, false).
// - Texts are zero-terminated byte strings passed through unchanged: the
//   engine does no character-set conversion (the layers above hand it
//   Windows-1252). Field, tag and alias names compare ignoring ASCII case.
// - A returned `const char*` points into engine memory and stays valid until
//   the next call of the same function (or until the area closes); copy it
//   if you need it longer. It is never null: failures give "".
// - Unless a function says otherwise, int results are 1 (or another non-zero
//   value) for success and 0 for failure. After a failure dbe_LastError()
//   gives a readable reason in German (UTF-8, file names as passed).
// - The engine never shows any user interface and is single-threaded: call
//   it from one thread only.
// - Records are numbered from 1. The record after the last one
//   (RecCount + 1) is the "phantom" record: an area stands on it when it is
//   past the end (Eof); its fields read as blank.
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Engine start and end
// ---------------------------------------------------------------------------

// Text passing mode. Only 1 (zero-terminated texts) exists; any value is
// accepted and recorded. Gives the previous mode.
int dbe_SetStringType(int type);

// Error reporting level. Recorded only: the engine never shows messages, it
// reports failures through results and dbe_LastError. Gives the previous level.
int dbe_ErrorLevel(int level);

// Version text of the engine, "2.50.00" and so on (its 7th/8th characters read
// as a non-negative number).
const char* dbe_Version();

// Closes every work area (see dbe_Close). The selected area number and the
// engine settings stay as they are.
void dbe_CloseAll();

// Readable reason for the last failure (German, UTF-8), or a note about a
// repair the last dbe_Use made (see dbe_Use). "" when the last failing call
// left no reason. Cleared at the start of dbe_Use and dbe_CreateNew, of the
// moves (dbe_GoTop, dbe_GoBottom, dbe_Skip, dbe_Go: a 0 without a reason is
// a move onto the phantom record) and of the calls whose 0 may also be an
// answer (dbe_Seek, dbe_OrderRecNo, dbe_QueryRecCount); other successful
// calls leave it alone.
const char* dbe_LastError();

// What kind of failure dbe_LastError reports, decided by the engine where
// the failure arose (never by the words of the reason, which hold paths).
enum : int {
    DBE_ERR_NONE = 0,       // no failure (or a note of dbe_Use)
    DBE_ERR_FAILED = 1,     // any failure but busy
    DBE_ERR_BUSY = 2,       // another program holds the table, its index or
                            // a record (past the wait): nothing was changed
    DBE_ERR_OPEN_HERE = 3,  // open in this process already, so it cannot be
                            // had exclusively
    DBE_ERR_REFUSED = 4,    // called back from the gauge hook of a long
                            // operation that the call would disturb
};
// Code of the failure dbe_LastError reports; set and cleared with it.
int dbe_LastErrorCode();

// ---------------------------------------------------------------------------
// Work areas
// ---------------------------------------------------------------------------

// Open modes of dbe_Use.
enum : int {
    DBE_SHARED = 0,     // read and write, other openers allowed
    DBE_READONLY = 1,   // read only, other openers allowed
    DBE_EXCLUSIVE = 2   // read and write, no other opener (this or another process)
};

// Table types of dbe_Use and dbe_CreateNew. Type 2 (FoxPro: DBF, FPT memo,
// CDX index) is the one the system uses and creates. The other types open
// their DBF part: records and plain fields; their memo fields read from an
// FPT file of the table's name when one exists, else as empty.
enum : int {
    DBE_TYPE_NTX = 1,     // Clipper-style table
    DBE_TYPE_FOX = 2,     // FoxPro table: DBF + FPT + CDX
    DBE_TYPE_NSX = 3,     // table with NSX index
    DBE_TYPE_RXNTX = 11,  // same as 1
    DBE_TYPE_RXFOX = 12   // same as 2
};

// Opens the DBF file `file` (path as given; ".DBF" appended when the name has
// no extension) in the lowest free work area and selects that area.
// `alias`: the area's name; null or "" takes the file's base name. The alias
// is upper-cased; an alias already in use fails.
// `mode`: DBE_SHARED, DBE_READONLY or DBE_EXCLUSIVE. An exclusive open fails
// while any other area or process has the file open, and a later open of an
// exclusively opened file fails likewise. Areas on one file may mix read-only
// and shared opens in any order; a read-only area refuses writes whatever the
// other areas may do.
// `type`: one of the table types above (anything else is taken as 2).
// The memo file (.FPT) and, for types 2/12, the production index (.CDX of the
// table's name, when it exists) open with the table. A read-only open of a
// table whose production index must be rebuilt as a whole (a change cut
// short, a record count that differs) opens the table without it and says
// so in dbe_LastError (code DBE_ERR_NONE), as for an index it cannot read;
// a writer that opens the table later opens and rebuilds the index.
// A table whose header record count disagrees with the file size opens with
// the count of whole records the file really holds; dbe_LastError then tells
// what was corrected and dbe_SysProp(DBE_PROP_REPAIRED) gives 1 for the area.
// Gives the work area, or 0 on failure.
uint16_t dbe_Use(const char* file, const char* alias, int mode, int type);

// Selects `area` (1-255, open or not) and gives the area selected before.
// An area above 255 changes nothing and gives 0. dbe_Select(0) selects none.
uint16_t dbe_Select(uint16_t area);

// The work area whose alias is `alias` (ignoring case), 0 when none.
// Null or "" gives the selected area.
uint16_t dbe_WorkArea(const char* alias);

// Alias of the selected area, "" when none is open there.
const char* dbe_Alias();

// Closes the table of the selected area (writing any pending change, and
// releasing the area's record locks). The area stays selected but empty.
// Other areas on the same file keep their file and their locks. 0 when no
// table was open there or when writing what was pending failed (the area is
// closed all the same; dbe_LastError says what was not written).
int dbe_Close();

// ---------------------------------------------------------------------------
// Moving between records (selected area)
// ---------------------------------------------------------------------------
// Visibility: with dbe_SetDeleted(1) deleted records are skipped; an active
// query (dbe_Query, dbe_SetQueryBit) and scope (dbe_SetScope) skip the records
// outside them. Moves follow the current order (natural record order when it
// is 0, else the index tag's order). dbe_Go goes to any record regardless.
// A move that cannot read what it needs (another program keeps the index
// lock past the wait: DBE_ERR_BUSY; an index or record that cannot be read)
// gives 0 with dbe_LastError and leaves the area where it stood: it never
// answers "end" for a walk it could not make.

// To the first visible record. With none: Bof and Eof, on the phantom record.
int dbe_GoTop();
// To the last visible record. With none: Bof and Eof, on the phantom record.
int dbe_GoBottom();
// `n` visible records forward (n > 0) or back (n < 0); 0 re-reads the record.
// Forward past the last record: stands on the phantom record RecCount + 1,
// Eof set. Back past the first: stays on the first visible record, Bof set.
// Back from the phantom record reaches the last visible record.
// Gives 1, or 0 when no table is open or the move failed (see above).
int dbe_Skip(long n);
// To record `recno`. 1..RecCount: stands on it (Bof and Eof cleared, even if
// it is deleted or outside the query). Any other number: the phantom record,
// Eof set. Gives 1 when it stands on a real record, else 0.
int dbe_Go(uint32_t recno);
// 1 after a move tried to go before the first record (or the view is empty).
int dbe_Bof();
// 1 while the area stands on the phantom record past the end.
int dbe_Eof();
// Current record number (RecCount + 1 on the phantom record); 0 when no
// table is open.
uint32_t dbe_RecNo();
// Number of records in the file, deleted ones included.
uint32_t dbe_RecCount();
// Record size in bytes: the deletion flag byte plus every field's width.
int dbe_RecSize();

// ---------------------------------------------------------------------------
// Records (selected area)
// ---------------------------------------------------------------------------
// Each area holds its current record in a record buffer (address:
// dbe_SysProp(DBE_PROP_RECBUFFER)): byte 0 the deletion flag (' ' or '*'),
// then the fields as DBF text at their offsets. Writes go to the file at once,
// so every other area on the same file sees them on its next read.

// Copies the current record (dbe_RecSize bytes) into `buffer`.
int dbe_GetRecord(char* buffer);
// Writes `buffer` (dbe_RecSize bytes: flag byte, then fields) as the
// current record. Fails on the phantom record and in read-only mode.
int dbe_PutRecord(const char* buffer);
// Appends a blank record (all blanks, not deleted) at the end of the file and
// stands on it. The record is written before the header's record count.
int dbe_AppendBlank();
// Same as dbe_AppendBlank (appends a blank record and stands on it).
int dbe_Append();
// Writes pending changes of the area (header date and record count, memo
// header, index pages) and syncs the table, memo and index files to the disk
// (fdatasync): after 1 the data is on disk. 0 with dbe_LastError on failure.
int dbe_Commit();
// Writes the record the area's table keeps in memory after an exclusive
// append (the record, then the header count) to the table file, without
// syncing: what a saved record needs so that a process killed after it
// loses nothing. Index pages and the keys that wait stay in memory (an
// index left behind by a killed process is rebuilt at the next open).
// Shared appends are written when they are made: nothing to do. 0 with
// dbe_LastError on failure.
int dbe_WriteAppended();
// Marks the current record deleted ('*'); dbe_Recall removes the mark.
int dbe_Delete();
int dbe_Recall();
// 1 when the current record carries the deletion mark.
int dbe_Deleted();
// Locks record `recno` for this area. Waits up to the lock timeout
// (dbe_SetLockTimeout) while another area or process holds it. Gives a value
// above 0 when locked (also when this area holds it already), 0 when not.
// A table opened exclusive needs no locks: always succeeds.
int dbe_Rlock(uint32_t recno);
// Releases this area's lock on `recno`; 0 releases all of its locks.
int dbe_Unlock(uint32_t recno);
// Removes the deleted records, compacts the memo file (only memos of kept
// records stay, their pointers rewritten) and rebuilds the open indexes.
// Needs the table opened exclusive, or at least no other process using it
// (other areas of this process may have it open: they stand on the first
// record afterwards and lose hand-set query bits). Reports progress through
// the gauge hook. The table is rewritten into new files that replace the old
// ones only when complete.
int dbe_Pack();
// Removes every record (and every memo); same conditions as dbe_Pack.
int dbe_Zap();

// ---------------------------------------------------------------------------
// Fields (selected area, current record)
// ---------------------------------------------------------------------------
// `name` is a field name (ignoring case). Reads use the area's record
// buffer; memo contents come from the memo file.

// Number of fields.
int dbe_FieldCount();
// Name of field `n` (1-based), upper case; "" outside 1..count.
const char* dbe_FieldName(int n);
// Number (1-based) of the named field, 0 when none.
int dbe_FieldNum(const char* name);
// Type letter ('C', 'N', 'D', 'L', 'M', ... as stored), 0 when no such field.
char dbe_FieldType(const char* name);
// Width and decimals in bytes; 0 when no such field.
int dbe_FieldWidth(const char* name);
int dbe_FieldDecimals(const char* name);
// 1-based position of the field in the record buffer (position 1 is the
// deletion flag, so the first field is at 2); 0 when no such field.
int dbe_FieldOffset(const char* name);

// The field's text as stored (width bytes; for a memo field its contents up
// to the first zero byte).
const char* dbe_GetString(const char* name);
// dbe_GetString without trailing blanks.
const char* dbe_GetTrimString(const char* name);
// A date field in the current date format (dbe_SetDateFormat,
// dbe_SetCentury), e.g. "24.12.2024"; an empty date gives the format with
// blanks for the digits, e.g. "  .  .    ".
const char* dbe_GetDateString(const char* name);
// A logical field: 1 for 'T', 't', 'Y', 'y', else 0.
int dbe_GetLogical(const char* name);
// 1 when the field is empty: all blanks (C, N, D), a date of eight blanks or
// "00000000", a logical that is blank or false, a memo of length 0.
int dbe_Empty(const char* name);

// Length in bytes of the field's memo (from the memo block header, so binary
// memos with zero bytes count fully); 0 when it has none, -1 on error.
long dbe_GetBlobLength(const char* name);
// The field's memo as a new buffer of dbe_GetBlobLength + 1 bytes (a zero
// byte follows the contents); "" (allocated) when it has none; null on error
// (no such memo field, unreadable memo). `reserved` is accepted and unused.
// Free the result with dbe_MemDealloc.
char* dbe_GetMemo(const char* name, int reserved);
// Frees a buffer from dbe_GetMemo (null is allowed).
void dbe_MemDealloc(char* memo);
// Writes the field's memo, byte for byte, to the file `file` (created or
// replaced). A field without memo writes an empty file. A link, pipe or
// device at that name is refused and left as it is.
int dbe_BlobToFile(const char* name, const char* file);

// Type codes of dbe_Replace: what `value` points to.
enum : int {
    DBE_REPL_INT = 1,          // int32_t
    DBE_REPL_LONG = 2,         // int32_t
    DBE_REPL_DOUBLE = 8,       // double
    DBE_REPL_DTOS = 0x20,      // zero-terminated date text "yyyymmdd" (blank = empty)
    DBE_REPL_LOGICAL = 0x80,   // one byte: 0 (or 'F','f','N','n') false, else true
    DBE_REPL_TEXT = 0x400,     // zero-terminated text
    DBE_REPL_TEXT2 = 0x401,    // zero-terminated text (same as 0x400)
    DBE_REPL_DATE = 0x420,     // zero-terminated date text in the current date format
    DBE_REPL_MEMO = 0xC00,     // zero-terminated text into a memo
    DBE_REPL_FILETEXT = 0x1000,// zero-terminated file name: its contents into a memo (text block)
    DBE_REPL_FILEBLOB = 0x2000 // zero-terminated file name: its contents into a memo (binary block)
};

// Sets the named field of the current record from `value` (see the codes
// above) and writes the record. The value is converted to the field's type:
// - C: the text blank-padded or cut to the width; numbers as decimal text;
//   dates as "yyyymmdd"; logicals as "T"/"F".
// - N: right-aligned fixed-point text with "." and the field's decimals;
//   when too long, decimals are dropped one by one; a value whose integer
//   part does not fit fails and leaves the field unchanged. Texts are read as
//   numbers ("," is taken as "."); a text that is no number fails.
// - D: stored as "yyyymmdd"; an empty date text stores eight blanks; a text
//   that is no valid date fails.
// - L: "T" or "F" (a text starting with T, t, Y, y or "TRUE" is true).
// - M: the text or file contents become the record's memo, written to new
//   memo blocks (the old ones stay unused until dbe_Pack); an empty value
//   removes the memo.
// Fails for an unknown field or code, on the phantom record, in read-only
// mode, and for a value that does not fit.
int dbe_Replace(const char* name, int type, const void* value);
// Engine extension: sets a memo field to `length` bytes at `data` (binary
// safe). `binary` non-zero marks the memo block as binary (picture), else
// text. Length 0 removes the memo.
int dbe_ReplaceBlob(const char* name, const void* data, uint32_t length, int binary);

// ---------------------------------------------------------------------------
// Indexes and orders (selected area)
// ---------------------------------------------------------------------------
// An order is an index tag, numbered from 1 across the area's open index
// files (the production .CDX first, then files opened by dbe_IndexOpen in
// that order); order 0 is the natural record order. The production .CDX (the
// table's name with ".CDX") opens with the table. Every write keeps all open
// tags in step.

// Opens the index file `file` (".CDX" appended without extension) for the
// area and makes its first tag the current order. Gives that order, 0 on
// failure.
int dbe_IndexOpen(const char* file);
// Closes the index file (opened by dbe_IndexOpen or dbe_IndexTag) holding
// the current order; natural order after. The production index cannot be
// closed this way. Gives 1, 0 when no such file was current.
int dbe_IndexClose();
// Closes every index file except the production index and selects the
// natural order (the production index stays maintained).
int dbe_CloseIndexes();
// Rebuilds every tag of every index file open on the table (progress
// through the gauge hook). The current record stays.
int dbe_Reindex();
// Creates (or replaces) tag `tag` in index file `file` (null or "": the
// production .CDX, created when missing; another name: that file, created
// when missing and opened for the area) with key expression `key`, option
// (0 ascending, 1 descending), `unique` (non-zero: one
// record per key) and FOR condition `condition` (null or "": none), builds
// it, makes it the current order and goes to its first record. Gives the new
// order, 0 on failure (dbe_LastError). An index file that turns out to be
// damaged is rebuilt from the table; one whose tag list cannot be read when
// the table opens (a read error is tried once more first) is renamed to
// ".CDX.bad" (dbe_LastError says so) and the table opens without it; only
// while no other program has the table open: else the file stays where it
// is and the table opens without it, read only.
int dbe_IndexTag(const char* file, const char* tag, const char* key, int option,
                 int unique, const char* condition);
// Current order number (0 = natural).
int dbe_IndexOrd();
// Makes `order` current (0 = natural; a number above the count changes
// nothing) and gives the previous order. The record stays the same. A tag
// left half-written (its dirty mark) that this area cannot rebuild because
// it is read-only is reported in dbe_LastError ("... muss neu aufgebaut
// werden"); every seek,
// move and count in that order then fails with the reason until a writer
// rebuilds the tag (order 0 walks the records in natural order). A
// character tag built with another sort-weight table than the one in force
// is reported the same way and left as it is (usable again under its own
// table; dbe_Reindex builds it for the table in force); one in machine
// order is used in machine order under any table.
int dbe_SetOrder(int order);
// Order number of the tag named `tag` (ignoring case), 0 when none. Does not
// change the current order.
int dbe_TagArea(const char* tag);
// Tag name (upper case), index file name (path), key expression and key
// field of `order` (0 = the current order); "" past the last order and in
// natural order. The key expression is the text as created ("Lower(Label)"),
// except that a key of one field gives that field's name ("SHORTNAME"); the
// key field is the name of the first field the key uses ("LABEL"), so both
// are equal exactly for one-field keys.
const char* dbe_TagName(int order);
const char* dbe_IndexName(int order);
const char* dbe_IndexKey(int order);
const char* dbe_IndexKeyField(int order);
// Key of the current record in the current order as text ("" in natural
// order or past the end). Numeric keys give the number ("12"), date keys
// "yyyymmdd", logical keys "T"/"F".
const char* dbe_KeyData();
// Seeks `key` in the current order. Character keys compare the key text's
// length only unless exact is on (then the whole key, blank-padded); numeric
// tags take the number as text, date-valued tags a date text. Records the
// view hides (deleted, outside query or scope) are passed over. Found:
// stands on the record, gives non-zero. Not found: with soft seek on stands
// on the next greater key (or the phantom record), else on the phantom
// record; gives 0. In natural order it fails. dbe_LastError is cleared at
// its start: 0 with dbe_LastErrorCode DBE_ERR_NONE is "not found"; a seek
// that could not read the index (busy, unreadable) gives 0 with the reason
// and leaves the area where it stood.
int dbe_Seek(const char* key);
// Result of the last dbe_Seek of the area.
int dbe_Found();
// Limits the current order to keys from `low` to `high` (both included;
// key prefixes compare as in dbe_Seek). Both null or "": no scope. The area
// then stands on the first record of the scope.
int dbe_SetScope(const char* low, const char* high);
// The scope bound of the current order: which 0 = low, 1 = high; "" when none.
const char* dbe_GetScope(int which);
// Position of the current record in the current order (1-based, counting
// the visible records); in natural order the record number. 0 with
// dbe_LastError when the order could not be read (cleared at the start).
uint32_t dbe_OrderRecNo();

// ---------------------------------------------------------------------------
// Expressions and queries (selected area)
// ---------------------------------------------------------------------------
// Expressions are xBase expressions over the area's fields, evaluated on the
// area's record buffer.

// Result type of `expr`: 1 character, 2 numeric, 3 logical, 4 date;
// 0 when it is not a valid expression.
int dbe_EvalTest(const char* expr);
// Value of `expr` as text (numbers as STR() gives them, dates "yyyymmdd",
// logicals ".T."/".F."); "" on error.
const char* dbe_EvalString(const char* expr);
// Value of a logical expression: 1 true, 0 false or error.
int dbe_EvalLogical(const char* expr);
// Sets the area's query: only records for which the logical expression `expr`
// is true are visible (kept as a bitmap of record numbers, filled now and kept
// in step with later writes). Parts that compare the key expression of an
// open tag with a constant are answered from the tag; only the records they
// leave undecided are read. Null or "" clears the query. Gives 1, 0 when the
// expression is refused (the previous query stays).
int dbe_Query(const char* expr);
// Number of visible records (query, scope, deleted setting); without query
// and scope the record count. 0 with dbe_LastError when the order could
// not be read (cleared at the start, as for dbe_Seek).
uint32_t dbe_QueryRecCount();
// The query's expression, "" when none.
const char* dbe_DBFilter();
// Sets (flag non-zero) or clears the query bit of record `recno`. Without a
// query, the first call starts an empty bitmap query (dbe_DBFilter then gives
// ".F."), so exactly the records whose bits are set are visible.
int dbe_SetQueryBit(uint32_t recno, int flag);

// ---------------------------------------------------------------------------
// Creating, copying and appending tables
// ---------------------------------------------------------------------------

// Starts a new table `file` (".DBF" added without extension) of `type` with
// room for `fieldCount` fields; reserves a work area for it (selected) that is
// filled by dbe_CreateField and made by dbe_CreateExec. `alias` as in
// dbe_Use (a placeholder such as "XXXXXXXXXX" is fine: the real alias is the
// file's base name unless that is taken). Gives the area, 0 on failure.
uint16_t dbe_CreateNew(const char* file, const char* alias, int type, int fieldCount);
// Adds a field to the table being made in the selected area: name
// upper-cased and cut to 10 characters; type 'C' (width 1-254), 'N'
// (1-20, decimals below width-1), 'D' (8), 'L' (1), 'M' (10; a memo file is
// made). Widths of D, L and M are fixed. Fails on a bad definition, a
// duplicate name or more fields than announced.
int dbe_CreateField(const char* name, char type, int width, int decimals);
// Writes the new table (and its empty memo file when it has memo fields),
// replacing existing files of that name, and opens it exclusive in the
// reserved area. Gives 1 on success, 0 on failure (the area is free again).
int dbe_CreateExec();
// Copies the visible records of the selected area (current order, query,
// scope and deleted setting applied) with their memos into the new table
// `file` of the same structure. Gives 1 on success.
int dbe_CopyFile(const char* file);
// Appends the records of table `file` to the selected area's table: fields
// are matched by name and converted as dbe_Replace does, memos copied.
// `mode` 0 appends every record (deletion marks kept), 1 skips deleted ones.
// `condition` (null or "": none) is a FOR expression over the source's
// fields: only records for which it is true are appended.
// Gives 1 on success.
int dbe_AppendFrom(const char* file, int mode, const char* condition);

// ---------------------------------------------------------------------------
// Settings (engine-wide). Each gives the previous value.
// ---------------------------------------------------------------------------

int dbe_SetExact(int on);      // exact key comparison in dbe_Seek and scopes
int dbe_SetSoftSeek(int on);   // soft seek: a miss stands on the next key
int dbe_SetDeleted(int on);    // 1: deleted records are invisible to moves
int dbe_SetCentury(int on);    // four-digit years in date texts
// Date text format: 0 American mm/dd/yy, 1 ANSI yy.mm.dd, 2 British dd/mm/yy,
// 3 French dd/mm/yy, 4 German dd.mm.yy, 5 Italian dd-mm-yy, 6 Spanish
// dd-mm-yy. Other codes are refused (previous value kept).
int dbe_SetDateFormat(int code);
// Seconds dbe_Rlock waits for a record lock held elsewhere (0: one try).
int dbe_SetLockTimeout(int seconds);
// Block size in bytes of memo files created from now on: 32 to 16384
// (other values are refused); 64 by default. Existing memo files keep the
// block size written in their header.
int dbe_SetMemoBlockSize(int size);
// No effect: recorded for the selected area only.
int dbe_SetTurboRead(int on);
// No effect: the engine never converts text.
int dbe_SetTranslate(int on);
// No effect: encrypted tables are not supported; recorded. Gives 1.
int dbe_SetPassword(const char* password);
// 1 when the table in `area` is marked encrypted (such tables do not open),
// else 0.
int dbe_IsEncrypted(uint16_t area);

// Progress of long operations (index builds, reindex, pack, copy, append
// from) in percent: `total` is 100; each step (one tag, the records of a pack
// or copy) starts with done 0, then gives each new percentage once and ends
// with 100 exactly once, also for an empty table. A reindex has one step per
// tag, a pack one for the records and one per tag. While the hook runs, calls
// back into the engine may read; calls that would move, write, open or close,
// change indexes, queries, scopes or settings are refused (0, dbe_LastError
// "Die Datenbank ist mit einem anderen Vorgang beschäftigt"), and the
// selected area is the operation's again when the hook returns.
typedef void (*DbeGaugeHook)(void* context, uint32_t done, uint32_t total);
// Installs the hook (null = none).
void dbe_SetGaugeHook(DbeGaugeHook hook, void* context);

// ---------------------------------------------------------------------------
// System properties
// ---------------------------------------------------------------------------
enum : int {
    DBE_PROP_GET_SOFTSEEK = 1000,     // gives soft seek (0/1)
    DBE_PROP_SET_SOFTSEEK = 1001,     // value: 0/1; gives the previous
    DBE_PROP_GET_EXACT = 1002,        // gives exact (0/1)
    DBE_PROP_SET_EXACT = 1003,        // value: 0/1; gives the previous
    DBE_PROP_GET_DELETED = 1006,      // gives 1 when deleted records are hidden
    DBE_PROP_SORT_WEIGHTS = 1101,     // value: address of 256 weight bytes
                                      // (copied) for character keys; 0 resets
    DBE_PROP_ORDER_COUNT = 3000,      // number of orders of the selected area
    DBE_PROP_ORDER_USABLE = 3001,     // value: order (0: the current one); 1 when
                                      // its seeks and moves can read its tag now
                                      // (a tag left half-written is rebuilt first
                                      // where the area may), else 0 with the
                                      // reason in dbe_LastError (cleared on 1)
    DBE_PROP_RECBUFFER = 65000,       // address of the selected area's record buffer
    DBE_PROP_AREA_IN_USE = 65002,     // value: area; 1 when a table is open there
    DBE_PROP_MULTI_TAG = 65006,       // 1 when the current order's file holds several tags
    DBE_PROP_ENGINE_BUFFER = 65008,   // address of the engine's scratch buffer
    DBE_PROP_ENGINE_BUFSIZE = 65010,  // size of that buffer in bytes
    DBE_PROP_ENGINE_FIELD = 65012,    // value: field number; always 0: the caller
                                      // converts every field in the record buffer
    DBE_PROP_REPAIRED = 65100         // 1 when the selected area's table was
                                      // repaired when it opened
};
// Reads or sets the property `code` (see above); unknown codes give 0.
intptr_t dbe_SysProp(int code, intptr_t value);
