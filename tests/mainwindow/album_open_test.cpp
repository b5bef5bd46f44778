// Opening albums: the integrity check, read-only albums, missing albums,
// the index build and its repair, the second view and the target album.
#include "main_form_fixture.h"

#include "platform/core/drive_map.h"
#include "platform/dbf/lock_wait.h"
#include "platform/ui/com_ctrls.h"

#include <sys/stat.h>

namespace {

class FakeManager : public TAlbumManagerDialog {
public:
    int gezeigt = 0;
    int eingetragen = 0;
    int leer = 0;
    void Zeigen() override { ++gezeigt; }
    void GeoeffneteDBFinDBFVerwaltungEintragen(int) override { ++eingetragen; }
    void ManagerLeer() override { ++leer; }
};

QStringList TagNamen(TDbe* dbe)
{
    QStringList namen;
    for (int n = 1; !dbe->TagName(n).isEmpty(); ++n)
        namen << dbe->TagName(n).toUpper();
    return namen;
}

QStringList AlbumTagNamen()
{
    QStringList namen;
    for (const TAlbumTag& t : kAlbumTags)
        namen << QString::fromLatin1(t.Name).toUpper();
    return namen;
}

TEST_F(MainFormTest, TablesThatAreNoAlbumAreRefused)
{
    ManagerAnlegen();
    struct Fall {
        const char* name;
        int pfadBreite;
        int felder;
    };
    for (const Fall& f : {Fall{"BREIT.DBF", 200, 29}, Fall{"KURZ.DBF", 239, 12}}) {
        const uint16_t area = dbe_CreateNew(File(f.name).c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, f.felder);
        ASSERT_NE(area, 0);
        int n = 0;
        for (const TAlbumFeld& feld : kAlbumFelder) {
            if (n++ == f.felder)
                break;
            const bool pfad = QString::fromLatin1(feld.Name) == "Pfad";
            dbe_CreateField(feld.Name, feld.Typ, pfad ? f.pfadBreite : feld.Breite, feld.Dezimal);
        }
        ASSERT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
        dbe_Close();
        form->BereichBilder().NameSetzen(f.name);
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "Ungültiges Fotoalbum (Bilderdatenbank)!");
        EXPECT_EQ(form->BilderDBFOeffnen(), 0) << f.name;
        EXPECT_FALSE(form->TableBilder->Active());
        EXPECT_FALSE(std::filesystem::exists(dir / (std::string(f.name, 0, std::string(f.name).size() - 4) + ".CDX")));
    }
}

TEST_F(MainFormTest, MissingIndexIsBuiltAndTheSavedOrderComesBack)
{
    AlbumAnlegen("TEST.DBF", {{"b"}, {"a"}, {"c"}});
    ManagerAnlegen();
    form->BereichBilder().SortierungSetzen(6);  // ShortDesc
    {
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
    EXPECT_EQ(TagNamen(form->DbeBilder), AlbumTagNamen());
    EXPECT_EQ(form->DbeBilder->IndexOrd(), 6);
    EXPECT_EQ(form->BereichBilder().Sortierung(), 6);
    EXPECT_EQ(form->StatusBarBilder2->Panels()->Items(0)->Text(), form->BereichBilder().Ordner() + "TEST.DBF");
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text(), "3 von 3 Einträge angezeigt");
    EXPECT_EQ(form->BereichBilder().Dateien().CdxName(), "TEST.CDX");
    EXPECT_EQ(form->BereichBilder().Dateien().IaName(), "TEST.IA");
    EXPECT_FALSE(form->DbeEnv1->SoftSeek());
    EXPECT_TRUE(form->DbeEnv1->Exact());
    EXPECT_EQ(form->DbeEnv1->LockTimeout(), 5);
    // The second view opens on the same album.
    EXPECT_EQ(form->Bilder2DBFOeffnen(), 1);
    EXPECT_EQ(form->DbeBilder2->RecCount(), 3u);
}

