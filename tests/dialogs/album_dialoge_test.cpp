// The copy/move dialog, its clash dialog and the delete dialog on their own:
// captions, settings, checks of the input, the clash answers and the delete
// run, over an album made through the engine, opened as the real open album
// with the program's services recorded, and a stand-in for the window's
// own steps.
#include "shared/utility_files.h"
#include "album_fixture.h"
#include "album_ansicht_protokoll.h"
#include "offenes_album_fixture.h"

#include "album/album_record.h"
#include "album/arbeitsbereich.h"
#include "album/offenes_album.h"
#include "album/programm_dienste.h"

#include "controls/directory_chooser.h"
#include "dialogs/album_dialog_host.h"
#include "dialogs/bilder_kopieren.h"
#include "dialogs/bilder_loeschen.h"
#include "dialogs/full_size_form.h"
#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/graphics.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_ini.h"

#include <QCoreApplication>
#include <QFile>

namespace {

// The main window as the two dialogs see it beside the open album and the
// program's services; it notes what they asked of it. The target album's
// steps are the copy object's, so here they are only noted, with the open
// album's current entry and whether its full-text index was open then.
class TTestAlbumHost : public TAlbumDialogHauptfenster {
public:
    explicit TTestAlbumHost(TOffenesAlbum& album) : album_(album) {}

    bool Sicherheit = true;
    QStringList Aufrufe;

    TAlbumDialogOptionen AlbumDialogOptionen() const override
    {
        TAlbumDialogOptionen o;
        o.Sicherheitsabfragen = Sicherheit;
        return o;
    }
    void Hilfe(const QString& thema) override { Aufrufe << "Hilfe " + thema; }
    void AnsichtenZeigen(bool sichtbar) override { Aufrufe << (sichtbar ? "Ansichten an" : "Ansichten aus"); }
    void VorschauBildZeigen() override {}
    void VollbildAnzeigen() override { Aufrufe << "Vollbild"; }
    void BilderOhneFilter() override { Aufrufe << "OhneFilter"; }
    bool ZielAlbumOeffnen(const QString& ordner, const QString& name) override
    {
        Aufrufe << "Ziel " + ordner + name;
        return true;
    }
    bool EintragInZielKopieren(const QString& neuerPfad) override
    {
        const bool volltextOffen = album_.Bilder().Fts()->NumRecs() >= 0;
        Aufrufe << "Eintrag " + album_.Bilder().Dbe()->GetTrimString("SHORTDESC") + " -> " + neuerPfad +
                       (volltextOffen ? " (Volltext offen)" : "");
        return true;
    }
    void ZielAlbumPacken() override { Aufrufe << "ZielPacken"; }
    void AlbumPacken() override { Aufrufe << "Packen"; }

private:
    TOffenesAlbum& album_;
};

void Foto(TCustomForm& f, const QString& name)
{
    const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(ordner);
    EXPECT_TRUE(f.Handle()->grab().toImage().save(ordner + "/" + name + ".png"));
}

class AlbumDialogeTest : public AlbumTest {
protected:
    void SetUp() override
    {
        AlbumTest::SetUp();
        werkstatt = std::make_unique<TAlbumWerkstatt>(dir.path(), ansicht);
        TPromptScript still;
        werkstatt->album.ManagerErzeugen(werkstatt->umgebung.managerOrdner, kManagerTabelle);
        host = std::make_unique<TTestAlbumHost>(werkstatt->album);
    }
    void TearDown() override
    {
        host.reset();
        werkstatt.reset();
        dbe_CloseAll();
        AlbumTest::TearDown();
    }

