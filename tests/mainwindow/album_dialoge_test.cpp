// Copying, moving and deleting pictures and entries through the main
// window's commands and their dialogs, on albums made through the engine
// with generated pictures; the results read back from outside.
#include "main_form_fixture.h"

#include "album/album_record.h"
#include "controls/directory_chooser.h"
#include "dialogs/album_manager.h"
#include "dialogs/bilder_kopieren.h"
#include "dialogs/bilder_loeschen.h"
#include "dialogs/full_size_form.h"
#include "platform/core/drive_map.h"
#include "platform/core/streams.h"
#include "platform/dbf/file_io.h"
#include "platform/ui/menus.h"
#include "shared/picture_files.h"
#include "shared/utility_files.h"
#include "shared/qk_auto_button.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"
#include "platform/ui/test_input.h"
#include "shared/qk_ini.h"
#include "platform/core/file_utils.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QImage>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const char* kZielZeilen = R"PY(
import sys
from dbfread import DBF
for r in DBF(sys.argv[1], encoding="cp1252", raw=False):
    notiz = r["NOTIZ"] or ""
    vorschau = r["VORSCHAU"] or b""
    if isinstance(vorschau, str):
        vorschau = vorschau.encode("latin-1")
    print("|".join([r["SHORTDESC"].strip(), r["PFAD"].strip(), notiz, str(len(vorschau)), str(sum(vorschau) % 65536)]))
)PY";

void Foto(TCustomForm& f, const QString& name)
{
    const QImage img = f.Handle()->grab().toImage();
    const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(ordner);
    EXPECT_TRUE(img.save(ordner + "/" + name + ".png")) << name.toStdString();
}

std::string Lesen(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string VorschauBytes(int n)
{
    std::string bytes = "BM";
    for (int i = 0; i < 200 + n * 13; ++i)
        bytes += static_cast<char>((i * 5 + n) % 256);
    return bytes;
}

class AlbumDialogeTest : public MainFormTest {
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        fs::create_directories(dir / "win");
        form->Dienste().Lauf().WindowsPfadSetzen(Win(dir / "win") + "\\");
        fs::create_directories(dir / "quelle");
        fs::create_directories(dir / "ziel");
    }
    void TearDown() override
    {
        BildDateiHakenSetzen({});
        MainFormTest::TearDown();
    }

    // A picture drawn with QImage, as JPEG in the folder.
    fs::path Bild(const std::string& ordner, const std::string& name, int n)
    {
        // Noise keeps the JPEG larger than one copy buffer.
        QImage bild(160 + n, 120, QImage::Format_RGB32);
        uint32_t x = 2463534242u + uint32_t(n);
        for (int y = 0; y < bild.height(); ++y)
            for (int i = 0; i < bild.width(); ++i) {
                x ^= x << 13;
                x ^= x >> 17;
                x ^= x << 5;
                bild.setPixel(i, y, x | 0xff000000u);
            }
        const fs::path p = dir / ordner / name;
        EXPECT_TRUE(bild.save(QString::fromStdString(p.string()), "JPG"));
        return p;
    }

    // The source album: n entries with a picture each, a note and a thumbnail;
    // the entries marked are the shown ones.
    void QuelleAnlegen(int n, int markiert)
    {
        std::vector<TTestEintrag> eintraege;
        for (int i = 1; i <= n; ++i) {
            TTestEintrag e{"Bild" + std::to_string(i)};
            e.Pfad = Win(Bild("quelle", "bild" + std::to_string(i) + ".jpg", i)).toStdString();
            e.Notiz = "Notiz " + std::to_string(i) + " \xe4\xf6\xfc";
            e.Vorschau = VorschauBytes(i);
            e.Markiert = i <= markiert;
            eintraege.push_back(e);
        }
        AlbumAnlegen("TEST.DBF", eintraege);
        ManagerAnlegen();
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
        form->OeffneBilderFTS();
        if (markiert < n)
            form->DbeBilder->Query("MARKIERT");
        ASSERT_EQ(form->DbeBilder->QueryRecCount(), uint32_t(markiert));
    }

    // The copy dialog set up for a run over all shown entries.
    void Einstellen(TBilderKopierenForm& f, bool verschieben, TRadioButton* was, const std::string& ziel)
    {
        f.RadioButtonAlleSaetzeKopierenVerschieben->SetChecked(true);
        (verschieben ? f.RadioButtonVerschieben : f.RadioButtonKopieren)->SetChecked(true);
        f.SetzeCaptions(verschieben ? 2 : 1);
        was->SetChecked(true);
        f.WasGeaendert();
        f.CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->SetChecked(false);
        f.EditZielDir->SetText(Win(dir / ziel));
    }

    // Moves the pictures only (no entries) of all shown entries into the
    // folder ziel (or the Windows-form folder zielDir when given), with
    // nothing asked on the way; checks the run's counts and gives the
    // closing message.
    std::string BilderVerschieben(const std::string& ziel, int kopiert, int uebersprungen, const QString& zielDir = {})
    {
        std::string closing;
        TPromptScript script;
        script.Modal<TBilderKopierenForm>([&](TBilderKopierenForm& f) {
            Einstellen(f, true, f.RadioButtonNurBilderKopieren, ziel);
            if (!zielDir.isEmpty())
                f.EditZielDir->SetText(zielDir);
            TPromptScript inner;
            QString text;
            inner.Modal(NachrichtOk(&text));
            f.BitBtnKopierenVerschieben->Click();
            closing = text.toStdString();
            EXPECT_EQ(f.BilderKopiert, kopiert);
            EXPECT_EQ(f.Uebersprungen, uebersprungen);
        });
        form->BilderKopierenClick(nullptr);
        return closing;
    }

    // PFAD of every entry of the open album (deleted ones included), by record.
    std::map<uint32_t, std::pair<std::string, bool>> Eintraege(const fs::path& dbf)
    {
        std::map<uint32_t, std::pair<std::string, bool>> out;
        const uint16_t area = dbe_Use(dbf.c_str(), "PRUEF", DBE_SHARED, DBE_TYPE_FOX);
        EXPECT_NE(area, 0) << dbe_LastError();
        if (!area)
            return out;
        dbe_SetOrder(0);
        for (uint32_t r = 1; r <= dbe_RecCount(); ++r) {
            dbe_Go(r);
            out[r] = {dbe_GetTrimString("PFAD"), dbe_Deleted() != 0};
        }
        dbe_Close();
        return out;
    }
};