TEST_F(MainFormTest, AWaitForABusyAlbumShowsInTheStatusAndItsTextComesBack)
{
    AlbumAnlegen("TEST.DBF", {{"a"}, {"b"}});
    ManagerAnlegen();
    {
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
    TStatusPanel* panel = form->StatusBarBilder1->Panels()->Items(0);
    panel->SetText(QStringLiteral("SatzNr. 1"));
    const std::string index = (form->BereichBilder().Ordner() + "TEST.CDX").toStdString();
    EXPECT_TRUE(dbf::TellLockWait({index, std::chrono::milliseconds(500), false}));
    EXPECT_TRUE(panel->Text().contains(QStringLiteral("TEST.DBF"))) << panel->Text().toStdString();
    EXPECT_TRUE(panel->Text().contains(QStringLiteral("Esc"))) << panel->Text().toStdString();
    dbf::TellLockWait({index, std::chrono::milliseconds(900), true});
    EXPECT_EQ(panel->Text(), QStringLiteral("SatzNr. 1"));
}

TEST_F(MainFormTest, IncompleteOrUnreadableIndexIsRebuiltWithTheAlbumTags)
{
    AlbumAnlegen("TEST.DBF", {{"eins"}, {"zwei"}});
    ManagerAnlegen();
    // An index with the 18 tags of a copy target.
    form->BereichBilder3().DateienSetzen(TAlbumDateien(form->BereichBilder().Ordner(), "TEST.DBF"));
    {
        TPromptScript script;
        form->Bilder3DBFOeffnen();
    }
    ASSERT_TRUE(form->TableBilder3->Active());
    EXPECT_EQ(TagNamen(form->DbeBilder3).size(), kZielAlbumTagAnzahl);
    form->TableBilder3->Close();
    {
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
    EXPECT_EQ(TagNamen(form->DbeBilder), AlbumTagNamen());
    EXPECT_EQ(form->BereichBilder().Tags().Count(), kAlbumTagAnzahl);

    // An index file that is no index at all.
    form->TableBilder->Close();
    lxtest::WriteFile(dir / "TEST.CDX", std::string(1500, 'x'));
    {
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
    EXPECT_EQ(TagNamen(form->DbeBilder), AlbumTagNamen());
    EXPECT_EQ(form->DbeBilder->RecCount(), 2u);
}

TEST_F(MainFormTest, AlbumInAWriteProtectedFolderOpensReadOnly)
{
    AlbumAnlegen("TEST.DBF", {{"eins"}});
    ManagerAnlegen();
    {
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
    form->TableBilder->Close();
    ASSERT_EQ(::chmod(dir.str().c_str(), 0555), 0);
    QString notiz;
    {
        TPromptScript script;
        script.Modal(NachrichtOk(&notiz));
        EXPECT_EQ(form->BilderDBFOeffnen(), 1);
        ASSERT_FALSE(script.Records().empty());
        EXPECT_EQ(script.Records()[0].Caption, "Hinweismeldung");
    }
    ::chmod(dir.str().c_str(), 0755);
    EXPECT_EQ(notiz, "Das Fotoalbum " + form->BereichBilder().Ordner() +
                         "TEST.DBF ist schreibgeschützt und wird im \"Nur lesen Modus\" geöffnet !");
    EXPECT_TRUE(form->BereichBilder().NurLesen());
    EXPECT_TRUE(form->TableBilder->Active());
    EXPECT_TRUE(form->TableBilder->ReadOnly());
}

TEST_F(MainFormTest, MissingStandardAlbumIsCreatedOnRequest)
{
    ManagerAnlegen();
    form->BereichBilder().NameSetzen("BILDER.DBF");
    form->ProgrammOptionen()->MemoGruppenListe.Add("Familie");
    form->ProgrammOptionen()->MemoGruppenListe.Add("Urlaub");
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrYes, ") nicht gefunden, jetzt erstellen ?")
        .Answer(TPromptKind::Dialog, mrNo, "Gruppendefinition von letzten Fotoalbum übernehmen?");
    ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    EXPECT_TRUE(form->TableBilder->Active());
    EXPECT_TRUE(std::filesystem::exists(dir / "BILDER.DBF"));
    EXPECT_TRUE(std::filesystem::exists(dir / "BILDER.CDX"));
    EXPECT_FALSE(std::filesystem::exists(dir / "BILDER.GPR"));
    EXPECT_EQ(script.Records()[0].Text,
              "Fotoalbum (" + form->BereichBilder().Ordner() + "BILDER.DBF) nicht gefunden, jetzt erstellen ?");
}

TEST_F(MainFormTest, MissingAlbumLeadsToTheManagerDialog)
{
    form->ErzeugeBilderDatenbankenVerwaltung(form->ProgrammOptionen()->EditDatenbankenVerzeichnis, "LXMan.DBF");
    {
        const uint16_t area = dbe_Use((dir / "db" / "LXMan.DBF").c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX);
        ASSERT_NE(area, 0);
        dbe_AppendBlank();
        dbe_AppendBlank();
        dbe_Commit();
        dbe_Close();
    }
    FakeManager manager;
    form->SetAlbumManager(&manager);
    form->BereichBilder().NameSetzen("WEG.DBF");
    {
        // Two albums known: the manager dialog instead of the question; no
        // album was chosen there.
        TPromptScript script;
        script.Modal(NachrichtOk());
        EXPECT_EQ(form->BilderDBFOeffnen(), 1);
    }
    EXPECT_EQ(manager.gezeigt, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "WEG.DBF"));

    // The standard album answered No: the manager dialog again.
    form->BereichBilder().NameSetzen("BILDER.DBF");
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrNo, "nicht gefunden, jetzt erstellen ?").Modal(NachrichtOk());
        EXPECT_EQ(form->BilderDBFOeffnen(), 1);
    }
    EXPECT_EQ(manager.gezeigt, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "BILDER.DBF"));
    EXPECT_FALSE(form->TableBilder->Active());
    {
        // The guard of album commands.
        TPromptScript script;
        QString text;
        script.Modal(NachrichtOk(&text));
        EXPECT_EQ(form->BilderDBFOffen(), 0);
        EXPECT_EQ(text, "Es ist kein Fotoalbum geöffnet !");
        EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text(), "0 von 0 Einträge angezeigt");
    }
}

TEST_F(MainFormTest, TargetAlbumIsCreatedWithItsEighteenTags)
{
    form->BereichBilder3().DateienSetzen(TAlbumDateien(form->BereichBilder().Ordner() + "ziel\\", "ZIEL.DBF"));
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "ZIEL.DBF nicht gefunden, jetzt erstellen ?");
        form->Bilder3DBFOeffnen();
    }
    ASSERT_TRUE(form->TableBilder3->Active());
    QStringList erwartet;
    for (const TAlbumTag& t : kZielAlbumTags)
        erwartet << QString::fromLatin1(t.Name).toUpper();
    EXPECT_EQ(TagNamen(form->DbeBilder3), erwartet);
    EXPECT_EQ(form->BilderDBFChecken2(form->BereichBilder3().Ordner(), "ZIEL.DBF"), 0);

    form->BereichBilder3().DateienSetzen(TAlbumDateien(QString(), " "));
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk, "Fataler Fehler, der übergebene Dateiname und Pfad sind beide leer");
    EXPECT_THROW(form->Bilder3DBFOeffnen(), EAbort);
}

}  // namespace
