// The mark check boxes of the single-record view, clicked with the mouse, and
// the change handler of the user mark field.
#include "maintenance_fixture.h"

#include "datacontrols/dk_record_view.h"
#include "platform/data/field.h"
#include "platform/ui/com_ctrls.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

namespace {

std::vector<TTestEintrag> DreiEintraege()
{
    std::vector<TTestEintrag> e;
    for (int n = 1; n <= 3; ++n) {
        TTestEintrag t{"eintrag" + std::to_string(n)};
        t.Pfad = "C:\\Bilder\\bild" + std::to_string(n) + ".jpg";
        e.push_back(t);
    }
    return e;
}

// A left click on the box's tick square, as the user gives it.
void Anklicken(TCheckBox* box)
{
    QCheckBox* b = box->Box();
    QStyleOptionButton opt;
    opt.initFrom(b);
    const QRect feld = b->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, b);
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, feld.center());
}

void Bildschirmfoto(TCustomForm& f, const QString& name)
{
    const QImage img = f.Handle()->grab().toImage();
    const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(ordner);
    EXPECT_TRUE(img.save(ordner + "/" + name + ".png")) << name.toStdString();
}

}  // namespace

class MarksViewTest : public MaintenanceTest {
protected:
    void ZeigenAufZweitemEintrag()
    {
        AlbumAnlegen("TEST.DBF", DreiEintraege());
        Oeffnen();
        form->PageControlBilderdaten->SetActivePage(form->TabSheetBilderDBFTeil1);
        form->TableBilder->First();
        form->TableBilder->Next();
        Application->ProcessMessages();
        ASSERT_EQ(form->DbeBilder->RecNo(), 2u);
    }
};

TEST_F(MarksViewTest, ClickOnTheCdrAndHtmlBoxesWritesAndPostsTheField)
{
    ZeigenAufZweitemEintrag();
    for (auto [box, feld] : {std::pair{form->DBCheckBoxAnywhere, "ANYWHERE"}, std::pair{form->DBCheckBoxPrivat, "PRIVAT"}}) {
        Anklicken(box);
        EXPECT_TRUE(box->Checked()) << feld;
        EXPECT_EQ(form->TableBilder->State(), dsBrowse) << feld;
        const auto s = Lesen();
        EXPECT_EQ(s[1][feld], "T") << feld;
        EXPECT_EQ(s[0][feld], "F") << feld;
        EXPECT_EQ(s[2][feld], "F") << feld;
    }
    Bildschirmfoto(*form, "single_record_marks");
    // Ticked back: the field follows again.
    Anklicken(form->DBCheckBoxAnywhere);
    EXPECT_EQ(form->TableBilder->State(), dsBrowse);
    EXPECT_EQ(Lesen()[1]["ANYWHERE"], "F");
}

TEST_F(MarksViewTest, OtherButtonsOnTheCdrBoxPostNothing)
{
    ZeigenAufZweitemEintrag();
    form->TableBilder->Edit();
    form->TableBilder->FieldByName("ANYWHERE")->SetAsBoolean(true);
    form->DBCheckBoxAnywhereMouseUp(form->DBCheckBoxAnywhere, mbRight, TShiftState(), 5, 5);
    EXPECT_EQ(form->TableBilder->State(), dsEdit);
    EXPECT_EQ(Lesen()[1]["ANYWHERE"], "F");
    form->TableBilder->Cancel();
}

TEST_F(MarksViewTest, ClickOnTheUserMarkTellsWhereToMarkAndTheChangeIsPosted)
{
    ZeigenAufZweitemEintrag();
    form->StatusBarBilder1->Panels()->Items(1)->SetText("vorher");
    {
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "Kreuzen Sie dieses Feld bitte in der Tabelle an...");
        Anklicken(form->DBCheckBoxBildMarkiert);
        EXPECT_EQ(script.Pending(), 0u);
    }
    // The field's change handler posted the mark and counted the entries.
    EXPECT_EQ(form->TableBilder->State(), dsBrowse);
    EXPECT_EQ(Lesen()[1]["MARKIERT"], "T");
    EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text(), "3 von 3 Einträge angezeigt");
}

TEST_F(MarksViewTest, TheReachableBoxCannotBeChangedByHand)
{
    ZeigenAufZweitemEintrag();
    ASSERT_TRUE(form->DBCheckBoxBildImZugriff->Checked());
    {
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "Dieses Feld kann nicht manuell verändert werden!");
        script.Answer(TPromptKind::Message, mrOk, "Dieses Feld kann nicht manuell verändert werden!");
        Anklicken(form->DBCheckBoxBildImZugriff);
        form->DBCheckBoxBildImZugriffMouseUp(form->DBCheckBoxBildImZugriff, mbRight, TShiftState(), 5, 5);
        EXPECT_EQ(script.Pending(), 0u);
    }
    EXPECT_TRUE(form->DBCheckBoxBildImZugriff->Checked());
    EXPECT_EQ(form->TableBilder->State(), dsBrowse);
    EXPECT_EQ(Lesen()[1]["ZUGRIFF"], "T");
}

TEST_F(MarksViewTest, TheUserMarkPostsItselfAlsoAfterTheAlbumIsOpenedAgain)
{
    ZeigenAufZweitemEintrag();
    for (int lauf = 0; lauf < 2; ++lauf) {
        form->StatusBarBilder1->Panels()->Items(1)->SetText("vorher");
        form->TableBilder->Edit();
        form->TableBilder->FieldByName("MARKIERT")->SetAsBoolean(lauf == 0);
        EXPECT_EQ(form->TableBilder->State(), dsBrowse) << lauf;
        EXPECT_EQ(form->StatusBarBilder1->Panels()->Items(1)->Text(), "3 von 3 Einträge angezeigt") << lauf;
        const auto s = Lesen();
        EXPECT_EQ(s[form->DbeBilder->RecNo() - 1]["MARKIERT"], lauf == 0 ? "T" : "F") << lauf;
        // The next open makes the fields anew.
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
}