// A new album made by copying the current entry is added to the album
// manager in the same run: the copy closed its target when it ended, so the
// add opens the album alone, completes its index and registers it, with no
// message on the way.
TEST_F(AlbumDialogeTest, ANewAlbumMadeByACopyIsAddedToTheManagerInTheSameRun)
{
    QuelleAnlegen(2, 2);
    form->QKINI_Prog->INIWriteBool("Einstellungen Hauptprogramm", "ErstStart", false);
    TPromptScript script;
    script.Modal<TBilderKopierenForm>([&](TBilderKopierenForm& f) {
        f.RadioButtonNurSelektiertenSatzKopierenVerschieben->SetChecked(true);
        f.RadioButtonKopieren->SetChecked(true);
        f.RadioButtonNurDatensaetzeKopieren->SetChecked(true);
        f.WasGeaendert();
        f.EditZielDir->SetText(Win(dir / "ziel"));
        f.EditZielDBFName->SetText("NEU.DBF");
        TPromptScript inner;
        inner.Answer(TPromptKind::Dialog, mrYes, "NEU.DBF nicht gefunden, jetzt erstellen ?");
        f.BitBtnKopierenVerschieben->Click();
    });
    form->BilderKopierenClick(nullptr);
    ASSERT_TRUE(fs::exists(dir / "ziel" / "NEU.DBF"));
    EXPECT_FALSE(form->TableBilder3->Active());

    TBilderDBFManagerForm m(nullptr, form->Album(), form->Dienste(),
                            *dynamic_cast<TAlbumManagerUmgebung*>(form->AlbumManager()));
    m.FormShow();
    ASSERT_EQ(m.ListView1->ItemCount(), 0);
    {
        TPromptScript add;
        add.AnswerValue(Win(dir / "ziel" / "NEU.DBF")).AnswerValue("Kopie", "kurze Beschreibung");
        m.BitBtnOeffnen_ErstellenClick();
        EXPECT_EQ(add.Pending(), 0u);
    }
    EXPECT_EQ(form->TableBilder->TableName(), "NEU.DBF");
    EXPECT_TRUE(form->TableBilder2->Active());
    EXPECT_EQ(form->BereichBilder().Tags().Count(), kAlbumTagAnzahl);
    ASSERT_EQ(m.ListView1->ItemCount(), 1);
    EXPECT_EQ(m.ListView1->Selected(), 0);
    EXPECT_EQ(m.ListView1->ItemCaption(0), "Kopie\r\n(NEU.DBF)");
}

TEST_F(AlbumDialogeTest, CopyAllShownEntriesWithPicturesIntoANewAlbumInAnotherFolder)
{
    QuelleAnlegen(6, 5);
    std::string closing;
    TPromptScript script;
    script.Modal<TBilderKopierenForm>([&](TBilderKopierenForm& f) {
        EXPECT_EQ(f.Caption(), "Bilder Kopieren/Verschieben");
        Einstellen(f, false, f.RadioButtonBilderUndDatensaetzeKopieren, "ziel");
        f.EditZielDBFName->SetText("ZIEL.DBF");
        TPromptScript inner;
        QString text;
        inner.Answer(TPromptKind::Dialog, mrYes, "ZIEL.DBF nicht gefunden, jetzt erstellen ?")
            .Answer(TPromptKind::Dialog, mrYes, "Ziel-Fotoalbum in den Fotoalbum-Manager eintragen ?")
            .AnswerValue("Kopie", "Geben Sie eine kurze Beschreibung ein")
            .Modal(NachrichtOk(&text));
        f.BitBtnKopierenVerschieben->Click();
        closing = text.toStdString();
        Foto(f, "bilder_kopieren_lauf");
    });
    form->BilderKopierenClick(nullptr);
    EXPECT_NE(closing.find("Verarbeitung abgeschlossen ("), std::string::npos) << closing;
    EXPECT_EQ(closing.find("Fehler"), std::string::npos) << closing;

    // Pictures: copied whole, the sources stay.
    for (int i = 1; i <= 6; ++i) {
        const std::string name = "bild" + std::to_string(i) + ".jpg";
        EXPECT_TRUE(fs::exists(dir / "quelle" / name));
        EXPECT_EQ(fs::exists(dir / "ziel" / name), i <= 5) << name;
        if (i <= 5) {
            EXPECT_EQ(Lesen(dir / "ziel" / name), Lesen(dir / "quelle" / name));
        }
    }
    // The open album is unchanged: all six entries, none deleted.
    for (const auto& [r, e] : Eintraege(dir / "TEST.DBF"))
        EXPECT_FALSE(e.second) << r;

    // The target is registered and opens; its full-text search finds the copies.
    ASSERT_TRUE(form->TableBilderDatenbanken->Active());
    EXPECT_EQ(form->DbeBilderDatenbanken->RecCount(), 1u);
    form->TableBilder3->Close();
    TFts fts(nullptr);
    ASSERT_GT(fts.OpenIndex(Win(dir / "ziel" / "ZIEL.IA"), 20, 0), 0);
    EXPECT_EQ(fts.NumRecs(), 5);
    EXPECT_EQ(fts.SetQuery("Bild3"), 1);
    EXPECT_EQ(fts.SetQuery("Bild6"), 0);
    fts.Close();

    // An outside reader sees the same values and memo bytes.
    const std::string out =
        RunScript("/usr/bin/python3", "ziel.py", kZielZeilen, (dir / "ziel" / "ZIEL.DBF").string());
    std::istringstream zeilen(out);
    std::string zeile;
    int n = 0;
    while (std::getline(zeilen, zeile)) {
        ++n;
        const std::string vorschau = VorschauBytes(n);
        int summe = 0;
        for (unsigned char c : vorschau)
            summe += c;
        const std::string erwartet = "Bild" + std::to_string(n) + "|" +
                                     Win(dir / "ziel" / ("bild" + std::to_string(n) + ".jpg")).toStdString() +
                                     "|Notiz " + std::to_string(n) + " \u00e4\u00f6\u00fc|" +
                                     std::to_string(vorschau.size()) + "|" + std::to_string(summe % 65536);
        EXPECT_EQ(zeile, erwartet);
    }
    EXPECT_EQ(n, 5) << out;
}

