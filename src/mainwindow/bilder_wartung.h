#pragma once
// TBilderWartung: the maintenance commands of the open album: marks set and
// cleared for many entries, one field's value replaced in every shown entry,
// deleting and recalling all entries, packing with the short-name repair,
// the delete with its four modes, which pictures can be reached, removing
// the entries whose pictures are gone, the search for moved pictures, the
// sizes measured again and the searches for equal sizes and duplicates,
// renaming pictures, counting what a copy would copy, and thumbnails made
// anew. It owns the frame these commands share (guard against a second
// command, busy window, walk over entries, Esc, closing message, the report
// of a refused write) and works over the open album's work area and the
// album views; the album's lifecycle is the open album's (offenes_album.h),
// the program's services are TProgrammDienste, and what else it needs of the
// window goes through TWartungsUmgebung, so it also runs without a main
// window.

#include "platform/ui/framework_types.h"

#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class TAlbumAnsicht;
class TArbeitsbereich;
class TBusyFenster;
class TDataSet;
class TDbe;
class TdkTable;
class TEinstellungen;
class TForm;
class TMenuItem;
class TObject;
class TOffenesAlbum;
class TProgrammDienste;
class TProgrammEinstellungen;

// Outcome of a bulk loop: all done, stopped by Esc, or stopped by a write
// the engine refused (then the command reports the failure, never success).
enum class TWartungsLauf { Fertig, Abbruch, Fehler };

// What the maintenance commands need of the window beyond the open album,
// its views and the program's services.
class TWartungsUmgebung {
public:
    virtual ~TWartungsUmgebung() = default;
    // The options dialog's control values and the program's settings.
    virtual const TProgrammEinstellungen& Optionen() const = 0;
    virtual TEinstellungen& Einstellungswerte() = 0;
    // The main window's caption (progress of some commands is shown there).
    virtual QString FensterTitel() const = 0;
    virtual void FensterTitelSetzen(const QString& text) = 0;
    // The options dialog shown on that tab; the dialog's window (null when
    // there is none).
    virtual void OptionenZeigen(int reiter) = 0;
    virtual TForm* OptionenFenster() = 0;
    // What the copy command would do with a file: its new name, whether it
    // has the target format at that edge length, and the size measured.
    virtual QString KopierName(const QString& datei) = 0;
    virtual bool HatZielFormat(const QString& datei, int kantenlaenge) = 0;
    virtual QSize ZielBildGroesse() const = 0;
};

class TBilderWartung {
public:
    using TLauf = TWartungsLauf;

    TBilderWartung(TOffenesAlbum& album, TAlbumAnsicht& ansicht, TProgrammDienste& dienste,
                   TWartungsUmgebung& umgebung);
    ~TBilderWartung();
    TBilderWartung(const TBilderWartung&) = delete;
    TBilderWartung& operator=(const TBilderWartung&) = delete;

    // True while a maintenance command runs; a second one is refused.
    bool Aktiv() const { return aktiv_; }
    // The short names must be recomputed before the next pack.
    bool ShortNamenFlag() const { return shortNamenFlag_; }

    // Marks.
    TLauf AlleBilderSaetzeMarkieren2(const QString& Feld);
    TLauf BilderSaetzeBisEOFMarkieren2(const QString& Feld);
    TLauf AlleBilderMarkierungenEntfernen2(const QString& Feld);
    void BildMarkieren1Click(TObject* Sender);
    void TableBilderMARKIERTChange();
    void DBCheckBoxBildMarkiertMouseUp(TObject* Sender, TMouseButton Button);
    // The public and private boxes: the click is posted.
    void DBCheckBoxPostMouseUp(TObject* Sender, TMouseButton Button);
    void DBCheckBoxBildImZugriffMouseUp();
    void MarkFeldEreignisSetzen(TDataSet* DataSet);
    void AufSichtbarenEintrag();

    // Field values.
    TLauf AlleBilderSaetzeErsetzen(const QString& Feld, const QString& Wert, int FeldTyp);
    // The command table's replacement: the current entry's value of the
    // field, for every shown entry.
    void FeldWertUebernehmen(TObject* Sender, const QString& Feld, int FeldTyp);
    void FeldWerteersetzen1Click(TObject* Sender);
    void Kurzbeschreibungeingeben1Click(TObject* Sender);

    // Delete, recall, pack, short names.
    void AlleBilderSaetzeLoeschen1Click(TObject* Sender);
    void AlleBilderSaetzeZurueckholen1Click(TObject* Sender);
    void BilderDBFpacken1Click(TObject* Sender);
    void BilderSatzLoeschen(int Modus);
    bool SetzeShortName();
    void ShortNamenVorhanden();
    void GueltigerShortNamenVorhanden();
    void EntferneLeerSatz();

    // The picture files.
    void WelcheBildersindverfuegbarClick(TObject* Sender);
    void DateigroesseVomAktellenSatzCheckenClick(TObject* Sender);
    void BilderDieNichtMehrVorhandenSindAustragen1Click(TObject* Sender);
    QString GetFileName(const QString& Label, const QString& VolumeId, const QString& Path);
    void VerschobeneBilderSuchen();
    void GroessedereingetragenenBilderneuermitteln1Click(TObject* Sender);
    void BildermitgleicherGroesseermitteln1Click(TObject* Sender);
    void DoppelteBilder1Click(TObject* Sender);
    static bool DateinameHatDatumsformat(const QString& Name);
    void Bildumbenennen1Click(TObject* Sender);
    void AngezeigteBilderumbenennen1Click(TObject* Sender);
    void Bilderzaehlen1Click(TObject* Sender);
    void Vorschaubilderneuerzeugen1Click(TObject* Sender);
    void VorschaubildNeuerzeugen1Click(TObject* Sender);

