// Album maintenance: renaming the current picture and every shown picture
// (each entry gets its new path and the short name of it, so the picture
// intake still knows the picture), and counting the pictures the copy
// command would copy.
#include "mainwindow/bilder_wartung_teile.h"

#include "datagrid/dk_table.h"
#include "dialogs/program_options.h"
#include "mainwindow/main_options.h"
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "shared/app_exception.h"
#include "shared/general_dates.h"
#include "shared/general_files.h"
#include "shared/general_texts.h"
#include "shared/nachrichten_dialog.h"
#include "shared/picture_files.h"
#include "shared/short_name.h"
#include "shared/utility_files.h"
#include "storage/tdbe.h"

#include <vector>

namespace {

QString FeldText(const char* feld) { return Win1252Decode(QByteArrayView(dbe_GetString(feld))).trimmed(); }

// The file's modification time as a name: date and time in the program's
// format with every ":" turned into ".".
QString DatumsName(const QString& datei)
{
    QString text = DateTimeToStr(qktFileDateTime(datei));
    DoppelpunktZuPunkt(text);
    return text;
}

// A new name typed by the user may not leave the picture's folder.
bool NameZulaessig(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char('/')) &&
           !name.contains(QLatin1String("..")) && !name.contains(QLatin1Char(':'));
}

}  // namespace

// Renames the picture of the selected area's current entry by the chosen
// scheme and writes its new path and short name; a picture that is missing,
// read-only, already named by a date or whose new name is taken stays.
TBilderWartung::TSchritt TBilderWartung::UmbenennenSchritt(const QString& name, bool nachDatum, QString& umbenennFehler)
{
    const QString pfad = FeldText("PFAD");
    const QString datei = DateiNameVonPfad(pfad);
    if (pfad.isEmpty() || !FileExists(pfad) || (FileGetAttr(pfad) & faReadOnly) || DateinameHatDatumsformat(datei))
        return TSchritt::Weiter;
    // Another medium in the drive may hold a file of the same name.
    const QString kennung = FeldText("LABELKENNU");
    if (MediumNichtImLaufwerk(pfad, kennung)) {
        WartungsProtokoll(name + QStringLiteral(", ") + MediumFehltText(pfad, FeldText("LABEL"), kennung));
        return TSchritt::Weiter;
    }
    const QString ordner = PfadVonDatei(pfad, true);
    const QString suffix = DateiSuffix(pfad).toUpper();
    QString neu;
    try {
        neu = nachDatum ? ordner + DatumsName(pfad) + QStringLiteral(".") + suffix
                        : ordner + NullenAuffuellen(NaechsteFreieNummer(ordner + QStringLiteral("*.") + suffix), 5) +
                              QStringLiteral(".") + suffix;
    } catch (const std::exception&) {
        WartungsProtokoll(name + QStringLiteral(", Fehler bei der Namenserzeugung (") + pfad + QStringLiteral(")"));
        d_.FehlerKontextText(Tabelle()->TableName() + QStringLiteral(", ") + QString::number(dbe_RecNo()) +
                             QStringLiteral(" / ") + QString::number(dbe_RecCount()));
        throw Exception(QStringLiteral("Fehler bei der Namenserzeugung (") + pfad + QStringLiteral(")"));
    }
    // Two pictures of the same second: the second keeps its name.
    if (FileExists(neu))
        return TSchritt::Weiter;
    Application->ProcessMessages();
    if (!BildUmbenennen(pfad, neu)) {
        umbenennFehler =
            QStringLiteral("Fehler beim Umbennen der Datei \"") + pfad + QStringLiteral("\" (Schreibschutz?) ");
        return TSchritt::Ende;
    }
    if (dbe_Replace("PFAD", DBE_REPL_TEXT, EngineText(neu).constData()) != 1 ||
        dbe_Replace("SHORTNAME", DBE_REPL_TEXT, EngineText(StringToCRC32(neu)).constData()) != 1) {
        WartungsFehlerMerken();
        // The entry keeps naming the old file: so does the disk.
        dbe_Replace("PFAD", DBE_REPL_TEXT, EngineText(pfad).constData());
        BildUmbenennen(neu, pfad);
        return TSchritt::Fehler;
    }
    Application->ProcessMessages();
    return TSchritt::Weiter;
}

