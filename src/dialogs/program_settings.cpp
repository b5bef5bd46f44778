#include "dialogs/program_settings.h"

#include "platform/core/file_utils.h"
#include "platform/core/ini_file.h"
#include "platform/core/win1252.h"
#include "platform/os/folders.h"
#include "platform/ui/dialogs.h"
#include "shared/general_files.h"
#include "shared/general_texts.h"

#include <QHash>

#include <stdexcept>

namespace {

using T = TEinstellungsTyp;
constexpr auto H = kSektionHaupt;
constexpr auto B = kSektionBilder;
constexpr auto TV = kSektionTextVollbild;
constexpr auto Immer = TOrdnerAnlage::Immer;
constexpr auto NichtAB = TOrdnerAnlage::NichtAufAB;
constexpr auto Festplatte = TOrdnerAnlage::NurFestplatte;
constexpr auto Keine = TOrdnerAnlage::Keine;

// clang-format off
const TEinstellung kTabelle[] = {
    // ---- "Programm-Allgemein" ---------------------------------------------------------------------------------
    {"BezeichnerBenutzerdefiniertesFeld1", H, T::Text, "EditBenutzerdefiniertFeld1", "Feld 1", rtAllgemein, "Benutzerdefinierte Felder", "Benutzerdefiniert1"},
    {"BezeichnerBenutzerdefiniertesFeld2", H, T::Text, "EditBenutzerdefiniertFeld2", "Feld 2", rtAllgemein, "Benutzerdefinierte Felder", "Benutzerdefiniert2"},
    {"BezeichnerBenutzerdefiniertesFeld3", H, T::Text, "EditBenutzerdefiniertFeld3", "Feld 3", rtAllgemein, "Benutzerdefinierte Felder", "Benutzerdefiniert3"},
    {"RequesterAnzeigeZeit", H, T::Zahl, "ScrollBarMeldungszeit", "Anzeigedauer", rtAllgemein, "Meldungsfenster", "10", 0, 30, false, Keine, false, " Sek."},
    {"AlleMeldungen", H, T::Bool, "CheckBoxAlleMeldungen", "Alle Meldungen anzeigen", rtAllgemein, "Meldungsfenster", "1"},
    {"BearbeitungszeitAnzeigen", H, T::Bool, "CheckBoxBearbeitungszeitAnzeigen", "Bearbeitungszeit anzeigen", rtAllgemein, "Meldungsfenster", "1"},
    {"BerabeitungsMeldung", H, T::Bool, "CheckBoxBerabeitungsMeldung", "Meldung während Bearbeitung", rtAllgemein, "Meldungsfenster", "0"},
    {"MeldungNutzungsdauer", H, T::Bool, "CheckBoxMeldungNutzungsdauer", "Nutzungsdauer beim Beenden anzeigen", rtAllgemein, "Meldungsfenster", "1"},
    {"Maushilfe", H, T::Bool, "CheckBoxMaushilfe", "Maushilfe ", rtAllgemein, "Maushilfe-Parameter", "1"},
    {"MouseHintTime", H, T::Zahl, "ScrollBarHintPause", "Verzögerung", rtAllgemein, "Maushilfe-Parameter", "0", 0, 30, false, Keine, false, " Sek."},
    {"HintHidePause", H, T::Zahl, "ScrollBarHintHidePause", "Anzeigedauer", rtAllgemein, "Maushilfe-Parameter", "20", 1, 30, false, Keine, false, " Sek."},
    {"WindowScaling", H, T::Bool, "CheckBoxWindowScaling", "Fenster beim vergrößern skalieren", rtAllgemein, "Fenster", "0", 0, 0, true},
    {"ProgINIimProgPfad", H, T::Bool, "CheckBoxProgINIimProgPfad", "INI-Datei im Programmverzeichnis", rtAllgemein, "Fenster", "1", 0, 0, true},
    {"StartLogo", H, T::Bool, "CheckBoxStartLogo", "Startlogo anzeigen", rtAllgemein, "Fenster", "0", 0, 0, true},
    {"VerkleinertStarten", H, T::Bool, "CheckBoxVerkleinertStarten", "Verkleinert starten", rtAllgemein, "Fenster", "1", 0, 0, true},
    {"Sicherheitsabfragen", H, T::Bool, "CheckBoxSicherheitsabfragen", "Zusätzliche Sicherheitsabfragen", rtAllgemein, "", "1"},
    {"Protokollieren", B, T::Bool, "CheckBoxProtokollieren", "Programmfunktionen protokollieren", rtAllgemein, "Protokollierung", "0"},
    {"MaxLogSize", H, T::Zahl, "ScrollBarMaxLogSize", "Maximale Größe", rtAllgemein, "Protokollierung", "200", 10, 30000, false, Keine, false, " KB"},
    {"WallpaperTile", B, T::Radio, "RadioButtonWallPaperTile", "Mosaik", rtAllgemein, "Hintergrundbild (Wallpaper)", "0"},
    {"WallpaperStretch", B, T::Radio, "RadioButtonWallPaperStretch", "An Bildschirm anpassen", rtAllgemein, "Hintergrundbild (Wallpaper)", "0"},
    {"Wallpaper1zu1", B, T::Radio, "RadioButtonWallPaper1zu1", "1:1 (Originalgrösse) anzeigen", rtAllgemein, "Hintergrundbild (Wallpaper)", "1"},
    {"NeuesWallPaperBeiProgStart", B, T::Bool, "CheckBoxNeuesWallPaperBeiProgStart", "Neues Hintergrundbild bei jedem Start", rtAllgemein, "Hintergrundbild (Wallpaper)", "0"},
    {"CDRcheck", H, T::Bool, "CheckBoxCDRcheck", "Automatische Albensuche auf CD-Laufwerken", rtAllgemein, "", "1"},
    {"EndeImMenu", H, T::Bool, "CheckBoxEndeImMenu", "Ende-Funktion im Hauptmenü", rtAllgemein, "", "1"},

    // ---- "Bilder-Allgemein" -----------------------------------------------------------------------------------
    {"SlideShowInterval", B, T::Zahl, "SpinEditSlideShowInterval", "Slideshow-Intervall (Sek.)", rtBilder, "", "5", 1, 60},
    {"VorschaubilderVerzeichnis", B, T::Ordner, "EditVorschaubilderVerzeichnis", "Verzeichnis der Vorschaubilder", rtBilder, "", "Data\\PrevPics\\", 0, 0, false, NichtAB},
    {"ComboBoxDropDownCount", B, T::Zahl, "SpinEditDropDownCount", "Einträge in Aufklapplisten", rtBilder, "", "10", 1, 60},
    {"BilderGauge", B, T::Bool, "CheckBoxBilderGauge", "Fortschritt beim Laden der Bilder", rtBilder, "", "0"},
    {"ShortDescInHint", B, T::Bool, "CheckBoxShortDescInHint", "Kurzbeschreibung als Hinweis", rtBilder, "", "1"},
    {"SupportExternalPicFormats", B, T::Bool, "CheckBoxSupportExternalPicFormats", "Unterstützung externer Bildformate", rtBilder, "", "0", 0, 0, true},
    {"SearchFTS_OnlyInShortDesc", B, T::Bool, "CheckBoxSearchFTS_OnlyInShortDesc", "Volltextsuche nur in der Kurzbeschreibung", rtBilder, "", "0"},
    {"AutoSlideShowTime", B, T::Zahl, "ScrollBarAutoSlideShow", "Automatische Slideshow nach", rtBilder, "Automatische Slideshow", "1", 1, 60, false, Keine, false, " Min."},
    {"AutoSlideShowAktiv", B, T::Bool, "CheckBoxAutoSlideShowAktiv", "Automatische Slideshow aktiv", rtBilder, "Automatische Slideshow", "0"},
    {"WennFileNichtGefundenAnderesLWtesten", B, T::Bool, "CheckBoxWennNichtGefundenAnderesLWtesten", "Nicht gefundene Bilder auf anderen Laufwerken suchen", rtBilder, "", "1"},
    {"BeiScrollBarClickZeigeVorschauBild", H, T::Bool, "CheckBoxBeiScrollBarClickZeigeVorschauBild", "Vorschaubild auch beim Blättern mit der Bildlaufleiste", rtBilder, "", "0"},
    {"VorschaubilderCachen", B, T::Bool, "CheckBoxVorschaubilderCachen", "Vorschaubilder zwischenspeichern", rtBilder, "", "0"},
    {"GefundeneBilderKopieren", B, T::Bool, "CheckBoxGefundeneBilderKopieren", "Volltext-Treffer in anderes Fotoalbum kopieren", rtBilder, "", "0"},
    {"BilderbytesAddieren", B, T::Bool, "CheckBoxBilderbytesAddieren", "Bildgrößen in der Statuszeile addieren", rtBilder, "", "0"},
    {"VorschaubilderPhysikalischDrehen", B, T::Bool, "CheckBoxVorschaubilderPhysikalischDrehen", "Vorschaubilder physikalisch drehen", rtBilder, "", "0", 0, 0, true},
    {"VorschaubilderinUebersichtDrehen", B, T::Bool, "CheckBoxDrehenInPicBox", "Bilder drehen in Vorschaubilderübersicht", rtBilder, "", "1"},

    // ---- "Bilder (um)kopieren" --------------------------------------------------------------------------------
    {"SourcePfad", B, T::Ordner, "EditSourceDir", "Quellverzeichnis", rtKopieren, "Verzeichnisse", "Data\\PicsUpload\\", 0, 0, false, Festplatte},
    {"DestPfad", B, T::Ordner, "EditDestDir", "Zielverzeichnis", rtKopieren, "Verzeichnisse", "Data\\Pics\\", 0, 0, false, NichtAB},
    {"SourceFileNames", B, T::Text, "EditSourceFileNames", "Dateinamen beginnen mit", rtKopieren, "Dateien", ""},
    {"SourceFileSuffix", B, T::Text, "EditSourceFileSuffix", "Dateiendung", rtKopieren, "Dateien", "JPG"},
    {"BreiteOderLaenge", B, T::Text, "EditBreiteOderLaenge", "Nur Bilder mit Breite oder Höhe", rtKopieren, "Dateien", ""},
    {"DateTimeFileName", B, T::Radio, "RadioButtonDateTime", "Datum/Zeit = Name", rtKopieren, "Benennung der Kopien", "0"},
    {"IncNrFileName", B, T::Radio, "RadioButtonIncNr", "Fortlaufende Nummer", rtKopieren, "Benennung der Kopien", "1"},
    {"DeleteAfterCopy", B, T::Bool, "CheckBoxDeleteAfterCopy", "Quelldateien nach dem Kopieren löschen", rtKopieren, "Optionen", "0"},
    {"InklusiveSubDirs", B, T::Bool, "CheckBoxInklusiveSubDirs", "Inklusive Unterverzeichnisse", rtKopieren, "Optionen", "0"},
    {"FreienPlatzPruefen", B, T::Bool, "CheckBox_checkFreeSize", "Freien Platz prüfen", rtKopieren, "Optionen", "0"},
    {"ImmerPollen", B, T::Bool, "CheckBoxImmerPollen", "Permanentes Überwachen der Quelle", rtKopieren, "Optionen", "0", 0, 0, true, Keine, true},
    {"ErzeugeVorschaubilder", B, T::Bool, "CheckBoxErzeugeVorschaubilder", "Vorschaubilder erzeugen", rtKopieren, "Optionen", "0", 0, 0, true},

    // ---- "Fotoalben/Verzeichnisse" ----------------------------------------------------------------------------
    {"BMPAnzeigen", B, T::Radio, "RadioButtonBMPAnzeigen", "BMP Anzeigen", rtVerzeichnisse, "Vorschaubilder", "1"},
    {"JPGAnzeigen", B, T::Radio, "RadioButtonJPGAnzeigen", "JPG Anzeigen", rtVerzeichnisse, "Vorschaubilder", "0"},
    {"KeinBildAnzeigen", B, T::Radio, "RadioButtonKeinBildAnzeigen", "Kein Bild anzeigen", rtVerzeichnisse, "Vorschaubilder", "0"},
    {"ScanPicHeightAndWidth", B, T::Bool, "CheckBoxScanPicHeightAndWidth", "Höhe und Breite der Bilder ermitteln", rtVerzeichnisse, "Fotoalben", "1"},
    {"VorschuBilderAlsBlobSpeichern", B, T::Bool, "CheckBoxVorschauBilderAlsBlobSpeichern", "Vorschaubilder in Fotoalbum speichern", rtVerzeichnisse, "Fotoalben", "1"},
    {"BilderDBFnotOpenMsg", B, T::Bool, "CheckBoxBilderDBFnotOpenMsg", "Meldung, wenn kein Fotoalbum geöffnet ist", rtVerzeichnisse, "Fotoalben", "1"},
    {"BackupDir", H, T::Ordner, "EditBackupDir", "Backup", rtVerzeichnisse, "Verzeichnisse", "DATA\\BACKUP\\", 0, 0, false, Immer},
    {"ASCIIExportPfad", H, T::Ordner, "EditBilderASCIIExport", "ASCII-Export", rtVerzeichnisse, "Verzeichnisse", "DATA\\ASCIIExport\\", 0, 0, false, Immer},
    {"CDRDir", H, T::Ordner, "EDITCDRDIR", "CD-R-Erstellung", rtVerzeichnisse, "Verzeichnisse", "DATA\\CDR\\", 0, 0, false, Immer},
    {"DatenbankenVerzeichnis", H, T::Ordner, "EditDatenbankenVerzeichnis", "Fotoalben", rtVerzeichnisse, "Verzeichnisse", "Data\\Database\\"},
    {"TempBilderPfad", B, T::Ordner, "EditTempDir", "Vorschaubilder (temporär)", rtVerzeichnisse, "Verzeichnisse", "Data\\PrevTemp\\", 0, 0, false, NichtAB},
    {"ASCIIImportPfad", H, T::Ordner, "EditBilderASCIIImport", "ASCII-Import", rtVerzeichnisse, "Verzeichnisse", "DATA\\ASCIIImport\\", 0, 0, false, Immer},

    // ---- "Externe Programme" ----------------------------------------------------------------------------------
    {"PfadBildAnzeige", B, T::Datei, "EditExternerProgrammPfadBildAnzeige", "Programm", rtExtern, "Externes Anzeigeprogramm", ""},
    {"UseWindowsLink", B, T::Bool, "CheckBoxUseWindowsLink", "Windowsverknüpfung benutzen", rtExtern, "Externes Anzeigeprogramm", "1"},
    {"PfadBildBearbeitung1", B, T::Datei, "EditExternerProgrammPfadBildBearbeitung1", "Programm", rtExtern, "Externe Bildbearbeitung 1", ""},
    {"Bildbearbeitung1", B, T::Text, "EditBildbearbeitung1", "Menüeintrag", rtExtern, "Externe Bildbearbeitung 1", "Externe Bildbearbeitung1"},
    {"PfadBildBearbeitung2", B, T::Datei, "EditExternerProgrammPfadBildBearbeitung2", "Programm", rtExtern, "Externe Bildbearbeitung 2", ""},
    {"Bildbearbeitung2", B, T::Text, "EditBildbearbeitung2", "Menüeintrag", rtExtern, "Externe Bildbearbeitung 2", "Externe Bildbearbeitung2"},
    {"PfadBildBearbeitung3", B, T::Datei, "EditExternerProgrammPfadBildBearbeitung3", "Programm", rtExtern, "Externe Bildbearbeitung 3", ""},
    {"Bildbearbeitung3", B, T::Text, "EditBildbearbeitung3", "Menüeintrag", rtExtern, "Externe Bildbearbeitung 3", "Externe Bildbearbeitung3"},

    // ---- "Scanner / Kamera" -----------------------------------------------------------------------------------
    {"BilderUploadmodus", B, T::Auswahl, "ComboBoxUploadmodus", "Uploadmodus", rtScanner, "", "0", 0, 2},
    {"ScannerZielDir", B, T::Ordner, "EditScannerZielDir", "Zielverzeichnis für gescannte Bilder", rtScanner, "", "Data\\Pics\\Scans\\", 0, 0, false, Immer},
    {"ScanZielDirImmerNachfragen", B, T::Bool, "CheckBox_ScanZielDirImmerNachfragen", "Zielverzeichnis immer nachfragen", rtScanner, "", "1"},

    // ---- "HTML-Export" ----------------------------------------------------------------------------------------
    {"HTMLExportPfad", B, T::Ordner, "EditHTMLExportPfad", "Verzeichnis für den HTML-Export", rtHTML, "", "Data\\HTMLExport\\", 0, 0, false, Immer},

    // ---- "Schriften && Farben" --------------------------------------------------------------------------------
    {"Pflichtfarbe", H, T::Farbe, "ShadowButtonPflichtfarbe", "Pflichtfelder", rtFarben, "Feldfarben", "16776960"},
    {"Kannfarbe", H, T::Farbe, "ShadowButtonKannfarbe", "Eingabe möglich", rtFarben, "Feldfarben", "65280"},
    {"KannNichtfarbe", H, T::Farbe, "ShadowButtonKannNichtfarbe", "Keine Eingabe möglich", rtFarben, "Feldfarben", "8421376"},
    {"Infofarbe", H, T::Farbe, "ShadowButtonInfofarbe", "Infofelder ( ReadOnly)", rtFarben, "Feldfarben", "65535"},
    {"NoAccessFarbe", H, T::Farbe, "ShadowButtonNoAccessFarbe", "Zugriff verweigert (Userlevel)", rtFarben, "Feldfarben", "255"},
    {"GridMitIndexTitelColor", H, T::Farbe, "ShadowButtonIndizierteGridFelder", "Indizierte Felder", rtFarben, "Listenfarben", "65535"},
    {"GridOhneIndexTitelColor", H, T::Farbe, "ShadowButtonNormaleGridFelder", "Normale Felder", rtFarben, "Listenfarben", "65280"},
    {"GeradeGridZeilenColor", H, T::Farbe, "ShadowButtonGeradeGridZeilen", "Gerade Zeilen", rtFarben, "Listenfarben", "65535"},
    {"UngeradeGridZeilenColor", H, T::Farbe, "ShadowButtonUngeradeGridZeilen", "Ungerade Zeilen", rtFarben, "Listenfarben", "16777215"},
    {"NoAccessGridRowsColor", H, T::Farbe, "ShadowButtonNoAccessGridRows", "Nicht verfügbare Zeilen", rtFarben, "Listenfarben", "255"},
    {"RowColors", H, T::Bool, "CheckBoxRowColors", "Listenanzeige zeilenmäßig colorieren", rtFarben, "Listenoptionen", "1"},
    {"NichtDaRowColors", H, T::Bool, "CheckBoxNichtVerfuegbareZeilenColorieren", "Nicht verfügbare Zeilen colorieren", rtFarben, "Listenoptionen", "0"},
    {"FarbSystemBenutzen", H, T::Bool, "CheckBoxFarbSystemBenutzen", "QV-Lumadex-Farbsystem benutzen", rtFarben, "Listenoptionen", "1"},
    {"TextVollbildBGColor", TV, T::Farbe, "ShadowButtonTextVollbildHintergrund", "Hintergrundfarbe", rtFarben, "Kurzbeschreibung in Vollbildanzeige", "16777215"},
    {"TextVollbildanzeige", H, T::Bool, "CheckBoxTextVollbildanzeige", "Kurzbeschreibung anzeigen", rtFarben, "Kurzbeschreibung in Vollbildanzeige", "0"},

    // ---- "Programm_Sound" -------------------------------------------------------------------------------------
    {"PRGWavePfad", H, T::Ordner, "EditPRGWavePfad", "Verzeichnis", rtSound, "Programmsounds", "Waves\\PRG\\"},
    {"PRGWave", H, T::Bool, "CheckBoxPRGWave", "Programmsounds abspielen", rtSound, "Programmsounds", "0"},
    {"HintWavePfad", H, T::Ordner, "EditHintWavePfad", "Verzeichnis", rtSound, "Hinweissounds", "WaveS\\Hints\\"},
    {"HintWave", H, T::Bool, "CheckBoxHintWave", "Hinweissounds abspielen", rtSound, "Hinweissounds", "0"},
};

const TSchriftEintrag kSchriften[] = {
    {"Alle Schriften zurücksetzen !", ""},
    {"Listenansicht - Datenbankfelder", "GridFont"},
    {"Listenansicht - Überschriften ", "GridTitelFont"},
    {"Normale Datenbankfelder", "DBEditFont"},
    {"Normale Datenbankfeld-Überschriften", "LabelFont"},
    {"Statusbars", "StatusBar"},
    {"Comboboxen (Aufklapp-Boxen)", "DBComboBox"},
    {"Checkboxen   (Ankreuz-Kästchen)", "DBCheckBox"},
    {"RadioButtons (Ankreuz-Kreise)", "RadioButton"},
};
// clang-format on

QString U(const char* s) { return QString::fromUtf8(s); }

// An integer text as the ini reader takes it: decimal, optionally signed.
bool ZahlAusText(const QString& text, qlonglong& wert)
{
    bool ok = false;
    wert = text.trimmed().toLongLong(&ok);
    return ok;
}

}  // namespace