// Three entries moved with their pictures; the second finds a picture of
// the same name in the target folder and is renamed there.
TEST_F(AlbumDialogeTest, MoveThreeEntriesWithAClashSettledByRenaming)
{
    QuelleAnlegen(4, 3);
    Bild("ziel", "bild2.jpg", 99);  // another picture of the same name
    const std::string alt = Lesen(dir / "ziel" / "bild2.jpg");
    const std::string bild2 = Lesen(dir / "quelle" / "bild2.jpg");
    std::string closing;
    TPromptScript script;
    script.Modal<TBilderKopierenForm>([&](TBilderKopierenForm& f) {
        Einstellen(f, true, f.RadioButtonBilderUndDatensaetzeKopieren, "ziel");
        EXPECT_EQ(f.BitBtnKopierenVerschieben->Caption(), "Verschieben");
        EXPECT_EQ(f.RadioButtonBilderUndDatensaetzeKopieren->Caption(), "Bilder und Einträge verschieben");
        f.EditZielDBFName->SetText("NEU.DBF");
        TPromptScript inner;
        QString text;
        inner.Answer(TPromptKind::Dialog, mrYes, "NEU.DBF nicht gefunden, jetzt erstellen ?")
            .Modal<TGleichnamigesBildForm>([&](TGleichnamigesBildForm& g) {
                EXPECT_EQ(g.Caption(), "Gleichnamiges Bild gefunden");
                EXPECT_EQ(g.LabelFileNameVorhanden->Caption(), "bild2.jpg");
                EXPECT_EQ(g.LabelFileGroesseNeu->Caption(), QString::number(bild2.size()) + " Bytes");
                EXPECT_EQ(g.LabelFileGroesseVorhanden->Caption(), QString::number(alt.size()) + " Bytes");
                g.CheckBoxAutomatischRenamen->SetChecked(true);
                Foto(g, "gleichnamiges_bild");
                g.ModalResult = mrYes;
            })
            .Answer(TPromptKind::Dialog, mrNo, "ausgewählt, Fotoalbum jetzt packen um verschobene Einträge zu entfernen ?")
            .Answer(TPromptKind::Dialog, mrNo, "Ziel-Fotoalbum in den Fotoalbum-Manager eintragen ?")
            .Modal(NachrichtOk(&text));
        f.BitBtnKopierenVerschieben->Click();
        closing = text.toStdString();
    });
    form->BilderKopierenClick(nullptr);
    EXPECT_EQ(closing.find("Fehler"), std::string::npos) << closing;
    EXPECT_EQ(KopierClash.JaGegeben, false);  // the run's end clears the answers

    // The pictures moved; the clash was renamed, the old picture stays.
    EXPECT_EQ(Lesen(dir / "ziel" / "bild2.jpg"), alt);
    EXPECT_EQ(Lesen(dir / "ziel" / "bild2_1.jpg"), bild2);
    for (const char* name : {"bild1.jpg", "bild2.jpg", "bild3.jpg"})
        EXPECT_FALSE(fs::exists(dir / "quelle" / name)) << name;
    EXPECT_TRUE(fs::exists(dir / "ziel" / "bild1.jpg"));
    EXPECT_TRUE(fs::exists(dir / "ziel" / "bild3.jpg"));
    EXPECT_TRUE(fs::exists(dir / "quelle" / "bild4.jpg"));

    // The moved entries are deleted in the source; the target's entries point
    // at the pictures where they are now.
    form->TableBilder->Close();
    form->TableBilder3->Close();
    const auto quelle = Eintraege(dir / "TEST.DBF");
    for (uint32_t r = 1; r <= 3; ++r)
        EXPECT_TRUE(quelle.at(r).second) << r;
    EXPECT_FALSE(quelle.at(4).second);
    const auto ziel = Eintraege(dir / "ziel" / "NEU.DBF");
    ASSERT_EQ(ziel.size(), 3u);
    EXPECT_EQ(ziel.at(1).first, Win(dir / "ziel" / "bild1.jpg").toStdString());
    EXPECT_EQ(ziel.at(2).first, Win(dir / "ziel" / "bild2_1.jpg").toStdString());
    EXPECT_EQ(ziel.at(3).first, Win(dir / "ziel" / "bild3.jpg").toStdString());
}

TEST_F(AlbumDialogeTest, DeleteFiveEntriesWithTheirPictures)
{
    QuelleAnlegen(6, 5);
    TPromptScript script;
    script.Modal<TBilderLoeschenForm>([&](TBilderLoeschenForm& f) {
        EXPECT_EQ(f.Caption(), "Bilder / Einträge löschen");
        f.RadioButtonAlleSaetzeLoeschen->SetChecked(true);
        f.CheckBoxBilderMitloeschen->SetChecked(true);
        Foto(f, "bilder_loeschen");
        TPromptScript inner;
        inner.Answer(TPromptKind::Dialog, mrYes, "wollen Sie wirklich auch die Bilder löschen")
            .Answer(TPromptKind::Dialog, mrYes, "Den angezeigten Satz jetzt löschen ?")
            .Answer(TPromptKind::Dialog, mrAll, "Den angezeigten Satz jetzt löschen ?");
        f.BitBtnDeleteClick(nullptr);
        EXPECT_EQ(f.Geloescht, 5);
        EXPECT_EQ(f.DateiFehler, 0);
        // The question box is ticked again after the run.
        EXPECT_TRUE(f.CheckBoxJedesBildVorLoeschenAnzeigen->Checked());
        EXPECT_EQ(f.ModalResult, mrOk);
    });
    form->BilderLoeschenClick(nullptr);
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(fs::exists(dir / "quelle" / ("bild" + std::to_string(i) + ".jpg")), i == 6) << i;
    EXPECT_TRUE(form->TableBilder->Active());
    form->TableBilder->Close();
    const auto eintraege = Eintraege(dir / "TEST.DBF");
    ASSERT_EQ(eintraege.size(), 6u);
    for (uint32_t r = 1; r <= 6; ++r)
        EXPECT_EQ(eintraege.at(r).second, r <= 5) << r;
}

