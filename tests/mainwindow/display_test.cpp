// The album display: the byte sum's grouping, row and title colours, the
// single-record view, the page switching, and screenshots of the window.

#include "start_fixture.h"

#include "platform/ui/com_ctrls.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "datacontrols/dk_db_combo.h"
#include "datacontrols/dk_db_edit.h"
#include "datacontrols/dk_record_view.h"
#include "datagrid/dk_db_grid.h"
#include "storage/tdbe.h"

namespace {

TEST(Bytesumme, DotsBetweenGroupsOfThreeForAnyLength)
{
    const std::pair<int64_t, const char*> kFaelle[] = {
        {0, "0"},         {7, "7"},           {999, "999"},           {1000, "1.000"},
        {12345, "12.345"}, {123456, "123.456"}, {1234567, "1.234.567"}, {999999999999, "999.999.999.999"},
        {1234567890123, "1.234.567.890.123"}};
    for (const auto& [summe, text] : kFaelle)
        EXPECT_EQ(TMainForm::BytesText(summe), text) << summe;
}

TEST_F(StartTest, RowAndTitleColoursFollowTheSettings)
{
    Starten();
    const TColor weiss = TColor(0xFFFFFF), gelb = TColor(0x00FFFF), rot = TColor(0x0000FF);
    EXPECT_EQ(form->ZeilenFarbe(0, true, clWindow), weiss);   // first visible row: "Ungerade"
    EXPECT_EQ(form->ZeilenFarbe(1, true, clWindow), gelb);
    form->Einstellungen().Setzen("NichtDaRowColors", true);
    EXPECT_EQ(form->ZeilenFarbe(0, false, clWindow), rot);
    EXPECT_EQ(form->ZeilenFarbe(1, false, clWindow), rot);
    form->Einstellungen().Setzen("FarbSystemBenutzen", false);
    EXPECT_EQ(form->ZeilenFarbe(1, false, clWindow), clWindow);

    form->Einstellungen().Setzen("FarbSystemBenutzen", true);
    ASSERT_TRUE(form->TableBilder->Active());
    form->BilderIndexDaten();
    ASSERT_GT(form->BereichBilder().Tags().Count(), 0);
    EXPECT_EQ(form->TitelFarbe("SHORTDESC", clBtnFace), TColor(0x00FFFF));
    EXPECT_EQ(form->TitelFarbe("GIBTESNICHT", clBtnFace), TColor(0x00FF00));
    form->MenuItem("NurverfuegbareBilderanzeigen1")->SetChecked(true);
    const bool mitZwei = form->BereichBilder().Tags().IndexOf("SHORTDESC2") >= 0;
    EXPECT_EQ(form->TitelFarbe("SHORTDESC", clBtnFace), mitZwei ? TColor(0x00FFFF) : clBtnFace);
}

TEST_F(StartTest, SingleRecordViewAndPages)
{
    StartenUndZeigen();
    EXPECT_TRUE(form->PageControlBilderdaten->Visible());
    form->Einzelsatzanzeige1Click(nullptr);
    EXPECT_FALSE(form->Anzeige().EinzelsatzAnzeige);
    EXPECT_FALSE(form->PageControlBilderdaten->Visible());
    EXPECT_FALSE(form->MenuItem("Einzelsatzanzeige1")->Checked());
    form->Einzelsatzanzeige1Click(nullptr);
    EXPECT_TRUE(form->PageControlBilderdaten->Visible());

    form->AktualisiereBilderGauge(4, 1);
    EXPECT_TRUE(form->BilderGaugePanel->Visible());
    form->AktualisiereBilderGauge(4, 4);
    EXPECT_FALSE(form->BilderGaugePanel->Visible());
    form->AktualisiereBilderGauge(0, 4);  // no total: nothing to show

    form->TableBilder->Close();
    prompts.Texte.clear();
    form->PageControlBilderChange(form->PageControlBilder);
    EXPECT_TRUE(prompts.Gezeigt("Kein Fotoalbum geöffnet, öffnen Sie zunächst ein Fotoalbum!"));
}

TEST_F(StartTest, ScreenshotsOfTheMainWindowAndItsPages)
{
    // A small album: the first start makes it, the entries come through the
    // engine, the second start shows them.
    StartenUndZeigen();
    Beenden();
    form.reset();
    const std::string album = (Datenbank() / "BILDER.DBF").string();
    const uint16_t area = dbe_Use(album.c_str(), "FUELLEN", DBE_EXCLUSIVE, DBE_TYPE_FOX);
    ASSERT_NE(area, 0) << dbe_LastError();
    const char* const texte[][3] = {{"Strand bei Sonnenuntergang", "C:\\Bilder\\Urlaub\\strand.jpg", "Urlaub"},
                                    {"Hafen von Kiel", "C:\\Bilder\\Urlaub\\hafen.jpg", "Urlaub"},
                                    {"Geburtstag Anna", "C:\\Bilder\\Familie\\anna.jpg", "Familie"},
                                    {"Winterwald", "C:\\Bilder\\Natur\\wald.jpg", "Natur"}};
    double bytes = 123456;
    for (const auto& t : texte) {
        ASSERT_EQ(dbe_AppendBlank(), 1);
        dbe_Replace("SHORTDESC", DBE_REPL_TEXT, QString::fromUtf8(t[0]).toLatin1().constData());
        dbe_Replace("PFAD", DBE_REPL_TEXT, t[1]);
        dbe_Replace("SERIE", DBE_REPL_TEXT, t[2]);
        dbe_Replace("BYTES", DBE_REPL_DOUBLE, &bytes);
        const char wahr = 'T';
        dbe_Replace("ZUGRIFF", DBE_REPL_LOGICAL, &wahr);
        bytes += 98765;
    }
    dbe_Commit();
    dbe_Close();
    prompts.Texte.clear();
    StartenUndZeigen();
    ASSERT_EQ(form->DbeBilder->RecCount(), 4u);
    form->Show();
    Application->ProcessMessages();
    QImage bild = Bildschirmfoto(*form, "main_window");
    EXPECT_GE(bild.width(), 700);
    form->PageControlBilderdaten->SetActivePage(form->TabSheetBilderDBFTeil2);
    Bildschirmfoto(*form, "main_window_teil2");
    form->PageControlBilderdaten->SetActivePage(form->TabSheetBilderDBFTeil3);
    Bildschirmfoto(*form, "main_window_teil3");
    form->PageControlBilder->SetActivePage(form->TabSheetVorschauBilder);
    Bildschirmfoto(*form, "main_window_vorschaubilder");
    form->PageControlBilder->SetActivePage(form->TabSheetGrossBild);
    Bildschirmfoto(*form, "main_window_grossbild");
    form->PageControlBilder->SetActivePage(form->TabSheetBilderDatenbank);

    // The record editor: modeless, its window where the user left it.
    form->SatzeditorBilderClick(form->MenuItem("SatzeditorBilder"));
    TdkRecordViewForm* editor = form->RecordViewDialogBilder->Form();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->Caption(), "Datensatzübersicht (ReadOnly)");
    EXPECT_TRUE(form->MenuItem("SatzeditorBilder")->Checked());
    EXPECT_EQ(form->RecordViewDialogBilder->EditList().size(), 19u);  // edits and the memo; 2 check boxes
    Bildschirmfoto(*editor, "record_view_album");
    editor->SetBounds(40, 50, 500, 400);
    form->RecordViewDialogBilder->CancelButtonClick(nullptr);
    EXPECT_FALSE(form->MenuItem("SatzeditorBilder")->Checked());
    EXPECT_EQ(IniLesen("Einstellungen SatzEditorBilder", "Left"), "40");
    EXPECT_EQ(IniLesen("Einstellungen SatzEditorBilder", "Height"), "400");
    form->SatzeditorBilderClick(nullptr);
    ASSERT_NE(form->RecordViewDialogBilder->Form(), nullptr);
    EXPECT_EQ(form->RecordViewDialogBilder->Form()->Left(), 40);
    EXPECT_GE(form->RecordViewDialogBilder->Form()->Width(), 500);  // plus a scroll bar when the rows do not fit
    form->RecordViewDialogBilder->OKButtonClick(nullptr);