std::span<const TEinstellung> EinstellungsTabelle() { return kTabelle; }

std::span<const TSchriftEintrag> SchriftEintraege() { return kSchriften; }

const TEinstellung* EinstellungZuSchluessel(const QString& schluessel)
{
    // Every read of a setting asks here: the table's keys, case-folded, in
    // a hash made once (the first row of a key wins, as a search would).
    static const QHash<QString, const TEinstellung*> zeilen = [] {
        QHash<QString, const TEinstellung*> h;
        for (const TEinstellung& z : kTabelle)
            if (!h.contains(U(z.Schluessel).toCaseFolded()))
                h.insert(U(z.Schluessel).toCaseFolded(), &z);
        return h;
    }();
    return zeilen.value(schluessel.toCaseFolded(), nullptr);
}

const TEinstellung* EinstellungZuSteuerelement(const QString& steuerelement)
{
    for (const TEinstellung& z : kTabelle)
        if (steuerelement == U(z.Steuerelement))
            return &z;
    return nullptr;
}

std::vector<const TEinstellung*> RadioGruppe(const TEinstellung& zeile)
{
    std::vector<const TEinstellung*> gruppe;
    if (zeile.Typ != T::Radio)
        return gruppe;
    for (const TEinstellung& z : kTabelle)
        if (z.Typ == T::Radio && z.Reiter == zeile.Reiter && qstrcmp(z.Gruppe, zeile.Gruppe) == 0)
            gruppe.push_back(&z);
    return gruppe;
}