    // n entries with a picture each in "bilder", the first with a thumbnail:
    // the open album ALBUM.DBF, without its index.
    void Album(int n)
    {
        std::vector<TTestEintrag> e;
        const QString vorschau = DrawPicture(Linux("vorschau.bmp"), 150, 100, Qt::darkGreen);
        for (int i = 1; i <= n; ++i) {
            TTestEintrag t;
            DrawPicture(Linux("bilder") + QString("/b%1.jpg").arg(i), 64, 48);
            t.Pfad = WinDir("bilder") + QString("b%1.jpg").arg(i);
            t.Kurz = QString("Eintrag%1").arg(i);
            t.Vorschau = i == 1 ? vorschau : QString();
            t.LabelKennung = qktGetVolumeId("C");  // the pictures' medium
            e.push_back(t);
        }
        MakeAlbum("ALBUM.DBF", e);
        Bereich().DateienSetzen(TAlbumDateien(WinDir(), "ALBUM.DBF"));
        ASSERT_TRUE(Bereich().Oeffnen(false));
    }
    bool Geloescht(uint32_t satz)
    {
        TDbe* dbe = Bereich().Dbe();
        const uint32_t vorher = dbe->RecNo();
        dbe->SetOrder(0);
        dbe->Go(satz);
        const bool d = dbe->Deleted();
        dbe->Go(vorher);
        return d;
    }
    TArbeitsbereich& Bereich() { return werkstatt->bilder.bereich; }
    TDbe& Dbe() { return *Bereich().Dbe(); }
    TOffenesAlbum& Offen() { return werkstatt->album; }
    TProgrammDienste& Dienste() { return werkstatt->dienste; }
    // The program's ini file, where the dialogs keep their settings.
    QString IniDatei() const { return WinDir() + "Lumadex.INI"; }

    TAlbumAnsichtProtokoll ansicht;
    std::unique_ptr<TAlbumWerkstatt> werkstatt;
    std::unique_ptr<TTestAlbumHost> host;
};

TEST_F(AlbumDialogeTest, CopyDialogCaptionsFollowCopyOrMove)
{
    Album(1);
    TBilderKopierenForm f(nullptr, *host, Offen(), Dienste());
    Foto(f, "bilder_kopieren");
    EXPECT_EQ(f.Caption(), "Bilder Kopieren/Verschieben");
    EXPECT_EQ(f.GroupBoxWieKopierenVerschieben->Caption(), "Sicherheitsabfragen");
    EXPECT_NE(f.ImageWindow3->Picture()->Graphic(), nullptr);  // the entry's thumbnail
    const struct {
        int modus;
        const char* wort;
        const char* knopf;
    } faelle[] = {{2, "verschieben", "Verschieben"}, {1, "kopieren", "Kopieren"}};
    for (const auto& fall : faelle) {
        f.SetzeCaptions(fall.modus);
        const QString w = fall.wort;
        EXPECT_EQ(f.GroupBoxWelcheKopierenVerschieben->Caption(), "Welche " + w);
        EXPECT_EQ(f.GroupBoxWasKopierenVerschieben->Caption(), "Was " + w);
        EXPECT_EQ(f.GroupBoxWieKopierenVerschieben->Caption(), "Wie " + w);
        EXPECT_EQ(f.RadioButtonNurBilderKopieren->Caption(), "Nur Bilder " + w);
        EXPECT_EQ(f.RadioButtonNurDatensaetzeKopieren->Caption(), "Nur Einträge " + w);
        EXPECT_EQ(f.RadioButtonBilderUndDatensaetzeKopieren->Caption(), "Bilder und Einträge " + w);
        EXPECT_EQ(f.RadioButtonNurSelektiertenSatzKopierenVerschieben->Caption(),
                  "Nur ausgewähltes Bild/ ausgewählten Eintrag " + w);
        EXPECT_EQ(f.RadioButtonAlleSaetzeKopierenVerschieben->Caption(), "Alle angezeigten Bilder/ Einträge " + w);
        EXPECT_EQ(f.BitBtnKopierenVerschieben->Caption(), fall.knopf);
    }
    // The target album's name shows only when entries are copied.
    EXPECT_FALSE(f.PanelZielDBF->Visible());
    f.RadioButtonNurDatensaetzeKopieren->SetChecked(true);
    f.WasGeaendert();
    EXPECT_TRUE(f.PanelZielDBF->Visible());
    // A name longer than 8 + 4 characters is refused when leaving the field.
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk, "Geben Sie bitte nur 8 Zeichen lange Dateinamen (inkl. Dateiendung 12 Z.) ein!");
    f.EditZielDBFName->SetText("ZWOELFZEICHEN.DBF");
    f.EditZielDBFNameExit(nullptr);
    EXPECT_EQ(f.EditZielDBFName->Text(), "");
    f.EditZielDBFName->SetText("ACHT1234.DBF");
    f.EditZielDBFNameExit(nullptr);
    EXPECT_EQ(f.EditZielDBFName->Text(), "ACHT1234.DBF");
    // The thumbnail opens the viewer.
    f.ImageWindow3Click(nullptr);
    EXPECT_TRUE(host->Aufrufe.contains("Vollbild"));
}

