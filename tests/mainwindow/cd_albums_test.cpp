// Albums on inserted CDs: found in the DATA folder of every CD-ROM drive,
// checked, offered for registration once.
#include "main_form_fixture.h"

#include "platform/core/drive_map.h"
#include "shared/qk_ini.h"

#include <sys/stat.h>

namespace {

class CdAlbumsTest : public MainFormTest {
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        std::filesystem::create_directories(dir / "cd" / "DATA" / "alt");
        lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34},
                                 {"E", (dir / "cd").string(), "CDROM", "FOTOCD", "00000010", 0}});
        TDriveMap::Instance().Refresh();
    }
    void TearDown() override
    {
        MainFormTest::TearDown();
        lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
        TDriveMap::Instance().Refresh();
    }
};

TEST_F(CdAlbumsTest, ValidAlbumsOnACdAreOfferedOnceAndRegistered)
{
    ManagerAnlegen();
    form->ErzeugeBilderDatenbank("E:\\DATA\\alt\\", "REISE.DBF");
    EintraegeSchreiben((dir / "cd" / "DATA" / "alt" / "REISE.DBF").string(), {{"Strand"}, {"Berge"}});
    form->ErzeugeBilderDatenbank("E:\\DATA\\", "LEER.DBF");  // no entries: skipped
    {
        // A table that is no album is never offered.
        const uint16_t area =
            dbe_CreateNew((dir / "cd" / "DATA" / "ANDERS.DBF").c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, 1);
        ASSERT_NE(area, 0);
        dbe_CreateField("NAME", 'C', 10, 0);
        ASSERT_EQ(dbe_CreateExec(), 1);
        dbe_AppendBlank();
        dbe_Close();
    }
    {
        TPromptScript script;
        script
            .Answer(TPromptKind::Dialog, mrYes,
                    "Neues Fotoalbum (Bilderdatenbank) auf CD(R) gefunden, E:\\DATA\\alt\\REISE.DBF jetzt in "
                    "Fotoalben-Manager eintragen ?")
            .AnswerValue("Urlaubs-CD", "Geben sie einen Namen für den Datenträger ein")
            .AnswerValue("Reise", "Geben Sie eine kurze Beschreibung ein")
            .Answer(TPromptKind::Dialog, mrNo, "Möchten Sie das neue Fotoalbum jetzt öffnen ?");
        EXPECT_EQ(form->CheckObNeueAlbenAufCDR(), 1);
    }
    ASSERT_TRUE(form->TableBilderDatenbanken->Active());
    EXPECT_EQ(form->DbeBilderDatenbanken->RecCount(), 1u);
    form->DbeBilderDatenbanken->GoTop();
    EXPECT_EQ(form->DbeBilderDatenbanken->GetTrimString("PFAD"), "E:\\DATA\\alt\\REISE.DBF");
    EXPECT_EQ(form->DbeBilderDatenbanken->GetTrimString("LABEL"), "Urlaubs-CD");
    EXPECT_EQ(form->DbeBilderDatenbanken->GetTrimString("LABELKENNU"), "16");
    EXPECT_EQ(form->QKINI_Prog->INIReadString("Datentraegerkennungen", "16", ""), "Urlaubs-CD");

    // Registered under its full path: found again, nothing asked or shown.
    TPromptScript script;
    form->NeueFotoalbenaufCDsuchen1Click(nullptr);
    EXPECT_EQ(form->Caption(), "QV-Lumadex  v1.50");
}

TEST_F(CdAlbumsTest, WithoutACdTheCommandSaysSo)
{
    lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
    TDriveMap::Instance().Refresh();
    QString text;
    TPromptScript script;
    script.Modal(NachrichtOk(&text));
    form->NeueFotoalbenaufCDsuchen1Click(nullptr);
    EXPECT_EQ(text, "Keine neuen Fotoalben auf eingelegten CD(R)s gefunden !");
    EXPECT_EQ(script.Records().at(0).Caption, "Abschlußmeldung");
}

}  // namespace

namespace {

TEST_F(CdAlbumsTest, AlbumOnAWriteProtectedMediumIsRegisteredWithoutWritingToIt)
{
    ManagerAnlegen();
    form->ErzeugeBilderDatenbank("E:\\DATA\\", "FEST.DBF");
    EintraegeSchreiben((dir / "cd" / "DATA" / "FEST.DBF").string(), {{"Turm"}});
    form->QKINI_Prog->INIWriteString("Datentraegerkennungen", "16", "Archiv");
    ASSERT_EQ(::chmod((dir / "cd" / "DATA").c_str(), 0555), 0);
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "E:\\DATA\\FEST.DBF jetzt in Fotoalben-Manager eintragen ?")
            .AnswerValue("Fest", "Geben Sie eine kurze Beschreibung ein")
            .Answer(TPromptKind::Dialog, mrNo, "Möchten Sie das neue Fotoalbum jetzt öffnen ?");
        EXPECT_EQ(form->CheckObNeueAlbenAufCDR(), 1);
    }
    ::chmod((dir / "cd" / "DATA").c_str(), 0755);
    EXPECT_FALSE(std::filesystem::exists(dir / "cd" / "DATA" / "FEST.CDX"));
    form->DbeBilderDatenbanken->GoTop();
    EXPECT_EQ(form->DbeBilderDatenbanken->GetTrimString("LABEL"), "Archiv");
    EXPECT_EQ(form->DbeBilderDatenbanken->GetInteger("SAETZE"), 1);
    EXPECT_EQ(form->DbeBilderDatenbanken->GetInteger("OHNEDESC"), 0);
    EXPECT_EQ(form->DbeBilderDatenbanken->GetInteger("MITDESC"), 1);
}

}  // namespace