QString ReiterBeschriftung(TOptionenReiter reiter)
{
    static const char* const kReiter[rtAnzahl] = {
        "Programm-Allgemein", "Bilder-Allgemein",  "Bilder (um)kopieren",  "Fotoalben/Verzeichnisse",
        "Externe Programme",  "Scanner / Kamera", "HTML-Export",          "Schriften && Farben",
        "Programm_Sound"};
    return U(kReiter[reiter]);
}

QStringList UploadmodusEintraege()
{
    return {QStringLiteral("Auswahldialog anzeigen"), QStringLiteral("Flachbettscanner"),
            QStringLiteral("Digitale Kamera")};
}

QStringList StandardGruppenListe()
{
    QStringList l{QStringLiteral("Keine Zuordnung")};
    for (int i = 1; i <= 10; ++i)
        l << QString::number(i) + QStringLiteral(". Gruppe");
    return l;
}

QStringList StandardQuellenListe()
{
    return {QStringLiteral("Keine Zuordnung"), QStringLiteral("digitale Kamera"), QStringLiteral("Flachbettscanner"),
            QStringLiteral("Internet"),        QStringLiteral("Andere"),          QStringLiteral("Foto-CD"),
            QStringLiteral("Foto-Disk")};
}

// ---------------------------------------------------------------------------
// The store
// ---------------------------------------------------------------------------

