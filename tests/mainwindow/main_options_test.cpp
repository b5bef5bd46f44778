// The main window with its options dialog: one settings store for both,
// the dialog's read through QKINI_Prog's file, and the pick lists of an
// opened album filled through the dialog.

#include "main_form_fixture.h"

#include "dialogs/program_options.h"
#include "mainwindow/main_options.h"
#include "platform/core/ini_file.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_ini.h"

TEST_F(MainFormTest, OptionsDialogServesTheMainWindowFromOneStore)
{
    {
        TMemIniFile ini(form->QKINI_Prog->IniPath());
        ini.WriteString("Einstellungen Hauptprogramm", "RequesterAnzeigeZeit", "7");
        ini.WriteString("Einstellungen Hauptprogramm", "AlleMeldungen", "0");
        ini.UpdateFile();
    }
    auto optionen = std::make_unique<TMainFormOptionenDialog>(*form);
    TProgrammEinstellungen* e = form->ProgrammOptionen();
    EXPECT_EQ(e, &optionen->Dialog().Einstellungen());
    EXPECT_EQ(form->Dienste().Lauf().AnzeigeZeit(), 7);  // the dialog's create read the ini
    EXPECT_FALSE(e->CheckBoxAlleMeldungen);
    // A tick in the dialog is what the main window reads.
    optionen->Dialog().Element<TCheckBox>("CheckBoxAlleMeldungen")->SetChecked(true);
    EXPECT_TRUE(form->ProgrammOptionen()->CheckBoxAlleMeldungen);
    // Closing the dialog writes the main ini file.
    {
        TPromptScript script;
        script.Modal<TProgrammOptionen>([](TProgrammOptionen& d) { d.ModalResult = mrOk; });
        optionen->Dialog().Zeigen(0);
    }
    EXPECT_EQ(TMemIniFile(form->QKINI_Prog->IniPath()).ReadString("Einstellungen Hauptprogramm", "AlleMeldungen", ""),
              "1");
    optionen.reset();
    EXPECT_NE(form->ProgrammOptionen(), e);  // the main window's own store again
}

TEST_F(MainFormTest, OpenedAlbumGetsItsPickListsThroughTheDialog)
{
    ManagerAnlegen();
    AlbumAnlegen("URLAUB.DBF", {});
    const QString datenbanken = form->ProgrammOptionen()->EditDatenbankenVerzeichnis;
    const QString temp = form->ProgrammOptionen()->EditTempDir;
    TMainFormOptionenDialog optionen(*form);
    TProgrammEinstellungen* e = form->ProgrammOptionen();
    e->CheckBoxProtokollieren = false;
    e->CheckBoxAlleMeldungen = false;
    e->EditDatenbankenVerzeichnis = datenbanken;
    e->EditTempDir = temp;
    form->BereichBilder().NameSetzen("URLAUB.DBF");
    TPromptScript script;
    ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    EXPECT_EQ(optionen.Anbindung().PickListe[0].size(), 11);
    EXPECT_EQ(optionen.Anbindung().PickListe[1].value(1), "digitale Kamera\t1");
    EXPECT_TRUE(std::filesystem::exists(dir / "URLAUB.GPR"));
    EXPECT_EQ(optionen.Dialog().Element<TMemo>("MemoQuellenListe")->Lines()->Count(), 7);
}