// A move whose target folder stops taking files after two pictures: nothing
// is lost, every entry points at where its picture is.
TEST_F(AlbumDialogeTest, MoveWhoseTargetBecomesReadOnlyHalfWayLosesNothing)
{
    QuelleAnlegen(4, 4);
    std::string closing;
    TPromptScript script;
    script.Modal<TBilderKopierenForm>([&](TBilderKopierenForm& f) {
        Einstellen(f, true, f.RadioButtonBilderUndDatensaetzeKopieren, "ziel");
        f.EditZielDBFName->SetText("NEU.DBF");
        // The folder is write-protected after the second picture: the copy
        // cannot create its file there, as the copy component then raises.
        int kopien = 0;
        auto echt = f.DateiKopieren;
        f.DateiKopieren = [&, echt](const QString& q, const QString& z, bool zeigen) {
            if (++kopien > 2)
                throw EFCreateError(z);
            return echt(q, z, zeigen);
        };
        TPromptScript inner;
        QString text;
        inner.Answer(TPromptKind::Dialog, mrYes, "NEU.DBF nicht gefunden, jetzt erstellen ?")
            .Answer(TPromptKind::Message, mrOk, "Fehler beim Kopieren von " + Win(dir / "quelle" / "bild3.jpg"))
            .Answer(TPromptKind::Dialog, mrNo, "Fotoalbum jetzt packen")
            .Answer(TPromptKind::Dialog, mrNo, "Ziel-Fotoalbum in den Fotoalbum-Manager eintragen ?")
            .Modal(NachrichtOk(&text));
        f.BitBtnKopierenVerschieben->Click();
        closing = text.toStdString();
        EXPECT_EQ(f.BilderKopiert, 2);
        EXPECT_EQ(f.EintraegeKopiert, 2);
        EXPECT_EQ(f.Fehler, 1);
    });
    form->BilderKopierenClick(nullptr);
    EXPECT_NE(closing.find("1 Fehler"), std::string::npos) << closing;

    form->TableBilder->Close();
    form->TableBilder3->Close();
    const auto quelle = Eintraege(dir / "TEST.DBF");
    const auto ziel = Eintraege(dir / "ziel" / "NEU.DBF");
    ASSERT_EQ(ziel.size(), 2u);
    // Every picture is in exactly one place, and an entry that is not
    // deleted points at it.
    for (int i = 1; i <= 4; ++i) {
        const std::string name = "bild" + std::to_string(i) + ".jpg";
        const bool amZiel = fs::exists(dir / "ziel" / name);
        EXPECT_NE(amZiel, fs::exists(dir / "quelle" / name)) << name;
        EXPECT_EQ(amZiel, i <= 2) << name;
        if (amZiel) {
            EXPECT_TRUE(quelle.at(i).second) << name;
            EXPECT_EQ(ziel.at(i).first, Win(dir / "ziel" / name).toStdString());
        } else {
            EXPECT_FALSE(quelle.at(i).second) << name;
            EXPECT_EQ(quelle.at(i).first, Win(dir / "quelle" / name).toStdString());
        }
    }
}

// A move of pictures only from a medium that fails to read in the middle of
// the second picture (a scratched disc): that picture and its entry stay as
// they were, the others move and their entries follow them.
TEST_F(AlbumDialogeTest, MoveOfPicturesOnlyWithAReadErrorKeepsTheSource)
{
    QuelleAnlegen(3, 3);
    // The second read of the source fails (the first went through).
    auto lesen = std::make_shared<int>(0);
    BildDateiHakenSetzen([lesen](TBildDateiOp op, const QString& name) {
        const bool quelle = name.endsWith("bild2.jpg") && !name.contains("ziel");
        return op == TBildDateiOp::Lesen && quelle && ++*lesen == 2 ? EIO : 0;
    });
    TPromptScript script;
    script.Modal<TBilderKopierenForm>([&](TBilderKopierenForm& f) {
        Einstellen(f, true, f.RadioButtonNurBilderKopieren, "ziel");
        EXPECT_FALSE(f.PanelZielDBF->Visible());
        TPromptScript inner;
        inner.Answer(TPromptKind::Message, mrOk, "Fehler beim Kopieren von " + Win(dir / "quelle" / "bild2.jpg"))
            .Modal(NachrichtOk());
        f.BitBtnKopierenVerschieben->Click();
        EXPECT_EQ(f.BilderKopiert, 1);
        EXPECT_EQ(f.Fehler, 1);
    });
    form->BilderKopierenClick(nullptr);
    BildDateiHakenSetzen({});
    EXPECT_TRUE(fs::exists(dir / "ziel" / "bild1.jpg"));
    EXPECT_FALSE(fs::exists(dir / "quelle" / "bild1.jpg"));
    EXPECT_FALSE(fs::exists(dir / "ziel" / "bild2.jpg"));  // no cut-short copy
    EXPECT_TRUE(fs::exists(dir / "quelle" / "bild2.jpg"));
    EXPECT_TRUE(fs::exists(dir / "quelle" / "bild3.jpg"));  // the run ended at the failure
    form->TableBilder->Close();
    const auto quelle = Eintraege(dir / "TEST.DBF");
    EXPECT_EQ(quelle.at(1).first, Win(dir / "ziel" / "bild1.jpg").toStdString());
    EXPECT_EQ(quelle.at(2).first, Win(dir / "quelle" / "bild2.jpg").toStdString());
    for (const auto& [r, e] : quelle)
        EXPECT_FALSE(e.second) << r;
}