    form->Hide();
    Beenden();
}

}  // namespace

namespace {

TEST_F(StartTest, GridEditModeColoursAndPickLists)
{
    StartenUndZeigen();
    // The stored mode (off): rows are selected whole; the command lets the
    // cells be edited.
    EXPECT_TRUE(form->DBGridBilder->Options().Contains(dgRowSelect));
    form->EditiermodusTabelle1Click(nullptr);
    EXPECT_FALSE(form->DBGridBilder->Options().Contains(dgRowSelect));
    form->EditiermodusTabelle1Click(nullptr);
    EXPECT_TRUE(form->DBGridBilder->Options().Contains(dgRowSelect));

    // Program-filled fields take the info colour, user fields the optional
    // colour; without the colour system both are plain.
    EXPECT_EQ(form->DBEditBytes->Color(), TColor(0x00FFFF));
    EXPECT_EQ(form->DBEditShortDesc->Color(), TColor(0x00FF00));
    form->Einstellungen().Setzen("FarbSystemBenutzen", false);
    form->FeldfarbenSetzen();
    EXPECT_EQ(form->DBEditShortDesc->Color(), clWindow);

    // The group and source lists of the options reach both combos of each.
    EXPECT_GT(form->DBComboboxBilderPlayListe->Items().Count(), 0);
    EXPECT_EQ(form->DBComboboxBilderPlayListe2->Items().Count(), form->DBComboboxBilderPlayListe->Items().Count());
    EXPECT_GT(form->DBComboBoxBildQuelle2->Items().Count(), 0);
    Beenden();
}

}  // namespace
