// The picture edge test and the delete handlers of the manager table.
#include "main_form_fixture.h"

#include "platform/data/field.h"

#include <QImage>

namespace {

class FakeManager : public TAlbumManagerDialog {
public:
    int leer = 0;
    void Zeigen() override {}
    void GeoeffneteDBFinDBFVerwaltungEintragen(int) override {}
    void ManagerLeer() override { ++leer; }
};

TEST_F(MainFormTest, PictureHasTheTargetSizeWhenOneEdgeMatches)
{
    ASSERT_TRUE(QImage(120, 80, QImage::Format_RGB32).save(QString::fromStdString(File("bild.png"))));
    const QString bild = Win(dir / "bild.png");
    EXPECT_TRUE(form->IstBildZielFormat(bild, 120));
    EXPECT_TRUE(form->IstBildZielFormat(bild, 80));
    EXPECT_FALSE(form->IstBildZielFormat(bild, 100));
    lxtest::WriteFile(dir / "leer.jpg", "");
    EXPECT_FALSE(form->IstBildZielFormat(Win(dir / "leer.jpg"), 120));
    // A file whose header cannot be read is not judged by the size of the
    // picture looked at before it.
    lxtest::WriteFile(dir / "kaputt.jpg", "kein Bild");
    EXPECT_TRUE(form->IstBildZielFormat(bild, 120));
    EXPECT_FALSE(form->IstBildZielFormat(Win(dir / "kaputt.jpg"), 120));
}

TEST_F(MainFormTest, DeletingARowRemovesTheAlbumFilesUnlessTheOpenAlbumIsKept)
{
    lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
    AlbumAnlegen("WEG.DBF", {{"eins"}});
    AlbumAnlegen("TEST.DBF", {{"zwei"}});
    ManagerAnlegen();
    {
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
        script.AnswerValue("weg").AnswerValue("offen");
        form->BilderDBFinDBFVerwaltungEintragen(form->BereichBilder().Ordner() + "WEG.DBF", 1, 0);
        form->BilderDBFinDBFVerwaltungEintragen(form->BereichBilder().Ordner() + "TEST.DBF", 1, 0);
    }
    FakeManager manager;
    form->SetAlbumManager(&manager);
    TdkTable* t = form->TableBilderDatenbanken;
    ASSERT_EQ(form->DbeBilderDatenbanken->RecCount(), 2u);

    // The open album's row: closing refused, the row stays.
    form->DbeBilderDatenbanken->Go(2);
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "Wollen Sie die zum Fotoalbum (offen) gehörende Datenbank (TEST.DBF)")
            .Answer(TPromptKind::Dialog, mrNo, "Fotoalbum ist geöffnet und kann daher nicht gelöscht werden, jetzt")
            .Answer(TPromptKind::Message, mrOk, "Vorgang abgebrochen!");
        EXPECT_THROW(t->Delete(), EAbort);
    }
    EXPECT_TRUE(form->TableBilder->Active());
    EXPECT_TRUE(std::filesystem::exists(dir / "TEST.DBF"));

    // The other album's row: its files go, the table is packed.
    form->DbeBilderDatenbanken->Go(1);
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "(WEG.DBF) auch löschen ?");
        t->Delete();
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "WEG.DBF"));
    EXPECT_FALSE(std::filesystem::exists(dir / "WEG.FPT"));
    EXPECT_FALSE(std::filesystem::exists(dir / "WEG.CDX"));
    ASSERT_TRUE(t->Active());
    EXPECT_EQ(form->DbeBilderDatenbanken->RecCount(), 1u);
    EXPECT_EQ(manager.leer, 0);

    // The last row, keeping the files: the dialog hears of the empty table.
    form->DbeBilderDatenbanken->GoTop();
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrNo, "(TEST.DBF) auch löschen ?");
        t->Delete();
    }
    EXPECT_EQ(form->DbeBilderDatenbanken->RecCount(), 0u);
    EXPECT_EQ(manager.leer, 1);
    EXPECT_TRUE(std::filesystem::exists(dir / "TEST.DBF"));
}

// An album whose name holds a dot: deleting it takes its own files only,
// not those of the album (or picture) named like its first part.
TEST_F(MainFormTest, DeletingAnAlbumWithADotInItsNameKeepsOtherFiles)
{
    lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
    AlbumAnlegen("Urlaub.2006.DBF", {{"eins"}});
    AlbumAnlegen("Urlaub.DBF", {{"zwei"}});
    lxtest::WriteFile(dir / "Urlaub.jpg", "Bild");
    lxtest::WriteFile(dir / "Urlaub.2006.IA", "Volltext");
    ManagerAnlegen();
    {
        TPromptScript script;
        script.AnswerValue("Urlaub 2006")
            .Answer(TPromptKind::Dialog, mrNo, "Möchten Sie das neue Fotoalbum jetzt öffnen ?");
        form->BilderDBFinDBFVerwaltungEintragen(Win(dir.path()) + "\\Urlaub.2006.DBF", 1, 0);
    }
    FakeManager manager;
    form->SetAlbumManager(&manager);
    form->DbeBilderDatenbanken->GoTop();
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "(Urlaub.2006.DBF) auch löschen ?");
        form->TableBilderDatenbanken->Delete();
    }
    for (const char* gone : {"Urlaub.2006.DBF", "Urlaub.2006.FPT", "Urlaub.2006.IA"})
        EXPECT_FALSE(std::filesystem::exists(dir / gone)) << gone;
    for (const char* kept : {"Urlaub.DBF", "Urlaub.FPT", "Urlaub.jpg"})
        EXPECT_TRUE(std::filesystem::exists(dir / kept)) << kept;
}

}  // namespace