// Checks before a run: each ends the command with its message, and both
// albums and all pictures stay as they were.
TEST_F(AlbumDialogeTest, BadTargetsAreRefusedAndNothingChanges)
{
    QuelleAnlegen(3, 3);
    fs::create_directories(dir / "ro");
    form->ErzeugeBilderDatenbank(Win(dir / "ro") + "\\", "RO.DBF");
    fs::permissions(dir / "ro" / "RO.DBF", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    lxtest::WriteFile(dir / "ziel" / "KAPUTT.DBF", std::string(600, 'x'));
    struct Fall {
        const char* ordner;
        const char* album;  // "" : pictures only
        QStringList meldungen;
    };
    const Fall faelle[] = {
        {"quelle", "", {"Quell- und Zielverzeichnis identisch, wählen Sie ein anderes Zielverzeichnis aus !"}},
        {"ziel", "KAPUTT.DBF", {"(zum Prüfen der Integrität) schief gegangen!", "Ungültiges Fotoalbum (Bilderdatenbank)!"}},
        {"ro", "RO.DBF", {"ist schreibgeschützt"}},
        {"", "TEST.DBF", {"Sie können nicht das bereits geöffnete Fotoalbum hierfür benutzen"}},
        {"ziel", "*.DBF", {"Geben Sie einen Dateinamen für das Ziel-Fotoalbum ein!"}},
    };
    const std::string kaputt = Lesen(dir / "ziel" / "KAPUTT.DBF");
    const std::string ro = Lesen(dir / "ro" / "RO.DBF");
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.meldungen.join(" / ").toStdString());
        TPromptScript script;
        script.Modal<TBilderKopierenForm>([&](TBilderKopierenForm& f) {
            Einstellen(f, true, *fall.album ? f.RadioButtonBilderUndDatensaetzeKopieren : f.RadioButtonNurBilderKopieren,
                       fall.ordner);
            f.EditZielDBFName->SetText(fall.album);
            TPromptScript inner;
            for (const QString& m : fall.meldungen)
                inner.Answer(TPromptKind::Message, mrOk, m);
            f.BitBtnKopierenVerschieben->Click();
            EXPECT_EQ(f.BilderKopiert + f.EintraegeKopiert + f.Fehler, 0);
            if (QString(fall.album) == "*.DBF") {
                EXPECT_EQ(f.EditZielDBFName->Text(), "Bild_Neu.DBF");
            }
            f.ModalResult = mrCancel;
        });
        form->BilderKopierenClick(nullptr);
    }
    EXPECT_EQ(Lesen(dir / "ziel" / "KAPUTT.DBF"), kaputt);
    EXPECT_EQ(Lesen(dir / "ro" / "RO.DBF"), ro);
    EXPECT_FALSE(fs::exists(dir / "ziel" / "Bild_Neu.DBF"));
    for (int i = 1; i <= 3; ++i) {
        EXPECT_TRUE(fs::exists(dir / "quelle" / ("bild" + std::to_string(i) + ".jpg")));
        EXPECT_FALSE(fs::exists(dir / "ziel" / ("bild" + std::to_string(i) + ".jpg")));
    }
    for (const auto& [r, e] : Eintraege(dir / "TEST.DBF"))
        EXPECT_FALSE(e.second) << r;
}

// A target folder whose name the album cannot store (a character outside
// Windows-1252): a move of pictures would have to write that path into the
// entries, so each picture is skipped and counted, and none is moved.
TEST_F(AlbumDialogeTest, PathsTheAlbumCannotHoldAreSkippedAndCounted)
{
    QuelleAnlegen(3, 3);
    fs::create_directories(dir / "zie\u0142");
    const std::string closing = BilderVerschieben("zie\u0142", 0, 3);
    EXPECT_NE(closing.find("0 Fehler, 3 übersprungen"), std::string::npos) << closing;
    EXPECT_TRUE(fs::is_empty(dir / "zie\u0142"));
    form->TableBilder->Close();
    for (const auto& [r, e] : Eintraege(dir / "TEST.DBF"))
        EXPECT_EQ(e.first, Win(dir / "quelle" / ("bild" + std::to_string(r) + ".jpg")).toStdString());
}

// The disk fills up during a copy of pictures: the picture that did not fit
// is reported and counted, the run ends, the copies made stay whole.
TEST_F(AlbumDialogeTest, DiskFullDuringACopyIsReportedAndCounted)
{
    QuelleAnlegen(3, 3);
    std::string closing;
    TPromptScript script;
    script.Modal<TBilderKopierenForm>([&](TBilderKopierenForm& f) {
        Einstellen(f, false, f.RadioButtonNurBilderKopieren, "ziel");
        auto echt = f.DateiKopieren;
        f.DateiKopieren = [echt](const QString& q, const QString& z, bool zeigen) {
            if (q.endsWith("bild2.jpg"))
                throw EWriteError("Fehler beim schreiben von " + z + ". Ziel-Datenträger voll ?");
            return echt(q, z, zeigen);
        };
        TPromptScript inner;
        QString text;
        inner.Answer(TPromptKind::Message, mrOk, "Fehler beim Kopieren von " + Win(dir / "quelle" / "bild2.jpg"))
            .Modal(NachrichtOk(&text));
        f.BitBtnKopierenVerschieben->Click();
        closing = text.toStdString();
    });
    form->BilderKopierenClick(nullptr);
    EXPECT_NE(closing.find("1 Fehler, 0 übersprungen"), std::string::npos) << closing;
    EXPECT_EQ(Lesen(dir / "ziel" / "bild1.jpg"), Lesen(dir / "quelle" / "bild1.jpg"));
    EXPECT_FALSE(fs::exists(dir / "ziel" / "bild2.jpg"));
    EXPECT_FALSE(fs::exists(dir / "ziel" / "bild3.jpg"));
}

