#pragma once
// The HTML gallery's page generator: turns the entries of an album (those
// that pass its current filter, in its current order) into a small static
// web gallery in one folder: overview pages "galvora.htm", "galvora1.htm",
// ... with a row of thumbnails each, one page per picture with navigation,
// picture copies (scaled down on request), thumbnails "_" + name and, on
// request, full-size copies "original_" + name. Only JPEG entries (type 1)
// are exported; every other entry is reported and skipped.
//
// Pages are Windows-1252 text with CR LF line ends. Every text that comes
// from an entry (short description, note, file names) is escaped for HTML,
// so no entry can break or inject into a page; characters Windows-1252
// cannot hold are written as numeric character references.
//
// The generator has no dialog: its settings come in THTMLExportEinstellungen
// (read from and written to the ini section "HTMLExport"), its entries
// through THTMLExportQuelle, its messages go to callbacks.

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

class TQKINI;
class TDbe;

struct THTMLExportEinstellungen {
    // Overview pages.
    bool OrgSize = true;                 // thumbnail cells without width and height
    QString Width = QStringLiteral("190");
    QString Height = QStringLiteral("140");
    bool KurzbeschreibungInAlt = false;  // title attribute and the target text
    bool KurzbeschreibungInUebersicht = false;
    bool LangbeschreibungInUebersicht = false;
    int TabellenRahmen = 0;
    int PicAnz = 5;                      // pictures per overview page, 0 = all on one
    bool BildImNeuenFenster = false;     // link target on the thumbnails
    QString Target = QStringLiteral("_blank");
    // Picture pages.
    bool BildInHTMLFormat = true;        // one page per picture
    bool HauptbilderSkalieren = true;
    int HauptbilderBreite = 800;         // limit of the longer side
    int JPGQualitaet = 75;
    bool KurzbeschreibungInGrossanzeige = false;
    bool LangbeschreibungInGrossanzeige = false;
    QString Grossanzeigeueberschrift = QStringLiteral("QV-Lumadex Fotogalerie");
    int GrafikRahmen = 0;
    int UeberschriftenRahmen = 0;
    bool OriginalAuchExportieren = false;

    // Section "HTMLExport" of the ini file, keys in their fixed order.
    void Lesen(TQKINI& ini);
    void Schreiben(TQKINI& ini) const;
};

// The head template of the overview pages as shipped, and the default that
// the dialog's "Default HTML-Code" button puts in.
QStringList HTMLKopfVorlage();
QStringList HTMLKopfStandard();

// The entries to export, walked from the first in the album's current order.
class THTMLExportQuelle {
public:
    virtual ~THTMLExportQuelle() = default;
    // Entries that pass the album's filter.
    virtual int Anzahl() = 0;
    virtual void ErsterEintrag() = 0;
    // One entry on; stays on the last at the end.
    virtual void NaechsterEintrag() = 0;
    // Remembers the current entry and goes back to it.
    virtual long Position() = 0;
    virtual void GeheZu(long position) = 0;
    // Fields of the current entry (PFAD trimmed; TYPE; SHORTDESC trimmed).
    virtual QString Pfad() = 0;
    virtual QString Typ() = 0;
    virtual QString Kurzbeschreibung() = 0;
    virtual QString Notiz() = 0;
    // The entry's thumbnail turned by its rotation; null when it has none.
    virtual QImage Vorschaubild() = 0;
};

// The album's entries through its engine companion.
class TDbeHTMLExportQuelle : public THTMLExportQuelle {
public:
    explicit TDbeHTMLExportQuelle(TDbe* dbe) : dbe_(dbe) {}
    int Anzahl() override;
    void ErsterEintrag() override;
    void NaechsterEintrag() override;
    long Position() override;
    void GeheZu(long position) override;
    QString Pfad() override;
    QString Typ() override;
    QString Kurzbeschreibung() override;
    QString Notiz() override;
    QImage Vorschaubild() override;

private:
    TDbe* dbe_;
};

// One text for a page: &, <, >, " and ' as entities; line breaks as CR LF.
QString HTMLText(const QString& text);

// Scales the picture file down so that its longer side is at most limit,
// and saves it as JPEG with the quality (0: the library's default); a
// picture within the limit stays as it is. Halves round away from zero.
// False when the file could not be read or written.
bool ErzeugeGrossBild(const QString& linuxDatei, int limit, int qualitaet);
// The size a picture of w x h gets with that limit.
QSize GrossBildGroesse(int w, int h, int limit);

class THTMLExport {
public:
    // exportOrdner: Windows-form folder, ending in "\".
    THTMLExport(THTMLExportQuelle& quelle, const THTMLExportEinstellungen& einstellungen,
                const QString& exportOrdner, const QStringList& kopfVorlage);

    // A timed message: caption, text, height.
    std::function<void(const QString& caption, const QString& text, int height)> Meldung;
    // Entry i of n is being exported (the dialog shows it in its caption).
    std::function<void(int i, int n)> Fortschritt;
    // Asked before each entry; true stops the run (Esc).
    std::function<bool()> Abbruch;

    // The export run over all entries. An overview page that cannot be
    // written raises EInOutError; files written so far stay. An entry whose
    // picture cannot be copied is shown by its thumbnail and counted; one
    // whose thumbnail or page cannot be written is left out and counted;
    // the run goes on with the next.
    void Ausfuehren();

    // What the last run skipped: the count and the entries' paths.
    int Uebersprungen = 0;
    QStringList UebersprungenNamen;

    // The picture name of an entry path in the export folder: the cleaned
    // last part of the path (never a way out of the folder), renamed
    // base + "_" + number + "." + suffix when it is taken, lower case.
    QString BildName(const QString& pfad) const;

private:
    struct Seite;
    QString Linux(const QString& name) const;
    bool Vorhanden(const QString& name) const;
    bool NameBelegt(const QString& name) const;
    void Kopf(Seite& seite);
    void Fuss(Seite& seite, int vorige, int naechste, int letzte);
    void BildSeite(const QString& seitenName, const QString& bild, const QString& bildRef, const QString& originalRef);
    QString Zelle(const QString& link, const QString& vorschau) const;
    void Vorschau(const QString& vorschauName, const QString& quelle, bool quelleDa);
    void Kopieren(const QString& quelle, const QString& ziel);
    void Ueberspringen(const QString& pfad, const QString& grund);

    THTMLExportQuelle& quelle_;
    THTMLExportEinstellungen e_;
    QString ordner_;
    QStringList kopf_;
    // Run state.
    QString uebersicht_;
    QString kurz_;
    QString notiz_;
    QString vorigeSeite_;
    QString naechsteSeite_;
    bool weiter_ = true;
    QStringList kurzQueue_;
    QStringList langQueue_;
};
