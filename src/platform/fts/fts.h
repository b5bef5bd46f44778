#pragma once
// The full-text engine of the albums: one index file (the album's ".IA") per
// album, one entry per album record, searched with word queries.
//
// Entries. Entry n belongs to album record n. FtsAdd appends entry
// count + 1; FtsReplace and FtsDelete work on an existing entry number and
// never renumber; a deleted entry keeps its number (it simply holds no text
// and matches nothing), so FtsNumRecs stays equal to the album's record count,
// deleted records included.
//
// Indexed text. Texts arrive as Windows-1252 bytes, typically the raw image
// of a DBF record (deletion flag, then the fields, blank padded). Case is
// folded (A-Z, the umlauts Ä Ö Ü and the other Windows-1252 capitals À-Þ, Š,
// Œ, Ž, Ÿ become lower case; ß stays), zero and control bytes count as
// blanks, and every run of blanks becomes one blank, so the padding takes no
// room in the index. The folded text is stored in UTF-8.
//
// Query grammar. A query is Windows-1252 text made of words separated by
// blanks (or control characters):
//     query := word { blank word }
// Every word must occur in an entry for the entry to match (the words are
// ANDed). A word matches wherever it stands as a substring, also inside a
// longer word: "urlaub" finds "Sommerurlaub", "müller" finds "MÜLLER". Case
// is folded as for indexed text. No character has a special meaning: quotes,
// "*", "-", "OR" and the like are searched for literally. Words of three or
// more characters are looked up in the trigram index; words of one or two
// characters are checked by scanning the stored texts (slower on large
// albums, but correct). A query without any word finds nothing.
//
// Results. Handles are positive; every function answers a negative error
// code on failure (the constants below). FtsSet answers the number of
// matching entries (0 for none) and prepares them for FtsNextRec in
// ascending entry order; FtsSet answers kFtsErrNoKeys when the index holds no
// entry with text at all. FtsVerify tests one text against a query with the
// same folding and matching rules as the index.
//
// File and safety. The file is an SQLite database (application id "LXIA")
// with two FTS5 tables using the trigram tokenizer, one column "body" each,
// rowid = entry number: "fts" holds the entries as built, "recent" the
// entries changed since (it hides the same entry in "fts" and is moved into
// it in one transaction every 2 000 entries, which keeps single changes
// cheap). A file that is missing, not an index of ours,
// truncated or found corrupt answers kFtsErrUnusable (-18) and is never
// trusted further: the caller rebuilds it. Every change commits as one
// transaction (write-ahead log while the index is open), so a crash leaves
// the state before or after the change. FtsCreate builds a new index in a
// side file ("<name>.lxbuild") in one transaction; FtsClose commits it and
// renames it over the index file, so a build cut short leaves the old file
// (or none) and never a half-built index. A file that cannot be written (for
// example on a CD) opens for reading; changes then answer kFtsErrReadOnly.
//
// The numeric arguments of FtsOpen and FtsCreate (the callers pass 20, 0 and
// 20, 2, 1, 1) and the mode of FtsVerify are accepted for the callers' sake
// and do not change how the engine works; only FtsOpen's last argument
// kFtsOpenReadOnly opens the file for reading only: nothing is written to it
// (no change of its journal mode, no log beside it), changes answer
// kFtsErrReadOnly, searches answer as ever.
//
// All functions may be called from any thread; calls are serialised.

#include <string_view>

constexpr int kFtsErrArgument = -2;   // unknown handle, bad record number or file name
constexpr int kFtsErrReadOnly = -8;   // the index file cannot be written
constexpr int kFtsErrWrite = -9;      // the change could not be written (disk full, I/O)
constexpr int kFtsErrNoKeys = -13;    // the index holds no entry with text
constexpr int kFtsErrUnusable = -18;  // missing, foreign, truncated or corrupt index file

// FtsOpen's last argument for an index used for reading only.
constexpr int kFtsOpenReadOnly = 1;

// Opens an existing index file; a positive handle, or kFtsErrUnusable.
// `b` kFtsOpenReadOnly: for reading only (see "File and safety").
int FtsOpen(const char* fileName, int a, int b);
// Starts a new, empty index for the file (see "File and safety" above); a
// positive handle, or a negative error code.
int FtsCreate(const char* fileName, int a, int b, int c, int d);
// Appends one entry; its number (count + 1), or a negative error code.
int FtsAdd(int handle, std::string_view text);
// Replaces the text of entry recNo (1..count); recNo, or a negative error code.
int FtsReplace(int handle, std::string_view text, int recNo);
// Deletes the text of entry recNo (1..count), keeping its number; recNo, or a
// negative error code.
int FtsDelete(int handle, int recNo);
// Sets a query and starts a search; the number of matches, or kFtsErrNoKeys
// or another negative error code.
int FtsSet(int handle, std::string_view query);
// The next matching entry number of the search, or 0 when there is none more.
int FtsNextRec(int handle);
// The number of entries (deleted ones included), or kFtsErrUnusable.
int FtsNumRecs(int handle);
// 1 when the text matches the query, 0 when not, or a negative error code.
int FtsVerify(int handle, std::string_view text, std::string_view query, int mode);
// Closes the handle (committing a new index); 0, or a negative error code.
int FtsClose(int handle);