TEST_F(AlbumDialogeTest, CopyDialogKeepsItsSettings)
{
    Album(1);
    {
        TBilderKopierenForm f(nullptr, *host, Offen(), Dienste());
        EXPECT_TRUE(f.RadioButtonNurSelektiertenSatzKopierenVerschieben->Checked());
        EXPECT_TRUE(f.RadioButtonNurBilderKopieren->Checked());
        EXPECT_TRUE(f.CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->Checked());
        f.RadioButtonAlleSaetzeKopierenVerschieben->SetChecked(true);
        f.RadioButtonBilderUndDatensaetzeKopieren->SetChecked(true);
        f.CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->SetChecked(false);
        f.DirectoryListBoxBilderKopierenZielVerzeichnis->SetDirectory(WinDir("bilder").chopped(1));
        f.Show();
        f.Close();
    }
    TQKINI ini(nullptr);
    ini.SetINIFileName(IniDatei());
    const QString s = "Einstellungen KopierDialog";
    EXPECT_FALSE(ini.INIReadBool(s, "NurSelektiertenSatzKopierenVerschieben", true));
    EXPECT_TRUE(ini.INIReadBool(s, "AlleSaetzeKopierenVerschieben", false));
    EXPECT_TRUE(ini.INIReadBool(s, "BilderUndDatensaetzeKopieren", false));
    EXPECT_FALSE(ini.INIReadBool(s, "JedesBildVorKopierenVerschiebenAnzeigen", true));
    EXPECT_EQ(ini.INIReadString(s, "DriveComboBoxBilderKopierenZielLaufwerk", ""), "C");
    EXPECT_EQ("C:" + ini.INIReadString(s, "DirectoryListBoxBilderKopierenZielVerzeichnis", ""), WinDir("bilder").chopped(1));
    EXPECT_TRUE(werkstatt->dienste.Aufrufe.contains("Ton 20"));

    TBilderKopierenForm f(nullptr, *host, Offen(), Dienste());
    EXPECT_TRUE(f.RadioButtonAlleSaetzeKopierenVerschieben->Checked());
    EXPECT_TRUE(f.RadioButtonBilderUndDatensaetzeKopieren->Checked());
    EXPECT_TRUE(f.PanelZielDBF->Visible());
    EXPECT_FALSE(f.CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->Checked());
    EXPECT_EQ(f.EditZielDir->Text(), WinDir("bilder").chopped(1));
}

// "Nur Einträge" for the current entry copies that one entry, reopens the
// album's full-text index and closes the dialog, without packing or asking
// to register.
TEST_F(AlbumDialogeTest, EntriesOnlyForTheCurrentEntryCopiesOneAndCloses)
{
    Album(3);
    Dbe().Go(2);
    TBilderKopierenForm f(nullptr, *host, Offen(), Dienste());
    f.RadioButtonNurDatensaetzeKopieren->SetChecked(true);
    f.EditZielDir->SetText(WinDir("ziel"));
    f.EditZielDBFName->SetText("ZIEL.DBF");
    host->Aufrufe.clear();
    f.BitBtnKopierenVerschiebenClick(nullptr);
    EXPECT_EQ(f.ModalResult, mrOk);
    EXPECT_EQ(host->Aufrufe, QStringList({"Ansichten aus", "Ziel " + WinDir("ziel") + "ZIEL.DBF",
                                          "Eintrag Eintrag2 -> "}));
    // The album's full-text index was opened after the copy (built, since it
    // had none), one entry per record.
    EXPECT_TRUE(QFile::exists(Linux("ALBUM.IA")));
    EXPECT_EQ(Bereich().Fts()->NumRecs(), 3);
}