bool TBilderWartung::DateinameHatDatumsformat(const QString& Name)
{
    TDateTime datum;
    return TryStrToDate(Name.left(10), datum);
}

void TBilderWartung::Bildumbenennen1Click(TObject* Sender)
{
    Ton(Sender);
    if (!album_.Offen())
        return;
    const QString pfad = Tabelle()->FieldByName(QStringLiteral("PFAD"))->AsString().trimmed();
    const QString kennung = Tabelle()->FieldByName(QStringLiteral("LABELKENNU"))->AsString().trimmed();
    if (MediumNichtImLaufwerk(pfad, kennung)) {
        ShowMessage(MediumFehltText(pfad, Tabelle()->FieldByName(QStringLiteral("LABEL"))->AsString(), kennung));
        return;
    }
    const QString alt = DateiNameVonPfad(pfad);
    const QString ordner = PfadVonDatei(pfad, true);
    QString neu = alt;
    if (!InputQuery(QStringLiteral("Bild umbenennen"), QStringLiteral("Geben Sie einen neuen Dateinamen ein:"), neu)) {
        ShowMessage(QStringLiteral("Abgebrochen!"));
        return;
    }
    neu = neu.trimmed();
    if (!NameZulaessig(neu)) {
        ShowMessage(QStringLiteral("Ungültiger Dateiname, der Name darf weder leer sein noch einen Pfad (\\, /, :, ..) "
                                   "enthalten !"));
        return;
    }
    if (neu == alt)
        return;
    if (FileExists(ordner + neu)) {
        ShowMessage(QStringLiteral("Diese Datei existiert bereits, wählen Sie einen anderen Namen !"));
        return;
    }
    if (!BildUmbenennen(ordner + alt, ordner + neu)) {
        ShowMessage(QStringLiteral("Fehler beim Umbennen der Datei (Schreibschutz?) "));
        return;
    }
    try {
        if (Tabelle()->State() != dsEdit && Tabelle()->State() != dsInsert)
            Tabelle()->Edit();
        Tabelle()->FieldByName(QStringLiteral("PFAD"))->SetAsString(ordner + neu);
        Tabelle()->FieldByName(QStringLiteral("SHORTNAME"))->SetAsString(StringToCRC32(ordner + neu));
        Tabelle()->Post();
    } catch (const std::exception&) {
        // The entry still names the old file: the file gets its old name back.
        Tabelle()->Cancel();
        BildUmbenennen(ordner + neu, ordner + alt);
        d_.FehlerKontextSetzen();
        throw Exception(QStringLiteral("Fehler beim Eintragen des neuen Dateinamens in die Datenbank !"));
    }
}