// The menu items, pop-up items and toolbar buttons of the vocabulary reach
// the two dialogs; without an open album the commands say so and open none.
TEST_F(AlbumDialogeTest, MenuItemsAndToolbarButtonsOpenTheDialogs)
{
    for (const char* name : {"BilderKopierenClick", "QKAutoButtonBilderKopierenClick", "BilderLoeschenClick",
                             "QKAutoButtonLoeschenClick", "Bilderverschieben1Click"})
        EXPECT_TRUE(form->HandlerVorhanden(name)) << name;
    {
        TPromptScript script;
        QString text;
        script.Modal(NachrichtOk(&text));
        form->ToolbarButton("QKAutoButtonLoeschen")->Click();
        EXPECT_EQ(text, "Es ist kein Fotoalbum geöffnet !");
    }
    QuelleAnlegen(2, 2);
    struct Fall {
        const char* menue;
        bool toolbar;
        bool kopieren;
    };
    for (const Fall& fall : {Fall{"BilderKopieren", false, true}, Fall{"Bilderkopieren1", false, true},
                             Fall{"Bilderkopieren2", false, true}, Fall{"QKAutoButtonBilderKopieren", true, true},
                             Fall{"BilderLoeschen", false, false}, Fall{"Bilderloeschen1", false, false},
                             Fall{"Bilderloeschen2", false, false}, Fall{"QKAutoButtonLoeschen", true, false}}) {
        SCOPED_TRACE(fall.menue);
        TPromptScript script;
        script.Modal([&](TCustomForm& f) {
            EXPECT_EQ(f.Caption(), fall.kopieren ? "Bilder Kopieren/Verschieben" : "Bilder / Einträge löschen");
            f.ModalResult = mrCancel;
        });
        if (fall.toolbar)
            form->ToolbarButton(fall.menue)->Click();
        else
            form->MenuItem(fall.menue)->Click();
        EXPECT_EQ(script.Pending(), 0u);
    }
    // Nothing was copied or deleted by opening and closing.
    for (const auto& [r, e] : Eintraege(dir / "TEST.DBF"))
        EXPECT_FALSE(e.second) << r;
}

// A click on the dialogs' thumbnail shows the entry full size, with the
// viewer's slide show disabled.
TEST_F(AlbumDialogeTest, ThumbnailOpensTheViewerWithoutSlideShow)
{
    QuelleAnlegen(2, 2);
    TPromptScript script;
    script.Modal<TBilderLoeschenForm>([&](TBilderLoeschenForm& f) {
        TPromptScript inner;
        inner.Modal<TFullSizeForm>([](TFullSizeForm& v) {
            EXPECT_FALSE(v.SlideShowstart1->Enabled());
            EXPECT_FALSE(v.SlideShowstart2->Enabled());
            EXPECT_TRUE(v.AktuellesBild.endsWith("bild1.jpg")) << v.AktuellesBild.toStdString();
            v.ModalResult = mrOk;
        });
        f.ImageWindow3Click(nullptr);
        f.ModalResult = mrCancel;
    });
    form->BilderLoeschenClick(nullptr);
}

// ---- the entry's own file ---------------------------------------------------------

class AlbumDateienTest : public AlbumDialogeTest {
protected:
    void TearDown() override
    {
        dbf::SetIoFaultHook({});
        Laufwerke({{"C", "/", "HD", "SYSTEM", "1A2B3C4D"}});
        AlbumDialogeTest::TearDown();
    }
    static void Laufwerke(const std::vector<lxtest::FakeDrive>& drives)
    {
        lxtest::WriteDriveTable(drives);
        TDriveMap::Instance().Refresh();
    }
    // A camera card in D: (id 4660, "KARTE") holding IMG_0001.JPG and
    // IMG_0002.JPG; entry 1 names IMG_0001.JPG of another card ("URLAUB",
    // id -17), entry 2 IMG_0002.JPG of this card. Entry 1 is current.
    void KarteAnlegen()
    {
        lxtest::WriteFile(dir / "karte/DCIM/IMG_0001.JPG", "Bild der Karte im Laufwerk");
        lxtest::WriteFile(dir / "karte/DCIM/IMG_0002.JPG", "zweites Bild");
        Laufwerke({{"C", "/", "HD", "SYSTEM", "1A2B3C4D"},
                   {"D", (dir / "karte").string(), "DISK", "KARTE", "00001234"}});
        TTestEintrag fremd{"Bild1"};
        fremd.Pfad = "D:\\DCIM\\IMG_0001.JPG";
        fremd.Label = "URLAUB";
        fremd.Kennung = "-17";
        TTestEintrag eigen{"Bild2"};
        eigen.Pfad = "D:\\DCIM\\IMG_0002.JPG";
        eigen.Label = "KARTE";
        eigen.Kennung = "4660";
        AlbumAnlegen("TEST.DBF", {fremd, eigen});
        ManagerAnlegen();
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
        form->OeffneBilderFTS();
        form->DbeBilder->SetOrder(0);
        form->DbeBilder->Go(1);
    }
};

// A move into the pictures' own folder written another way: the run is
// refused with its message and every picture stays whole where it is.
TEST_F(AlbumDateienTest, MoveIntoTheSameFolderWrittenAnotherWayKeepsThePictures)
{
    fs::create_directory_symlink(dir / "quelle", dir / "verweis");
    Laufwerke({{"C", "/", "HD", "SYSTEM", "1A2B3C4D"}, {"D", (dir / "quelle").string(), "HD", "PLATTE", "00000042"}});
    QuelleAnlegen(3, 3);
    std::map<int, std::string> vorher;
    for (int i = 1; i <= 3; ++i)
        vorher[i] = Lesen(dir / "quelle" / ("bild" + std::to_string(i) + ".jpg"));
    for (const QString& ziel : {Win(dir / "quelle") + "\\.", Win(dir / "verweis"), QString("D:\\")}) {
        SCOPED_TRACE(ziel.toStdString());
        TPromptScript script;
        script.Modal<TBilderKopierenForm>([&](TBilderKopierenForm& f) {
            Einstellen(f, true, f.RadioButtonNurBilderKopieren, "ziel");
            f.EditZielDir->SetText(ziel);
            TPromptScript inner;
            inner.Answer(TPromptKind::Message, mrOk, "Quell- und Zielverzeichnis identisch");
            f.BitBtnKopierenVerschieben->Click();
            EXPECT_EQ(f.BilderKopiert, 0);
            EXPECT_EQ(inner.Pending(), 0u);
            f.ModalResult = mrCancel;
        });
        form->BilderKopierenClick(nullptr);
        for (int i = 1; i <= 3; ++i)
            EXPECT_EQ(Lesen(dir / "quelle" / ("bild" + std::to_string(i) + ".jpg")), vorher[i]) << i;
    }
    form->TableBilder->Close();
    for (const auto& [r, e] : Eintraege(dir / "TEST.DBF"))
        EXPECT_EQ(e.first, Win(dir / "quelle" / ("bild" + std::to_string(r) + ".jpg")).toStdString());
}