TProgrammEinstellungen::TProgrammEinstellungen() : programmPfad_(ProgramFolder()), werte_(std::size(kTabelle))
{
    Vorgaben();
}

void TProgrammEinstellungen::SetProgrammPfad(const QString& pfad)
{
    // Folders still at their default move with the program folder.
    std::vector<bool> alsVorgabe(std::size(kTabelle));
    for (size_t i = 0; i < std::size(kTabelle); ++i)
        alsVorgabe[i] = werte_[i] == Vorgabe(kTabelle[i]);
    programmPfad_ = MitBackslash(pfad);
    for (size_t i = 0; i < std::size(kTabelle); ++i)
        if (alsVorgabe[i])
            werte_[i] = Vorgabe(kTabelle[i]);
}

QString TProgrammEinstellungen::Vorgabe(const TEinstellung& zeile) const
{
    const QString v = U(zeile.Vorgabe);
    return zeile.Typ == T::Ordner ? programmPfad_ + v : v;
}

void TProgrammEinstellungen::Vorgaben()
{
    for (size_t i = 0; i < std::size(kTabelle); ++i)
        werte_[i] = Vorgabe(kTabelle[i]);
}

int TProgrammEinstellungen::Index(const QString& schluessel) const
{
    const TEinstellung* z = EinstellungZuSchluessel(schluessel);
    if (!z)
        throw std::out_of_range("unbekannte Einstellung: " + schluessel.toStdString());
    return int(z - kTabelle);
}