// A clash answered No with "for all following" ticked: every later clash is
// skipped without a question, and the end of the run clears the answers.
TEST_F(AlbumDialogeTest, ClashAnsweredNoForAllSkipsTheRestWithoutAsking)
{
    Album(3);
    for (int i = 1; i <= 3; ++i)
        DrawPicture(Linux("ziel") + QString("/b%1.jpg").arg(i), 10, 10, Qt::red);
    TBilderKopierenForm f(nullptr, *host, Offen(), Dienste());
    f.RadioButtonAlleSaetzeKopierenVerschieben->SetChecked(true);
    f.CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->SetChecked(false);
    f.EditZielDir->SetText(WinDir("ziel"));
    TPromptScript script;
    script.Modal<TGleichnamigesBildForm>([](TGleichnamigesBildForm& g) {
              g.CheckBoxGiltFuerAlle->SetChecked(true);
              g.ModalResult = mrNo;
          })
        .Modal([](TCustomForm& m) { m.ModalResult = mrOk; });  // the closing message
    f.BitBtnKopierenVerschiebenClick(nullptr);
    EXPECT_EQ(f.Uebersprungen, 3);
    EXPECT_EQ(f.BilderKopiert, 0);
    EXPECT_FALSE(KopierClash.NeinGegeben);
    EXPECT_FALSE(KopierClash.FuerAlle);
    QFile rot(Linux("ziel") + "/b2.jpg");
    EXPECT_TRUE(rot.open(QIODevice::ReadOnly));
    EXPECT_EQ(QImage::fromData(rot.readAll()).width(), 10);  // left as it was
    EXPECT_TRUE(host->Aufrufe.contains("OhneFilter"));
    // The clash dialog keeps its boxes in the ini.
    TQKINI ini(nullptr);
    ini.SetINIFileName(IniDatei());
    EXPECT_TRUE(ini.INIReadBool("Einstellungen GleichnamigesBildDialog", "GiltFuerAlle", false));
}

// A deleted entry is neither asked about nor copied; a target folder typed
// in Linux form is made and used, not reported as failed.
TEST_F(AlbumDialogeTest, CopyAllSkipsDeletedEntriesAndTakesALinuxFormTarget)
{
    Album(3);
    Dbe().Go(2);
    Dbe().Delete();
    TBilderKopierenForm f(nullptr, *host, Offen(), Dienste());
    f.RadioButtonAlleSaetzeKopierenVerschieben->SetChecked(true);
    f.CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->SetChecked(true);
    const QString ziel = Linux("neu") + "/linux";
    f.EditZielDir->SetText(ziel);
    TPromptScript script;
    script.Answer(mrYes, "existiert nicht...  Erzeugen ?");
    script.Answer(mrYes, "Angezeigten Eintrag jetzt kopieren/verschieben ?");
    script.Answer(mrYes, "Angezeigten Eintrag jetzt kopieren/verschieben ?");
    script.Modal([](TCustomForm& m) { m.ModalResult = mrOk; });  // the closing message
    f.BitBtnKopierenVerschiebenClick(nullptr);
    EXPECT_EQ(script.Pending(), 0u);
    for (const TPromptRecord& r : script.Records())
        EXPECT_FALSE(r.Text.contains("konnte nicht angelegt werden")) << r.Text.toStdString();
    EXPECT_EQ(f.EditZielDir->Text(), *LinuxToWin(ziel) + "\\");
    EXPECT_EQ(f.BilderKopiert, 2);
    EXPECT_TRUE(QFile::exists(ziel + "/b1.jpg"));
    EXPECT_FALSE(QFile::exists(ziel + "/b2.jpg"));
    EXPECT_TRUE(QFile::exists(ziel + "/b3.jpg"));
}

TEST_F(AlbumDialogeTest, DeleteCurrentEntryWithItsPictureAndClose)
{
    Album(3);
    Dbe().Go(2);
    TBilderLoeschenForm f(nullptr, *host, Offen(), Dienste());
    f.CheckBoxBilderMitloeschen->SetChecked(true);
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrYes, "wollen Sie wirklich auch die Bilder löschen");
    f.BitBtnDeleteClick(nullptr);
    EXPECT_EQ(f.ModalResult, mrOk);
    EXPECT_FALSE(QFile::exists(Linux("bilder") + "/b2.jpg"));
    EXPECT_TRUE(QFile::exists(Linux("bilder") + "/b1.jpg"));
    EXPECT_TRUE(Geloescht(2));
    EXPECT_FALSE(Geloescht(1));
    EXPECT_FALSE(Geloescht(3));
}

