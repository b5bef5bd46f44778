// Copying, moving and deleting pictures and entries through the main
// window's commands and their dialogs, on albums made through the engine
// with generated pictures; the results read back from outside.
#include "main_form_fixture.h"

#include "dialogs/bilder_kopieren.h"
#include "dialogs/bilder_loeschen.h"
#include "platform/core/streams.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"

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
        form->WindowsPfad = Win(dir / "win") + "\\";
        fs::create_directories(dir / "quelle");
        fs::create_directories(dir / "ziel");
    }
    void TearDown() override
    {
        SetStreamReadFault(nullptr);
        MainFormTest::TearDown();
    }

    // A picture drawn with QImage, as JPEG in the folder.
    fs::path Bild(const std::string& ordner, const std::string& name, int n)
    {
        QImage bild(80 + n, 60, QImage::Format_RGB32);
        bild.fill(QColor::fromHsv((n * 40) % 360, 200, 220));
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
            .AnswerValue("Kopie", "Geben Sie eine kurze Bechreibung ein")
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
        if (i <= 5)
            EXPECT_EQ(Lesen(dir / "ziel" / name), Lesen(dir / "quelle" / name));
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

}  // namespace
