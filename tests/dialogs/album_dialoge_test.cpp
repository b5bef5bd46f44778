// The copy/move dialog, its clash dialog and the delete dialog on their own:
// captions, settings, checks of the input, the clash answers and the delete
// run, over an album made through the engine and a main window stand-in.
#include "shared/utility_files.h"
#include "album_fixture.h"

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

// The main window as the two dialogs see it; it notes what they asked of it.
class TTestAlbumHost : public TAlbumDialogHauptfenster {
public:
    TDataSet* Tabelle = nullptr;
    TDbe* Dbe = nullptr;
    QString Ordner, Ini, Temp;
    bool Sicherheit = true;
    QStringList Aufrufe;

    QString IniDatei() const override { return Ini; }
    TAlbumDialogOptionen AlbumDialogOptionen() const override
    {
        TAlbumDialogOptionen o;
        o.TempOrdner = Temp;
        o.Sicherheitsabfragen = Sicherheit;
        return o;
    }
    TDataSet* AlbumTabelle() override { return Tabelle; }
    TDbe* AlbumDbe() override { return Dbe; }
    QString AlbumOrdner() const override { return Ordner; }
    QString AlbumName() const override { return "ALBUM.DBF"; }
    void PrgWavSpielen(int nummer) override { Aufrufe << "Ton " + QString::number(nummer); }
    void Hilfe(const QString& thema) override { Aufrufe << "Hilfe " + thema; }
    void Protokoll(const QString& art, const QString& text) override { Aufrufe << art + ": " + text; }
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
        Aufrufe << "Eintrag " + Dbe->GetTrimString("SHORTDESC") + " -> " + neuerPfad;
        return true;
    }
    void ZielAlbumPacken() override { Aufrufe << "ZielPacken"; }
    void ZielAlbumEintragen(const QString& pfad) override { Aufrufe << "Eintragen " + pfad; }
    void AlbumPacken() override { Aufrufe << "Packen"; }
    void BilderVolltextOeffnen() override { Aufrufe << "FTS"; }
    void NebenAnsichtenSchliessen() override { Aufrufe << "Nebenansichten zu"; }
    void ZweiteAnsichtOeffnen() override { Aufrufe << "Zweite Ansicht"; }
    void AlbumNeuOeffnen() override { Aufrufe << "Neu geoeffnet"; }
};

void Foto(TCustomForm& f, const QString& name)
{
    const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(ordner);
    EXPECT_TRUE(f.Handle()->grab().toImage().save(ordner + "/" + name + ".png"));
}

class AlbumDialogeTest : public AlbumTest {
protected:
    // n entries with a picture each in "bilder", the first with a thumbnail.
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
        Open(album, "ALBUM.DBF");
        host.Tabelle = &album.table;
        host.Dbe = &album.dbe;
        host.Ordner = WinDir();
        host.Ini = WinDir() + "Lumadex.INI";
        host.Temp = WinDir("temp");
    }
    bool Geloescht(uint32_t satz)
    {
        const uint32_t vorher = album.dbe.RecNo();
        album.dbe.SetOrder(0);
        album.dbe.Go(satz);
        const bool d = album.dbe.Deleted();
        album.dbe.Go(vorher);
        return d;
    }

    TTestAlbumHost host;
    TTestAlbum album;
};

TEST_F(AlbumDialogeTest, CopyDialogCaptionsFollowCopyOrMove)
{
    Album(1);
    TBilderKopierenForm f(nullptr, host);
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
    EXPECT_TRUE(host.Aufrufe.contains("Vollbild"));
}

