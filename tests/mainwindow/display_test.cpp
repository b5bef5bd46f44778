// The album display: the byte sum's grouping, row and title colours, the
// single-record view, the page switching, and screenshots of the window.

#include "start_fixture.h"

#include "platform/ui/com_ctrls.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
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
    form->Einstellungen.Setzen("NichtDaRowColors", true);
    EXPECT_EQ(form->ZeilenFarbe(0, false, clWindow), rot);
    EXPECT_EQ(form->ZeilenFarbe(1, false, clWindow), rot);
    form->Einstellungen.Setzen("FarbSystemBenutzen", false);
    EXPECT_EQ(form->ZeilenFarbe(1, false, clWindow), clWindow);

    form->Einstellungen.Setzen("FarbSystemBenutzen", true);
    ASSERT_TRUE(form->TableBilder->Active());
    form->BilderIndexDaten();
    ASSERT_GT(form->IndexTagListe.Count(), 0);
    EXPECT_EQ(form->TitelFarbe("SHORTDESC", clBtnFace), TColor(0x00FFFF));
    EXPECT_EQ(form->TitelFarbe("GIBTESNICHT", clBtnFace), TColor(0x00FF00));
    form->MenuItem("NurverfuegbareBilderanzeigen1")->SetChecked(true);
    const bool mitZwei = form->IndexTagListe.IndexOf("SHORTDESC2") >= 0;
    EXPECT_EQ(form->TitelFarbe("SHORTDESC", clBtnFace), mitZwei ? TColor(0x00FFFF) : clBtnFace);
}

TEST_F(StartTest, SingleRecordViewAndPages)
{
    StartenUndZeigen();
    EXPECT_TRUE(form->PageControlBilderdaten->Visible());
    form->Einzelsatzanzeige1Click(nullptr);
    EXPECT_FALSE(form->EinzelsatzAnzeige);
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
    StartenUndZeigen();
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
    form->Hide();
    Beenden();
}

}  // namespace
