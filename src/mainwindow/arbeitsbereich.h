#pragma once
// TArbeitsbereich: one album work area of the main window: a table, its
// engine companion, its data source and (for the open album and the target
// album) its full-text index. The form owns the components; the work area
// refers to them and keeps what belongs to the area: the album's file set,
// the full-text record buffer, the tag names in order, the read-only flag
// and the order kept for the run.
//
// What a work area needs of the window (the exception log's context, a line
// in the action log, a timed notice) goes through TArbeitsbereichUmgebung,
// so a work area also runs without a main window.

#include "storage/album_dateien.h"

#include "platform/core/string_list.h"

#include <QString>

#include <vector>

class TDataSource;
class TDbe;
class TdkTable;
class TFts;

class TArbeitsbereichUmgebung {
public:
    virtual ~TArbeitsbereichUmgebung() = default;
    // Names the open album and its record position for the exception log.
    virtual void FehlerKontextSetzen() = 0;
    // An "Info" or "Fehler" line in the action log (when logging is on).
    virtual void Protokoll(const QString& art, const QString& text) = 0;
    // The program's timed notice.
    virtual void Hinweis(const QString& caption, const QString& text, int height) = 0;
};

class TArbeitsbereich {
public:
    TArbeitsbereich(TdkTable* tabelle, TDbe* dbe, TDataSource* quelle, TFts* fts, TArbeitsbereichUmgebung& umgebung)
        : tabelle_(tabelle), dbe_(dbe), quelle_(quelle), fts_(fts), umgebung_(umgebung)
    {
    }
    TArbeitsbereich(const TArbeitsbereich&) = delete;
    TArbeitsbereich& operator=(const TArbeitsbereich&) = delete;

    TdkTable* Tabelle() const { return tabelle_; }
    TDbe* Dbe() const { return dbe_; }
    TDataSource* Quelle() const { return quelle_; }
    // Null for the areas without a full-text index.
    TFts* Fts() const { return fts_; }

    // The album this area works on.
    const TAlbumDateien& Dateien() const { return dateien_; }
    void DateienSetzen(const TAlbumDateien& dateien) { dateien_ = dateien; }
    // The album's folder (ending with "\") and its table's file name.
    const QString& Ordner() const { return dateien_.Ordner(); }
    const QString& Name() const { return dateien_.Name(); }
    void OrdnerSetzen(const QString& ordner) { dateien_ = TAlbumDateien(ordner, dateien_.Name()); }
    void NameSetzen(const QString& name) { dateien_ = TAlbumDateien(dateien_.Ordner(), name); }

    bool NurLesen() const { return nurLesen_; }
    void NurLesenSetzen(bool nurLesen) { nurLesen_ = nurLesen; }

    // The order the area's table keeps for this run.
    int Sortierung() const { return sortierung_; }
    void SortierungSetzen(int sortierung) { sortierung_ = sortierung; }

    // The tag names of the area's production index in order.
    const TStringList& Tags() const { return tags_; }
    TStringList& Tags() { return tags_; }

    // The record buffer of the full-text index (record length + 1 bytes).
    std::vector<char>& FtsPuffer() { return ftsPuffer_; }

protected:
    TArbeitsbereichUmgebung& Umgebung() const { return umgebung_; }

private:
    TdkTable* tabelle_;
    TDbe* dbe_;
    TDataSource* quelle_;
    TFts* fts_;
    TArbeitsbereichUmgebung& umgebung_;
    TAlbumDateien dateien_;
    bool nurLesen_ = false;
    int sortierung_ = 0;
    TStringList tags_;
    std::vector<char> ftsPuffer_;
};