bool TProgrammEinstellungen::Gueltig(const TEinstellung& zeile, const QString& text) const
{
    qlonglong n = 0;
    switch (zeile.Typ) {
    case T::Bool:
    case T::Radio:
        return ZahlAusText(text, n);
    case T::Zahl:
    case T::Auswahl:
        return ZahlAusText(text, n) && n >= zeile.Min && n <= zeile.Max;
    case T::Farbe:
        // Any 32-bit value: RGB colours and the framework's system colours.
        return ZahlAusText(text, n) && n >= INT32_MIN && n <= qlonglong(UINT32_MAX);
    case T::Text:
    case T::Ordner:
    case T::Datei:
        // One line that the ini file's code page can hold.
        return !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')) && Win1252CanEncode(text);
    }
    return false;
}

bool TProgrammEinstellungen::Setzen(int index, const QString& text)
{
    const TEinstellung& z = kTabelle[index];
    if (!Gueltig(z, text))
        return false;
    QString neu = text;
    qlonglong n = 0;
    if (z.Typ == T::Bool || z.Typ == T::Radio)
        neu = (ZahlAusText(text, n) && n != 0) ? QStringLiteral("1") : QStringLiteral("0");
    else if (z.Typ == T::Zahl || z.Typ == T::Auswahl || z.Typ == T::Farbe) {
        ZahlAusText(text, n);
        neu = QString::number(int32_t(uint32_t(n)));
    }
    const bool geaendert = werte_[index] != neu;
    werte_[index] = neu;
    if (z.Typ == T::Radio && neu == QLatin1String("1")) {
        for (const TEinstellung* anderer : RadioGruppe(z)) {
            const int j = int(anderer - kTabelle);
            if (j != index && werte_[j] != QLatin1String("0")) {
                werte_[j] = QStringLiteral("0");
                if (OnChange)
                    OnChange(U(anderer->Schluessel));
            }
        }
    }
    if (geaendert && OnChange)
        OnChange(U(z.Schluessel));
    return true;
}