TEST_F(AlbumDialogeTest, CopyDialogKeepsItsSettings)
{
    Album(1);
    {
        TBilderKopierenForm f(nullptr, host);
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
    ini.SetINIFileName(host.Ini);
    const QString s = "Einstellungen KopierDialog";
    EXPECT_FALSE(ini.INIReadBool(s, "NurSelektiertenSatzKopierenVerschieben", true));
    EXPECT_TRUE(ini.INIReadBool(s, "AlleSaetzeKopierenVerschieben", false));
    EXPECT_TRUE(ini.INIReadBool(s, "BilderUndDatensaetzeKopieren", false));
    EXPECT_FALSE(ini.INIReadBool(s, "JedesBildVorKopierenVerschiebenAnzeigen", true));
    EXPECT_EQ(ini.INIReadString(s, "DriveComboBoxBilderKopierenZielLaufwerk", ""), "C");
    EXPECT_EQ("C:" + ini.INIReadString(s, "DirectoryListBoxBilderKopierenZielVerzeichnis", ""), WinDir("bilder").chopped(1));
    EXPECT_TRUE(host.Aufrufe.contains("Ton 20"));

    TBilderKopierenForm f(nullptr, host);
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
    album.dbe.Go(2);
    TBilderKopierenForm f(nullptr, host);
    f.RadioButtonNurDatensaetzeKopieren->SetChecked(true);
    f.EditZielDir->SetText(WinDir("ziel"));
    f.EditZielDBFName->SetText("ZIEL.DBF");
    host.Aufrufe.clear();
    f.BitBtnKopierenVerschiebenClick(nullptr);
    EXPECT_EQ(f.ModalResult, mrOk);
    EXPECT_EQ(host.Aufrufe, QStringList({"Ansichten aus", "Ziel " + WinDir("ziel") + "ZIEL.DBF",
                                         "Eintrag Eintrag2 -> ", "FTS"}));
}

// A clash answered No with "for all following" ticked: every later clash is
// skipped without a question, and the end of the run clears the answers.
TEST_F(AlbumDialogeTest, ClashAnsweredNoForAllSkipsTheRestWithoutAsking)
{
    Album(3);
    for (int i = 1; i <= 3; ++i)
        DrawPicture(Linux("ziel") + QString("/b%1.jpg").arg(i), 10, 10, Qt::red);
    TBilderKopierenForm f(nullptr, host);
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
    EXPECT_TRUE(host.Aufrufe.contains("OhneFilter"));
    // The clash dialog keeps its boxes in the ini.
    TQKINI ini(nullptr);
    ini.SetINIFileName(host.Ini);
    EXPECT_TRUE(ini.INIReadBool("Einstellungen GleichnamigesBildDialog", "GiltFuerAlle", false));
}

// A deleted entry is neither asked about nor copied; a target folder typed
// in Linux form is made and used, not reported as failed.
TEST_F(AlbumDialogeTest, CopyAllSkipsDeletedEntriesAndTakesALinuxFormTarget)
{
    Album(3);
    album.dbe.Go(2);
    album.dbe.Delete();
    TBilderKopierenForm f(nullptr, host);
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
    album.dbe.Go(2);
    TBilderLoeschenForm f(nullptr, host);
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
// question shows.
class TEscBeiFrage : public TPromptService {
public:
    TEscBeiFrage() { vorher_ = SetPromptService(this); }
    ~TEscBeiFrage() override { SetPromptService(vorher_); }
    int Show(const TPrompt& p, QString*) override
    {
        Texte << p.Text;
        if (p.Text != "Den angezeigten Satz jetzt löschen ?")
            return mrOk;
        if (++fragen_ == 2)
            TTextVollbildForm::Abbruch = true;
        return fragen_ == 2 ? mrNo : mrYes;
    }
    TModalResult ShowModal(TCustomForm&) override { return mrOk; }
    QStringList Texte;

private:
    TPromptService* vorher_;
    int fragen_ = 0;
};

TEST_F(AlbumDialogeTest, DeleteRunWarnsAsksAndStopsOnEsc)
{
    Album(4);
    host.Sicherheit = false;  // pictures go without the first question
    TBilderLoeschenForm f(nullptr, host);
    TEscBeiFrage antworten;
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
    EXPECT_TRUE(host.Aufrufe.contains("OhneFilter"));
    EXPECT_TRUE(host.Aufrufe.contains("Zweite Ansicht"));
    EXPECT_EQ(f.Caption(), "Bilder / Einträge löschen");
}

// Only the last entry answered Yes: each entry is asked about once.
TEST_F(AlbumDialogeTest, DeleteRunAsksEachEntryOnce)
{
    Album(3);
    TBilderLoeschenForm f(nullptr, host);
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
    album.dbe.Go(2);
    TBilderKopierenForm f(nullptr, host);
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
    TBilderKopierenForm f(nullptr, host);
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