void TBilderWartung::AngezeigteBilderumbenennen1Click(TObject* Sender)
{
    Ton(Sender);
    if (!album_.Offen())
        return;
    if (MessageDlg(QStringLiteral("Es werden alle zur Zeit angezeigten Bilder (Filter berücksichtigt) umbenannt, "
                                  "fortfahren?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    TSperre sperre(*this);
    if (!sperre)
        return;
    const QString name = QStringLiteral("AngezeigteBilderumbenennen1Click");
    StopUhr(QStringLiteral("START"));
    ansicht_.GridLayoutSichern();
    ansicht_.GridSeiteZeigen();
    d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), Funktion gestartet !"));
    if (Dbe()->TagName(Dbe()->IndexOrd()).toUpper() == QLatin1String("PFAD")) {
        ShowMessage(QStringLiteral("Für diese Funktion darf nicht nach Dateinamen/Pfad gefiltert sein!"));
        return;
    }
    const bool nachDatum = u_.Einstellungswerte().Bool("DateTimeFileName");
    QString umbenennFehler;
    const bool geschrieben = AngezeigteAbarbeiten(name + QStringLiteral("(), ESC gedrückt, abgebrochen!"),
                                                  [&] { return UmbenennenSchritt(name, nachDatum, umbenennFehler); });
    ansicht_.GridLayoutZuruecklesen();
    if (!umbenennFehler.isEmpty())
        ShowMessage(umbenennFehler);
    if (!geschrieben) {
        WartungsSchreibFehler(name);
        return;
    }
    const QString text = QStringLiteral("Es wurden die angezeigten Bilder umbenannt!");
    if (u_.Optionen().CheckBoxBearbeitungszeitAnzeigen) {
        d_.Protokoll(QStringLiteral("Info"),
                     name + QStringLiteral("(), ") + text + QStringLiteral(" Bearbeitungszeit = ") + ZeitMeldung());
        d_.Hinweis(QStringLiteral("Ablußmeldung"), text + QStringLiteral(" Bearbeitungszeit = ") + ZeitMeldung(), 100);
    } else {
        d_.Protokoll(QStringLiteral("Info"), name + QStringLiteral("(), ") + text);
        if (u_.Optionen().CheckBoxAlleMeldungen)
            d_.Hinweis(QStringLiteral("Ablußmeldung"), text, 100);
    }
}

// ---------------------------------------------------------------------------
// Counting the pictures a copy would copy
// ---------------------------------------------------------------------------

void TBilderWartung::Bilderzaehlen1Click(TObject* Sender)
{
    Ton(Sender);
    if (!album_.Offen())
        return;
    if (MessageDlg(QStringLiteral("Achtung, für diese Funktion sind spezielle Einstellungen notwendig, "
                                  "Optionen-/Einstellungsmenü jetzt aufrufen? "),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes) {
        d_.Protokoll(QStringLiteral("Info"), QStringLiteral("Bilderumkopieren1Click(), Optionenmenü aufgerufen!"));
        u_.OptionenZeigen(rtKopieren);
    }
    const QString quelle = IncludeTrailingBackslash(u_.Einstellungswerte().Text("SourcePfad").trimmed());
    if (!VerzeichnisPruefen(quelle, false, false)) {
        NachrichtenDialog(QStringLiteral("Warnung"),
                          quelle + QStringLiteral(" ist kein gültiges Quellverzeichnis, Funktion wird nicht "
                                                  "durchgeführt!"),
                          10, 120, clInfoBk, clBlack, true);
        return;
    }
    TSperre sperre(*this);
    if (!sperre)
        return;
    StopUhr(QStringLiteral("START"));
    TMenuItem* stop = d_.Menuepunkt(QStringLiteral("BilderumlopierenStop1"));
    TMenuItem* kopieren = d_.Menuepunkt(QStringLiteral("Bilderumkopieren1"));
    const auto menues = [&](bool laeuft) {
        if (stop)
            stop->SetEnabled(laeuft);
        if (kopieren)
            kopieren->SetEnabled(!laeuft);
    };
    menues(true);
    // The count shows its progress in the options window's caption.
    TForm* optionen = u_.OptionenFenster();
    const QString optionenCaption = optionen ? optionen->Caption().left(100) : QString();
    const auto captionZurueck = [&] {
        if (optionen)
            optionen->SetCaption(optionenCaption);
    };
    Screen->SetCursor(crHourGlass);
    d_.Protokoll(QStringLiteral("Info"), QStringLiteral("Bilderzaehlen1Click(), Bilder zählen - Routine gestartet"));
    const QString namen = u_.Einstellungswerte().Text("SourceFileNames");
    const QString suffix = u_.Einstellungswerte().Text("SourceFileSuffix");
    const QString maske = namen + QStringLiteral("*.") + suffix;
    const bool unterordner = u_.Einstellungswerte().Bool("InklusiveSubDirs");
    TStringList liste;
    if (unterordner) {
        DateienRekursivSammeln(quelle, maske, liste);
        d_.Protokoll(QStringLiteral("Info"), QStringLiteral("Bilderzaehlen1Click(), ") +
                                                 QString::number(liste.Count()) +
                                                 QStringLiteral(" Files in StringList eingelesen"));
    } else {
        liste = DateiListe(quelle + maske);
    }
    if (liste.Count() == 0) {
        Screen->SetCursor(crDefault);
        menues(false);
        ShowMessage(QStringLiteral("0 Bilder würden kopiert!"));
        return;
    }
    const QString kante = u_.Einstellungswerte().Text("BreiteOderLaenge").trimmed();
    int gezaehlt = 0;
    // An error ends the count with the table named in the error log.
    const auto fehler = [&](const QString& log, const QString& meldung) {
        Screen->SetCursor(crDefault);
        d_.Protokoll(QStringLiteral("Fehler"), log);
        d_.FehlerKontextSetzen();
        menues(false);
        captionZurueck();
        throw Exception(meldung);
    };
    for (int i = 0; i < liste.Count(); ++i) {
        Screen->SetCursor(crHourGlass);
        if (optionen)
            optionen->SetCaption(QString::number(i) + QLatin1Char('/') + QString::number(gezaehlt));
        Application->ProcessMessages();
        if (d_.AbbruchGedrueckt()) {
            Screen->SetCursor(crDefault);
            d_.AbbruchSetzen(false);
            d_.Protokoll(unterordner ? QStringLiteral("File") : QStringLiteral("Info"),
                         QStringLiteral("Bilderzaehlen1Click(), ESC gedrückt, Routine abgebrochen"));
            ShowMessage(QStringLiteral("Abgebrochen!"));
            menues(false);
            captionZurueck();
            return;
        }
        const QString datei = unterordner ? liste[i] : quelle + liste[i];
        // The name the copy would give, for the log.
        QString neu;
        try {
            neu = u_.KopierName(datei);
        } catch (const std::exception&) {
            if (unterordner)
                fehler(QStringLiteral("Bilderzaehlen1Click(), Fehler beim Bilder zählen (Name ermitteln) (") + datei +
                           QStringLiteral(")"),
                       QStringLiteral("Fehler beim Bilder zählen (Name ermitteln)"));
            fehler(QStringLiteral("Bilderzaehlen1Click(), Fehler beim Bilder kopieren/bearbeiten (") + datei +
                       QStringLiteral(")"),
                   QStringLiteral("Fehler beim Bilder zählen"));
        }
        bool zaehlt = false;
        try {
            zaehlt = kante.isEmpty() || u_.HatZielFormat(datei, kante.toInt());
        } catch (const std::exception&) {
            fehler(QStringLiteral("Bilderzaehlen1Click(), Fehler beim Bilder zählen (kopieren) (") + datei +
                       QStringLiteral(")"),
                   unterordner ? QStringLiteral("Fehler beim Bilder zählen (Kopieren-Block)")
                               : QStringLiteral("Fehler beim Bilder zählen"));
        }
        if (!zaehlt)
            continue;
        ++gezaehlt;
        if (unterordner)
            d_.Protokoll(QStringLiteral("File"),
                         QStringLiteral("Bilderzaehlen1Click(), ") + neu +
                             (kante.isEmpty() ? QString()
                                              : QLatin1Char(',') + QString::number(u_.ZielBildGroesse().width()) +
                                                    QLatin1Char(',') + QString::number(u_.ZielBildGroesse().height())) +
                             QStringLiteral(" kopiert"));
    }
    Screen->SetCursor(crDefault);
    QString text = QString::number(gezaehlt) + QStringLiteral(" Bild(er) würden kopiert!");
    if (u_.Optionen().CheckBoxBearbeitungszeitAnzeigen)
        text += QStringLiteral(" Bearbeitungszeit = ") + ZeitMeldung();
    ShowMessage(text);
    captionZurueck();
    menues(false);
}