bool TProgrammEinstellungen::SetWert(const QString& schluessel, const QString& text)
{
    const int i = Index(schluessel);
    if (Setzen(i, text))
        return true;
    Setzen(i, Vorgabe(kTabelle[i]));
    return false;
}

QString TProgrammEinstellungen::Wert(const QString& schluessel) const { return werte_[Index(schluessel)]; }

bool TProgrammEinstellungen::Bool(const QString& schluessel) const { return Wert(schluessel) == QLatin1String("1"); }

int TProgrammEinstellungen::Zahl(const QString& schluessel) const { return Wert(schluessel).toInt(); }

QString TProgrammEinstellungen::Text(const QString& schluessel) const { return Wert(schluessel); }

bool TProgrammEinstellungen::SetBool(const QString& schluessel, bool wert)
{
    return Setzen(Index(schluessel), wert ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TProgrammEinstellungen::SetZahl(const QString& schluessel, int wert)
{
    return Setzen(Index(schluessel), QString::number(wert));
}

bool TProgrammEinstellungen::SetText(const QString& schluessel, const QString& wert)
{
    return Setzen(Index(schluessel), wert);
}

void TProgrammEinstellungen::Lesen(const QString& iniDatei)
{
    const TMemIniFile ini(iniDatei);
    for (size_t i = 0; i < std::size(kTabelle); ++i) {
        const TEinstellung& z = kTabelle[i];
        const QString vorgabe = Vorgabe(z);
        const QString text = ini.ReadString(U(z.Sektion), U(z.Schluessel), vorgabe);
        if (!Setzen(int(i), text))
            Setzen(int(i), vorgabe);
    }
}

void TProgrammEinstellungen::Schreiben(const QString& iniDatei) const
{
    TMemIniFile ini(iniDatei);
    for (size_t i = 0; i < std::size(kTabelle); ++i)
        ini.WriteString(U(kTabelle[i].Sektion), U(kTabelle[i].Schluessel), werte_[i]);
    ini.UpdateFile();
}

QStringList TProgrammEinstellungen::OrdnerAnlegen()
{
    QStringList fehlgeschlagen;
    for (const TEinstellung& z : kTabelle) {
        if (z.Typ != T::Ordner || z.Anlage == TOrdnerAnlage::Keine)
            continue;
        const QString ordner = MitBackslash(Text(U(z.Schluessel)).trimmed());
        if (ordner.size() < 3)
            continue;
        const QChar laufwerk = ordner.at(0).toUpper();
        if (z.Anlage == TOrdnerAnlage::NichtAufAB && (laufwerk == QLatin1Char('A') || laufwerk == QLatin1Char('B')))
            continue;
        if (z.Anlage == TOrdnerAnlage::NurFestplatte &&
            LaufwerksTyp(ordner.left(1) + QStringLiteral(":\\")) != QLatin1String("HD")) {
            if (!quellWarnungGezeigt_ && Bool(QStringLiteral("AlleMeldungen"))) {
                quellWarnungGezeigt_ = true;
                MessageDlg(QStringLiteral("Quellverzeichnis (") + ordner +
                               QStringLiteral(") ist keine Festplatte, Pfadcheck und Neuanlage wird nicht durchgeführt!"),
                           mtWarning, TMsgDlgButtons{mbOK});
            }
            continue;
        }
        if (!VerzeichnisPruefen(ordner, true, false))
            fehlgeschlagen << ordner;
    }
    return fehlgeschlagen;
}

void TProgrammEinstellungen::ReadPlayListFromMemo(const QString& gprFile)
{
    if (FileExists(gprFile))
        MemoGruppenListe.LoadFromFile(gprFile);
}

void TProgrammEinstellungen::ReadQuellenFromMemo(const QString& qulFile)
{
    if (FileExists(qulFile))
        MemoQuellenListe.LoadFromFile(qulFile);
}
