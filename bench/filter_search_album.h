#pragma once
// The album of the filter and search benchmarks (bench_filter_search and
// bench_filter_search_first): 100 000 entries, the same rows in SQLite, and
// the prompt service that answers the filter dialogs.

#include "controls/date_edit.h"
#include "dialogs/date_range.h"
#include "dialogs/small_forms.h"
#include "platform/core/sys_utils.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/prompt_service.h"
#include "platform/ui/std_ctrls.h"

#include <sqlite3.h>

#include <cstdlib>
#include <string>

namespace filterbench {

constexpr int kRecords = 100000;

// Answers the dialogs as a user would: the label, the date range, OK.
class TAntworten : public TPromptService {
public:
    int Show(const TPrompt& prompt, QString*) override
    {
        return prompt.Buttons.Contains(mbNo) ? mrNo : mrOk;
    }
    TModalResult ShowModal(TCustomForm& form) override
    {
        if (auto* d = dynamic_cast<TBilderDialogForm*>(&form))
            d->cboEingabe->SetText(QStringLiteral("Selten"));
        if (auto* d = dynamic_cast<TDatumScopeForm*>(&form)) {
            d->DateEditPlusVon->SetBlank(false);
            d->DateEditPlusVon->SetDate(EncodeDate(2020, 3, 1));
            d->DateEditPlusBis->SetBlank(false);
            d->DateEditPlusBis->SetDate(EncodeDate(2020, 3, 10));
        }
        return mrOk;
    }
};

// Entry i: 100 labels, "Selten" on every 10 000th entry; a rare word in 10
// descriptions; dates over about eleven years.
struct Eintrag {
    std::string label, desc, datum;
};

inline Eintrag EintragNr(int i)
{
    Eintrag e;
    e.label = i % 10000 == 7 ? "Selten" : "Label " + std::to_string(i % 100);
    e.desc = "Bild " + std::to_string((i * 7919) % kRecords) + (i % 10000 == 3 ? " seltenwort" : " urlaub strand");
    e.datum = std::to_string(2014 + (i % 11)) + "0" + std::to_string(1 + i % 9) + (i % 28 < 9 ? "0" : "") +
              std::to_string(1 + i % 28);
    return e;
}

// Fills the album (made by the main window) through the engine.
inline void AlbumFuellen(const std::string& file)
{
    const uint16_t area = dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX);
    if (area == 0)
        std::abort();
    for (int i = 0; i < kRecords; ++i) {
        dbe_AppendBlank();
        const Eintrag e = EintragNr(i);
        dbe_Replace("SHORTDESC", DBE_REPL_TEXT, e.desc.c_str());
        dbe_Replace("LABEL", DBE_REPL_TEXT, e.label.c_str());
        dbe_Replace("AUFNDATUM", DBE_REPL_DTOS, e.datum.c_str());
        const char zugriff = 'T';
        dbe_Replace("ZUGRIFF", DBE_REPL_LOGICAL, &zugriff);
    }
    dbe_Commit();
    dbe_Close();
}

// The same rows in SQLite at `file`: indexes on label and date, an FTS5
// trigram table of the descriptions.
inline sqlite3* SqliteAlbumAnlegen(const std::string& file)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK)
        std::abort();
    sqlite3_exec(db,
                 "CREATE TABLE album(label TEXT, aufndatum TEXT, shortdesc TEXT);"
                 "CREATE VIRTUAL TABLE fts USING fts5(body, tokenize = 'trigram');"
                 "BEGIN;",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* row = nullptr;
    sqlite3_stmt* text = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO album VALUES (?, ?, ?)", -1, &row, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO fts(rowid, body) VALUES (?, ?)", -1, &text, nullptr);
    for (int i = 0; i < kRecords; ++i) {
        const Eintrag e = EintragNr(i);
        sqlite3_bind_text(row, 1, e.label.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(row, 2, e.datum.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(row, 3, e.desc.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(row);
        sqlite3_reset(row);
        sqlite3_bind_int(text, 1, i + 1);
        sqlite3_bind_text(text, 2, e.desc.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(text);
        sqlite3_reset(text);
    }
    sqlite3_finalize(row);
    sqlite3_finalize(text);
    sqlite3_exec(db, "COMMIT; CREATE INDEX i_label ON album(label); CREATE INDEX i_datum ON album(aufndatum); ANALYZE;",
                 nullptr, nullptr, nullptr);
    return db;
}

}  // namespace filterbench