// A run over entries of two folders into one of them under another name:
// the picture from the other folder moves, the others are skipped, counted
// and kept.
TEST_F(AlbumDateienTest, ARunSkipsEachPictureAlreadyInTheTargetFolder)
{
    Laufwerke({{"C", "/", "HD", "SYSTEM", "1A2B3C4D"}, {"D", (dir / "quelle").string(), "HD", "PLATTE", "00000042"}});
    fs::create_directories(dir / "anders");
    std::vector<TTestEintrag> eintraege;
    for (int i = 1; i <= 3; ++i) {
        TTestEintrag e{"Bild" + std::to_string(i)};
        e.Pfad = Win(Bild(i == 1 ? "anders" : "quelle", "bild" + std::to_string(i) + ".jpg", i)).toStdString();
        eintraege.push_back(e);
    }
    AlbumAnlegen("TEST.DBF", eintraege);
    ManagerAnlegen();
    ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    form->OeffneBilderFTS();
    form->DbeBilder->SetOrder(0);
    form->DbeBilder->Go(1);
    const std::string bild2 = Lesen(dir / "quelle" / "bild2.jpg");
    const std::string closing = BilderVerschieben("ziel", 1, 2, "D:\\");
    EXPECT_NE(closing.find("0 Fehler, 2 übersprungen"), std::string::npos) << closing;
    EXPECT_FALSE(fs::exists(dir / "anders" / "bild1.jpg"));
    EXPECT_TRUE(fs::exists(dir / "quelle" / "bild1.jpg"));
    EXPECT_EQ(Lesen(dir / "quelle" / "bild2.jpg"), bild2);
    EXPECT_TRUE(fs::exists(dir / "quelle" / "bild3.jpg"));
}

// Deleting "with picture" an entry whose medium is not in the drive: the
// card now in the drive holds a file of the same name, which stays, and so
// does the entry; the message names the medium expected.
TEST_F(AlbumDateienTest, DeleteWithPictureRefusesAnotherMediumAtTheLetter)
{
    KarteAnlegen();
    TPromptScript script;
    script.Modal<TBilderLoeschenForm>([&](TBilderLoeschenForm& f) {
        f.RadioButtonNurSelektiertenSatzLoeschen->SetChecked(true);
        f.CheckBoxBilderMitloeschen->SetChecked(true);
        TPromptScript inner;
        inner.Answer(TPromptKind::Dialog, mrYes, "wollen Sie wirklich auch die Bilder löschen")
            .Answer(TPromptKind::Message, mrOk, "Der Datenträger \"URLAUB\" (-17)");
        f.BitBtnDeleteClick(nullptr);
        EXPECT_EQ(inner.Pending(), 0u);
        EXPECT_EQ(f.Geloescht, 0);
        f.ModalResult = mrCancel;
    });
    form->BilderLoeschenClick(nullptr);
    EXPECT_EQ(Lesen(dir / "karte/DCIM/IMG_0001.JPG"), "Bild der Karte im Laufwerk");
    form->TableBilder->Close();
    EXPECT_FALSE(Eintraege(dir / "TEST.DBF").at(1).second);
}

// A run over both entries: the one of another medium is skipped, counted
// and named; the one of the card in the drive goes with its picture.
TEST_F(AlbumDateienTest, DeleteRunWithPicturesTouchesOnlyTheEntriesOfTheMediumPresent)
{
    KarteAnlegen();
    TPromptScript script;
    script.Modal<TBilderLoeschenForm>([&](TBilderLoeschenForm& f) {
        f.RadioButtonAlleSaetzeLoeschen->SetChecked(true);
        f.CheckBoxBilderMitloeschen->SetChecked(true);
        f.CheckBoxJedesBildVorLoeschenAnzeigen->SetChecked(false);
        TPromptScript inner;
        inner.Answer(TPromptKind::Dialog, mrYes, "wollen Sie wirklich auch die Bilder löschen")
            .Answer(TPromptKind::Message, mrOk, "1 Einträge nicht gelöscht");
        f.BitBtnDeleteClick(nullptr);
        EXPECT_EQ(inner.Pending(), 0u);
        EXPECT_EQ(f.Geloescht, 1);
        EXPECT_EQ(f.MediumFehlt, 1);
    });
    form->BilderLoeschenClick(nullptr);
    EXPECT_TRUE(fs::exists(dir / "karte/DCIM/IMG_0001.JPG"));
    EXPECT_FALSE(fs::exists(dir / "karte/DCIM/IMG_0002.JPG"));
    form->TableBilder->Close();
    const auto e = Eintraege(dir / "TEST.DBF");
    EXPECT_FALSE(e.at(1).second);
    EXPECT_TRUE(e.at(2).second);
}

// The entry cannot be deleted (the album refuses every write): its picture
// stays.
TEST_F(AlbumDateienTest, APictureStaysWhenItsEntryCannotBeDeleted)
{
    QuelleAnlegen(2, 2);
    form->DbeBilder->SetOrder(0);
    form->DbeBilder->Go(1);
    const std::string bild1 = Lesen(dir / "quelle" / "bild1.jpg");
    TPromptScript script;
    script.Modal<TBilderLoeschenForm>([&](TBilderLoeschenForm& f) {
        f.RadioButtonNurSelektiertenSatzLoeschen->SetChecked(true);
        f.CheckBoxBilderMitloeschen->SetChecked(true);
        TPromptScript inner;
        inner.Answer(TPromptKind::Dialog, mrYes, "wollen Sie wirklich auch die Bilder löschen");
        dbf::SetIoFaultHook([](dbf::IoOp, const std::string&) { return true; });
        EXPECT_ANY_THROW(f.BitBtnDeleteClick(nullptr));
        dbf::SetIoFaultHook({});
        EXPECT_EQ(f.Geloescht, 0);
        f.ModalResult = mrCancel;
    });
    try {
        form->BilderLoeschenClick(nullptr);
    } catch (const std::exception&) {
    }
    EXPECT_EQ(Lesen(dir / "quelle" / "bild1.jpg"), bild1);
}