// Answers the delete questions in turn; Esc is pressed while the second
// question shows. Notes whether the album's second view was open while a
// question showed.
class TEscBeiFrage : public TPromptService {
public:
    explicit TEscBeiFrage(const TDataSet& zweiteAnsicht) : zweiteAnsicht_(zweiteAnsicht)
    {
        vorher_ = SetPromptService(this);
    }
    ~TEscBeiFrage() override { SetPromptService(vorher_); }
    int Show(const TPrompt& p, QString*) override
    {
        Texte << p.Text;
        if (p.Text != "Den angezeigten Satz jetzt löschen ?")
            return mrOk;
        ZweiteAnsichtOffen += zweiteAnsicht_.Active() ? 1 : 0;
        if (++fragen_ == 2)
            TTextVollbildForm::Abbruch = true;
        return fragen_ == 2 ? mrNo : mrYes;
    }
    TModalResult ShowModal(TCustomForm&) override { return mrOk; }
    QStringList Texte;
    int ZweiteAnsichtOffen = 0;

private:
    const TDataSet& zweiteAnsicht_;
    TPromptService* vorher_;
    int fragen_ = 0;
};

TEST_F(AlbumDialogeTest, DeleteRunWarnsAsksAndStopsOnEsc)
{
    Album(4);
    host->Sicherheit = false;  // pictures go without the first question
    // The second view is open, as in the window; the run closes it while it
    // deletes and opens it again at its end.
    TdkTable& zweite = werkstatt->bilder2.tabelle;
    ASSERT_EQ(Offen().ZweiteAnsichtOeffnen(), 1);
    TBilderLoeschenForm f(nullptr, *host, Offen(), Dienste());
    TEscBeiFrage antworten(zweite);
    f.RadioButtonAlleSaetzeLoeschen->SetChecked(true);
    f.RadioButtonAlleSaetzeLoeschenMouseUp();
    f.CheckBoxBilderMitloeschen->SetChecked(true);
    f.CheckBoxBilderMitloeschenMouseUp();
    Foto(f, "bilder_loeschen_dialog");
    f.BitBtnDeleteClick(nullptr);
    EXPECT_EQ(antworten.Texte,
              QStringList({"ACHTUNG, wenn Sie jetzt den \"Löschen\" - Button drücken, werden alle angezeigten Einträge "
                           "(Sätze) gelöscht! ",
                           "ACHTUNG, wenn Sie jetzt den \"Löschen\" - Button drücken, werden die zum Datensatz "
                           "gehörenden Bilder (Dateien) auch gelöscht! ",
                           "Den angezeigten Satz jetzt löschen ?", "Den angezeigten Satz jetzt löschen ?",
                           "ESC gedrückt, abgebrochen!"}));
    EXPECT_FALSE(TTextVollbildForm::Abbruch);
    EXPECT_EQ(f.Geloescht, 1);
    EXPECT_TRUE(Geloescht(1));
    for (uint32_t r = 2; r <= 4; ++r)
        EXPECT_FALSE(Geloescht(r)) << r;
    EXPECT_FALSE(QFile::exists(Linux("bilder") + "/b1.jpg"));
    EXPECT_TRUE(QFile::exists(Linux("bilder") + "/b2.jpg"));
    EXPECT_TRUE(host->Aufrufe.contains("OhneFilter"));
    EXPECT_EQ(antworten.ZweiteAnsichtOffen, 0);
    EXPECT_TRUE(zweite.Active());
    EXPECT_EQ(f.Caption(), "Bilder / Einträge löschen");
}

// The run deletes the last entry the filter shows: the album is opened
// again (its missing index built on the way), then its second view, and
// the filter is lifted; the other entries stay.
TEST_F(AlbumDialogeTest, DeletingTheLastShownEntryOpensTheAlbumAgain)
{
    Album(3);
    ASSERT_EQ(Offen().ZweiteAnsichtOeffnen(), 1);
    Dbe().Query("'Eintrag2' $ SHORTDESC");
    ASSERT_EQ(Dbe().QueryRecCount(), 1u);
    TBilderLoeschenForm f(nullptr, *host, Offen(), Dienste());
    f.RadioButtonAlleSaetzeLoeschen->SetChecked(true);
    f.CheckBoxJedesBildVorLoeschenAnzeigen->SetChecked(false);
    host->Aufrufe.clear();
    ansicht.Aufrufe.clear();
    TPromptScript script;  // no question on the way
    f.BitBtnDeleteClick(nullptr);
    EXPECT_EQ(f.Geloescht, 1);
    EXPECT_EQ(f.ModalResult, mrOk);
    EXPECT_TRUE(ansicht.Gerufen("AlbumGeoeffnet ALBUM.DBF"));
    EXPECT_TRUE(werkstatt->bilder.tabelle.Active());
    EXPECT_TRUE(QFile::exists(Linux("ALBUM.CDX")));
    EXPECT_TRUE(werkstatt->bilder2.tabelle.Active());
    EXPECT_EQ(host->Aufrufe, QStringList({"Ansichten aus", "OhneFilter"}));
    EXPECT_TRUE(Geloescht(2));
    EXPECT_FALSE(Geloescht(1));
    EXPECT_FALSE(Geloescht(3));
}

