#pragma once
// TArbeitsbereich: one album work area of the main window: a table, its
// engine companion, its data source and (for the open album and the target
// album) its full-text index. The form owns the components; the work area
// refers to them and keeps what belongs to the area: the album's file set,
// the full-text record buffer, the tag names in order, the read-only flag
// and the order kept for the run. It does the table work of its album:
// open, create, check the index tags and build them, rebuild the index,
// read the tag list, the integrity check, the full-text build and the
// full-text record write.
//
// What a work area needs of the window (the exception log's context, a line
// in the action log, a timed notice) are the program's services
// (programm_dienste.h), so a work area also runs without a main window.

#include "album/album_record.h"
#include "storage/album_dateien.h"

#include "platform/core/string_list.h"

#include <QByteArray>
#include <QString>

#include <span>
#include <vector>

class TDataSource;
class TDbe;
class TdkTable;
class TFts;
class TProgrammDienste;

// Opens the album exclusively on that table, with its production index
// (mitIndex) or without it (an unreadable index cannot keep the table from
// opening then): no other program can use the table or its index meanwhile.
// The result of DatenbankOeffnenPasswort; when another program (or another
// table of this one) uses the album, the message in `belegt`.
int AlbumExklusivOeffnen(TdkTable* table, TDbe* dbe, const TAlbumDateien& album, bool mitIndex, QString& belegt);

class TArbeitsbereich {
public:
    TArbeitsbereich(TdkTable* tabelle, TDbe* dbe, TDataSource* quelle, TFts* fts, TProgrammDienste& umgebung)
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
    // A command that would change the whole album asks this first: on an
    // album open read-only it tells the user once that `wasNicht` cannot be
    // done, and answers true (the command then asks and changes nothing).
    bool NurLesenAblehnen(const QString& wasNicht) const;

    // The order the area's table keeps for this run.
    int Sortierung() const { return sortierung_; }
    void SortierungSetzen(int sortierung) { sortierung_ = sortierung; }

    // The tag names of the area's production index in order.
    const TStringList& Tags() const { return tags_; }
    TStringList& Tags() { return tags_; }

    // The record buffer of the full-text index (record length + 1 bytes).
    std::vector<char>& FtsPuffer() { return ftsPuffer_; }

    // ---- Table work --------------------------------------------------------
    // The messages raised when the engine could not open a table.
    static const QString kFehlerOeffnen;
    static const QString kFehlerOeffnenDefekt;
    // AlbumPruefen: another program uses the album (the busy message was
    // shown).
    static constexpr int kAlbumBelegt = -2;

    // Opens the area's album (or `album` on the area's table) with the
    // album's options (ttDXFOX, no password, not read-only unless asked):
    // true when the table opened; raises what the routine raised. When
    // another program uses the table: false, the message in *belegt.
    bool Oeffnen(bool exklusiv, QString* belegt = nullptr);
    bool Oeffnen(const TAlbumDateien& album, bool exklusiv, QString* belegt = nullptr, bool nurLesen = false);
    // Oeffnen where an exception of the routine ends the command: the cursor
    // is reset, the exception log's context is set and `fehler` is raised in
    // its place.
    bool OeffnenOderFehler(const TAlbumDateien& album, bool exklusiv, const QString& fehler,
                           QString* belegt = nullptr);
    // Creates the album's table file with the fields listed, the table's
    // controls held still meanwhile. When the file cannot be begun the
    // program ends (EAbort); a failure to write it out is only reported.
    void Erzeugen(const TAlbumDateien& album, std::span<const TAlbumFeld> felder);
    // True when the open table's production index holds every tag listed.
    bool HatAlleTags(std::span<const TAlbumTag> tags) const;
    // Builds the tags in the open table's production index under the
    // progress window (steps, text).
    void TagsErzeugen(std::span<const TAlbumTag> tags, int schritte, const QString& text);
    // Closes the table and opens the area's album exclusively without its
    // index; only then removes the index file and builds the tags anew;
    // closes it and opens it shared again. When another program uses the
    // album nothing is changed: the busy message is shown (and put in
    // *belegt). False when the shared open failed.
    bool IndexNeuAufbauen(std::span<const TAlbumTag> tags, QString* belegt = nullptr);
    // Sets the area's unreadable index aside (".CDX.bad") while the table is
    // held exclusively through the table of `halter` (the check area), so no
    // other program is using that file. False when the table could not be
    // held (busy: the message in belegt).
    bool IndexBeiseiteLegen(TArbeitsbereich& halter, QString& belegt);
    // True when another program uses the area's album: it cannot be held
    // exclusively through the table of `halter` (the check area). The
    // area's own table must be closed.
    bool AnderswoBenutzt(TArbeitsbereich& halter);
    // How far `album` holds whole entries, read on this area's table as
    // every reader reads it: opened shared and walked in the order of its
    // first index tag, under the album's index lock. A record another
    // program is still appending has no keys before it is whole, and that
    // program keeps the lock until then, so every record up to the highest
    // one the walk meets is whole. An album without index tags is held
    // exclusively for the count instead. -1 when it could not be read:
    // another program keeps it past the wait (the busy message in
    // `belegt`), or an error. The area's table is closed afterwards.
    int64_t GanzeSaetze(const TAlbumDateien& album, QString& belegt);
    // Reads the tag names of the open table's index into Tags().
    void TagsLesen();
    // The entries the open album holds, counted as its view counts them but
    // without its filter and scope: a deleted entry counts only where the
    // view shows deleted entries (the natural order without the deleted
    // setting), since a hidden one is no entry the user can see or reach.
    // 0 when the table is closed.
    uint32_t Eintraege();
    // The integrity check of `album` on this area's table: the number of
    // entries of a valid album, -1 for a missing table or one that is no
    // album, kAlbumBelegt when another program uses it. With `offen` (the
    // open album's area): that area's read-only flag follows the album's
    // write protection, with the notice when it is protected.
    int AlbumPruefen(const TAlbumDateien& album, TArbeitsbereich* offen = nullptr);