// A move "with picture" of an entry whose medium is not in the drive: the
// card's file of the same name is neither copied nor deleted.
TEST_F(AlbumDateienTest, MoveRefusesAnotherMediumAtTheLetter)
{
    KarteAnlegen();
    const std::string closing = BilderVerschieben("ziel", 1, 1);
    EXPECT_NE(closing.find("0 Fehler, 1 übersprungen"), std::string::npos) << closing;
    EXPECT_EQ(Lesen(dir / "karte/DCIM/IMG_0001.JPG"), "Bild der Karte im Laufwerk");
    EXPECT_FALSE(fs::exists(dir / "ziel/IMG_0001.JPG"));
    EXPECT_TRUE(fs::exists(dir / "ziel/IMG_0002.JPG"));
    EXPECT_FALSE(fs::exists(dir / "karte/DCIM/IMG_0002.JPG"));
    // The moved entry names the medium its picture lies on now.
    form->TableBilder->Close();
    const uint16_t area = dbe_Use((dir / "TEST.DBF").c_str(), "PRUEF", DBE_SHARED, DBE_TYPE_FOX);
    ASSERT_NE(area, 0);
    dbe_Go(2);
    EXPECT_EQ(std::string(dbe_GetTrimString("LABELKENNU")), qktGetVolumeId("C").toStdString());
    EXPECT_EQ(std::string(dbe_GetTrimString("LABEL")), "SYSTEM");
    dbe_Close();
}

// Types a text into a field key by key, as a user would.
void Tippen(QWidget* feld, const QString& text)
{
    for (const QChar c : text) {
        const int taste = c.isLetterOrNumber() && c.unicode() < 128 ? int(c.toUpper().unicode()) : int(Qt::Key_unknown);
        lxui_test::SendKey(feld, taste, QString(c));
    }
}

// A click on a button's middle, or on the mark of a radio button or check box.
void Klicken(TControl* c)
{
    QWidget* w = c->Handle();
    const bool mitMarke = dynamic_cast<TRadioButton*>(c) || dynamic_cast<TCheckBox*>(c);
    lxui_test::SendClick(w, mitMarke ? QPoint(8, w->height() / 2) : w->rect().center());
}

// A new album made by copying starts where the albums are, never in the
// root of the file system, also when the settings hold the old default
// "C:\"; a folder that takes no files is refused before anything is made.
TEST_F(AlbumDialogeTest, ANewAlbumStartsInTheAlbumFolderAndAFolderThatTakesNoFilesIsRefused)
{
    QuelleAnlegen(3, 3);
    const QString albumOrdner = Win(dir.path()) + "\\";
    TQKINI ini(nullptr);
    ini.SetINIFileName(form->QKINI_Prog->INIFileName());
    for (const bool alteVorgabe : {false, true}) {
        SCOPED_TRACE(alteVorgabe ? "C:\\ gespeichert" : "nichts gespeichert");
        if (alteVorgabe) {
            ini.INIWriteString("Einstellungen KopierDialog", "DriveComboBoxBilderKopierenZielLaufwerk", "C");
            ini.INIWriteString("Einstellungen KopierDialog", "DirectoryListBoxBilderKopierenZielVerzeichnis", "\\");
        }
        TPromptScript script;
        script.Modal<TBilderKopierenForm>([&](TBilderKopierenForm& f) {
            ASSERT_EQ(IncludeTrailingBackslash(f.EditZielDir->Text()), albumOrdner);
            EXPECT_EQ(IncludeTrailingBackslash(f.DirectoryListBoxBilderKopierenZielVerzeichnis->Directory()),
                      albumOrdner);
            f.Close();
        });
        form->BilderKopierenClick(nullptr);
    }

    // A run into the folder it starts in: every shown entry into Bild_Neu.
    TPromptScript script;
    script.Modal<TBilderKopierenForm>([&](TBilderKopierenForm& f) {
        f.Show();
        Klicken(f.RadioButtonAlleSaetzeKopierenVerschieben);
        Klicken(f.RadioButtonNurDatensaetzeKopieren);
        Klicken(f.CheckBoxJedesBildVorKopierenVerschiebenAnzeigen);
        ASSERT_TRUE(f.PanelZielDBF->Visible());
        ASSERT_FALSE(f.CheckBoxJedesBildVorKopierenVerschiebenAnzeigen->Checked());

        // A folder no one can write into: refused with its reason.
        f.EditZielDir->SetFocus();
        f.EditZielDir->SelectAll();
        Tippen(f.EditZielDir->Handle(), "C:\\proc");
        f.EditZielDBFName->SetFocus();
        f.EditZielDBFName->SelectAll();
        Tippen(f.EditZielDBFName->Handle(), "Bild_Neu.DBF");
        {
            TPromptScript inner;
            inner.Answer(TPromptKind::Message, mrOk,
                         "In das Verzeichnis C:\\proc\\ kann nicht geschrieben werden (keine Schreibrechte), wählen "
                         "Sie ein anderes Zielverzeichnis aus !");
            Klicken(f.BitBtnKopierenVerschieben);
        }
        EXPECT_FALSE(fs::exists("/proc/Bild_Neu.DBF"));

        f.EditZielDir->SetFocus();
        f.EditZielDir->SelectAll();
        Tippen(f.EditZielDir->Handle(), albumOrdner);
        TPromptScript inner;
        QString text;
        inner.Answer(TPromptKind::Dialog, mrYes, "Bild_Neu.DBF nicht gefunden, jetzt erstellen ?")
            .Answer(TPromptKind::Dialog, mrNo, "Ziel-Fotoalbum in den Fotoalbum-Manager eintragen ?")
            .Modal(NachrichtOk(&text));
        Klicken(f.BitBtnKopierenVerschieben);
        EXPECT_NE(text.indexOf("Verarbeitung abgeschlossen ("), -1) << text.toStdString();
    });
    form->BilderKopierenClick(nullptr);

    EXPECT_FALSE(fs::exists("/Bild_Neu.DBF"));
    const std::string zeilen = RunScript("/usr/bin/python3", "ziel.py", kZielZeilen, File("Bild_Neu.DBF"));
    EXPECT_EQ(std::count(zeilen.begin(), zeilen.end(), '\n'), 3) << zeilen;
    EXPECT_NE(zeilen.find("Bild1|"), std::string::npos) << zeilen;
    EXPECT_NE(zeilen.find("Bild3|"), std::string::npos) << zeilen;
}

}  // namespace