// Only the last entry answered Yes: each entry is asked about once.
TEST_F(AlbumDialogeTest, DeleteRunAsksEachEntryOnce)
{
    Album(3);
    TBilderLoeschenForm f(nullptr, *host, Offen(), Dienste());
    f.RadioButtonAlleSaetzeLoeschen->SetChecked(true);
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrNo, "Den angezeigten Satz jetzt löschen ?")
        .Answer(TPromptKind::Dialog, mrNo, "Den angezeigten Satz jetzt löschen ?")
        .Answer(TPromptKind::Dialog, mrYes, "Den angezeigten Satz jetzt löschen ?");
    f.BitBtnDeleteClick(nullptr);
    EXPECT_EQ(f.Geloescht, 1);
    EXPECT_FALSE(Geloescht(1));
    EXPECT_FALSE(Geloescht(2));
    EXPECT_TRUE(Geloescht(3));
    EXPECT_TRUE(QFile::exists(Linux("bilder") + "/b3.jpg"));  // files only when asked for
}

// With pictures, the current entry's copy leaves the dialog open with the
// copy button disabled; the copy is whole.
TEST_F(AlbumDialogeTest, CurrentEntryPictureCopyKeepsTheDialogOpen)
{
    Album(2);
    Dbe().Go(2);
    TBilderKopierenForm f(nullptr, *host, Offen(), Dienste());
    f.EditZielDir->SetText(WinDir("ziel"));
    f.BitBtnKopierenVerschiebenClick(nullptr);
    EXPECT_EQ(f.ModalResult, mrNone);
    EXPECT_FALSE(f.BitBtnKopierenVerschieben->Enabled());
    EXPECT_EQ(f.BilderKopiert, 1);
    QFile a(Linux("bilder") + "/b2.jpg"), b(Linux("ziel") + "/b2.jpg");
    ASSERT_TRUE(a.open(QIODevice::ReadOnly));
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
    EXPECT_FALSE(QFile::exists(Linux("ziel") + "/b1.jpg"));
}

// All to "Angezeigten Eintrag jetzt kopieren/verschieben ?" goes on without
// questions; the box shows its state from before the run afterwards.
TEST_F(AlbumDialogeTest, AllToTheQuestionCopiesTheRestWithoutAsking)
{
    Album(3);
    TBilderKopierenForm f(nullptr, *host, Offen(), Dienste());
    f.RadioButtonAlleSaetzeKopierenVerschieben->SetChecked(true);
    f.EditZielDir->SetText(WinDir("ziel"));
    TPromptScript script;
    QString text;
    script.Answer(TPromptKind::Dialog, mrYes, "Angezeigten Eintrag jetzt kopieren/verschieben ?")
        .Answer(TPromptKind::Dialog, mrAll, "Angezeigten Eintrag jetzt kopieren/verschieben ?")
        .Modal([&](TCustomForm& m) {
            if (auto* d = dynamic_cast<TMSGDLGForm*>(&m))
                text = d->Label1->Caption();
            m.ModalResult = mrOk;
        });
    f.BitBtnKopierenVerschiebenClick(nullptr);
    EXPECT_EQ(f.BilderKopiert, 3);
    EXPECT_TRUE(f.CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->Checked());
    EXPECT_TRUE(text.startsWith("Verarbeitung abgeschlossen (")) << text.toStdString();
    EXPECT_EQ(f.ModalResult, mrOk);
    for (int i = 1; i <= 3; ++i)
        EXPECT_TRUE(QFile::exists(Linux("ziel") + QString("/b%1.jpg").arg(i))) << i;
}

}  // namespace