    // ---- Full-text index -------------------------------------------------------
    // Opens the album's full-text index, or builds it from all records when
    // its file is missing; a read-only album builds none (its index stays
    // closed). The record buffer is made for the table's records first.
    // True when the index was built.
    bool FtsOeffnen(const QString& logPrefix);
    // True when the album is read-only and has no usable full-text index:
    // it cannot get one, so a full-text search is not possible.
    bool VolltextFehlt();
    // Builds the full-text index file anew from all records under the
    // progress window and opens it; failed adds are logged (`logPrefix`)
    // and shown.
    void FtsAufbauen(const QString& logPrefix);
    // After records were appended to the open table in one go (it held
    // `bisher` before): their entries are added to the album's full-text
    // index when it holds exactly the entries of the records before them,
    // else the index is built anew. An album without an index file, and a
    // read-only album, are left so (an index is built when a writable album
    // is opened). The index is closed after.
    void FtsNachtragen(uint32_t bisher, const QString& logPrefix);
    // Closes the full-text index and removes its file (a failure is logged
    // and shown); a read-only album keeps its file.
    void FtsVerwerfen();
    // The last handle the full-text index answered to an open.
    int FtsHandle() const { return ftsHandle_; }
    // The current record's image, kept in the record buffer.
    QByteArray FtsSatzBild();
    // The record image the record buffer holds (as a copy filled it).
    QByteArray FtsPufferBild() const;
    // Writes a record image into the full-text index: the current record's
    // entry is replaced while the index holds one entry per record, else an
    // entry is added. Gives the add's answer (negative: it failed), 0 after
    // a replace.
    int FtsSchreiben(const QByteArray& bild);

protected:
    TProgrammDienste& Umgebung() const { return umgebung_; }

private:
    // Opens the existing full-text index file (for reading only when the
    // album is read-only).
    void FtsDateiOeffnen();
    // Opens the area's album exclusively without its index on the table of
    // `halter`: true when it is held so (that table stays open); else false,
    // with the busy message in `belegt` when another program uses it.
    bool AlleinHalten(TArbeitsbereich& halter, QString& belegt);
    // Adds the entries of the records from `ab` on, in natural order, under
    // the progress window; failed adds are logged (`logPrefix`) and shown.
    void FtsEintragen(uint32_t ab, const QString& logPrefix);

    TdkTable* tabelle_;
    TDbe* dbe_;
    TDataSource* quelle_;
    TFts* fts_;
    TProgrammDienste& umgebung_;
    TAlbumDateien dateien_;
    bool nurLesen_ = false;
    int sortierung_ = 0;
    TStringList tags_;
    std::vector<char> ftsPuffer_;
    int ftsHandle_ = 0;
};