    // The frame of a bulk command: the sender's sound, the grid page, the
    // open-album guard, the re-entry guard, the stopwatch, the log lines and
    // the closing message ("Fertig !" or the time taken). `entfernen`: the
    // clear commands' log and refresh. Nothing is closed as done when the
    // worker reported a failed write.
    void WartungsRahmen(TObject* Sender, const QString& name, bool entfernen, const std::function<TLauf()>& worker);

private:
    // What one step of a walk over entries answers: go on, stop (the step
    // told the user why), or stop on a write the engine refused.
    enum class TSchritt { Weiter, Ende, Fehler };
    enum class TMarkWalk { Angezeigte, BisEnde, Entfernen };
    struct TGroessenSatz {
        uint32_t Satz;
        int64_t Bytes;
        QString Name;
    };

    // Holds Aktiv() while a command runs; false (with a message) when
    // another command runs already.
    class TSperre {
    public:
        explicit TSperre(TBilderWartung& wartung);
        ~TSperre();
        explicit operator bool() const { return gesperrt_; }
        TSperre(const TSperre&) = delete;
        TSperre& operator=(const TSperre&) = delete;

    private:
        TBilderWartung& wartung_;
        bool gesperrt_ = false;
    };

    TdkTable* Tabelle() const;
    TDbe* Dbe() const;
    void Ton(TObject* Sender);
    static QString ZeitMeldung();
    // An "Info" line in the action log when logging is on.
    void WartungsProtokoll(const QString& text);
    // The closing message of the frame for handler `name`.
    void WartungsAbschluss(const QString& name);
    // Keeps the engine's error and record of a refused write; gives false.
    bool WartungsFehlerMerken();
    // Reports the refused write kept last: the log, the error log's context
    // and the message "Fehler beim Schreiben in das Fotoalbum ...".
    void WartungsSchreibFehler(const QString& name);
    // The Esc of a bulk loop: the sound (when wanted), the log line, the
    // flag reset and the message.
    void WartungsEsc(const QString& logText, const QString& meldung, bool ton);

    // The records the album shows (its query) in record order, and all
    // records.
    std::vector<uint32_t> AngezeigteSaetze();
    std::vector<uint32_t> AlleSaetze();
    // Walks `saetze` by record number on the album's work area: Esc is
    // tested before each entry (the busy window hidden, WartungsEsc with
    // `escLog`, `escText` and the sound when `ton`), the gauge moves, the
    // entry is made current and `schritt` runs on it. Everything written is
    // committed at the end; a refused write or commit is kept for
    // WartungsSchreibFehler.
    TLauf SaetzeAbarbeiten(TBusyFenster& busy, const std::vector<uint32_t>& saetze, const QString& escLog,
                           const QString& escText, bool ton, const std::function<TSchritt()>& schritt);
    // SaetzeAbarbeiten over the entries the album shows, with the busy
    // window and the grid's controls held still, Esc answered "ESC
    // gedrückt, abgebrochen!" (log line `escLog`, no sound); afterwards the
    // album is back on the entry that was current and refreshed. False when
    // a write or the commit was refused.
    bool AngezeigteAbarbeiten(const QString& escLog, const std::function<TSchritt()>& schritt);

    // The three mark workers share one loop: `walk` says where it starts,
    // what it visits and what it writes.
    TLauf MarkSchleife(const QString& name, const QString& feld, TMarkWalk walk);
    // Runs `fn` on the album's work area in the order of the tag
    // "ShortName", then gives the order and the current entry back.
    void InKurzNamenOrdnung(const std::function<void()>& fn);
    // Closes the open album's full-text index.
    void VolltextSchliessen();
    // Removes the full-text index file (only while the album is held
    // exclusively); reports a file that stays.
    void VolltextDateiEntfernen(const QString& handler, const std::function<void()>& vorMeldung);
    TSchritt UmbenennenSchritt(const QString& name, bool nachDatum, QString& umbenennFehler);
    // Every undeleted entry grouped by stored size, each group in record
    // order.
    std::map<int64_t, std::vector<TGroessenSatz>> NachGroesse();
    // The two searches: the found entries become the album's query.
    void SucheAlsAbfrage(const QString& name, bool doppelte, bool ueberschuss, uint32_t& anzahl, bool& abgebrochen);
    // The frame of the searches for entries of equal size (`doppelte`: and
    // equal file name).
    void GroessenSuche(const QString& name, bool doppelte, bool ueberschuss);

    TOffenesAlbum& album_;
    TArbeitsbereich& bereich_;
    TAlbumAnsicht& ansicht_;
    TProgrammDienste& d_;
    TWartungsUmgebung& u_;
    bool aktiv_ = false;
    bool shortNamenFlag_ = false;
    QString fehlerText_;  // the engine's error of the refused write kept last
    uint32_t fehlerSatz_ = 0;  // its record
};
