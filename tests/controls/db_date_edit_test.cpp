// The data-aware date edit over the creation date of an album: it shows
// the current record's date, a typed or picked date starts editing and is
// written on post (read back with python3-dbfread), a bad date never
// reaches the field, a blank date clears it.

#include <QLineEdit>

#include "album_fixture.h"
#include "controls/db_date_edit.h"
#include "controls_fixture.h"

namespace {

class DbDateEditTest : public lxcontrols_test::AlbumControlsTest {
protected:
    void SetUp() override
    {
        AlbumControlsTest::SetUp();
        MakeAlbum();
        edit = new TDBDateEditPlus(form.get());
        edit->SetParent(form.get());
        edit->SetBounds(20, 20, 160, 24);
        edit->SetDataSource(&source);
        edit->SetDataField("AUFNDATUM");
        edit->OnBadDate = [this](TObject*, TBadDateAction&) { ++badDates; };
        ShowForm();
    }
    // Three entries: 15.03.2024, an empty date, 31.12.1999.
    void MakeAlbum()
    {
        const char* dates[] = {"20240315", "", "19991231"};
        OpenAlbum(3, [&](int i) {
            dbe_Replace("AUFNDATUM", DBE_REPL_DTOS, dates[i]);
            dbe_Replace("SHORTDESC", DBE_REPL_TEXT, "Bild");
        });
    }
    std::string ReadDates() { return lxcontrols_test::ReadColumn(dir, "AUFNDATUM"); }
    void Type(const QString& keys) { QTest::keyClicks(edit->Edit(), keys); }

    TDBDateEditPlus* edit = nullptr;
    int badDates = 0;
};

}  // namespace

TEST_F(DbDateEditTest, ShowsTheDateOfTheCurrentRecord)
{
    EXPECT_EQ(edit->Edit()->text(), "15.03.2024");
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 3, 15));
    EXPECT_FALSE(edit->Modified());
    table.Next();
    EXPECT_EQ(edit->Edit()->text(), "");
    EXPECT_TRUE(edit->Blank());
    table.Next();
    EXPECT_EQ(edit->Edit()->text(), "31.12.1999");
    EXPECT_EQ(table.State(), dsBrowse);
}

TEST_F(DbDateEditTest, TypedDateIsWrittenOnPostAndReadBackFromOutside)
{
    Focus(edit);
    Type("29.02");
    EXPECT_EQ(table.State(), dsEdit);
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 2, 29));
    Leave();
    EXPECT_EQ(badDates, 0);
    table.Post();
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(ReadDates(), "2024-02-29\nNone\n1999-12-31\n");
}

TEST_F(DbDateEditTest, BadDateIsNeverWrittenAndTheFieldComesBack)
{
    Focus(edit);
    Type("31.04");
    EXPECT_FALSE(edit->IsValid());
    Leave();
    EXPECT_EQ(badDates, 1);
    EXPECT_EQ(edit->Edit()->text(), "15.03.2024");
    if (table.State() == dsEdit)
        table.Post();
    EXPECT_EQ(ReadDates(), "2024-03-15\nNone\n1999-12-31\n");
}

TEST_F(DbDateEditTest, BlankDateClearsTheFieldOnlyWithCanBeBlank)
{
    Focus(edit);
    QTest::keyClick(edit->Edit(), Qt::Key_A, Qt::ControlModifier);
    const int beeps = ControlBeepCount();
    QTest::keyClick(edit->Edit(), Qt::Key_Delete);
    EXPECT_EQ(ControlBeepCount() - beeps, 1);
    EXPECT_EQ(edit->Edit()->text(), "15.03.2024");

    edit->CanBeBlank = true;
    QTest::keyClick(edit->Edit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit->Edit(), Qt::Key_Delete);
    EXPECT_EQ(edit->Edit()->text(), "");
    Leave();
    table.Post();
    EXPECT_EQ(ReadDates(), "None\nNone\n1999-12-31\n");
}

TEST_F(DbDateEditTest, EscapeRestoresTheStoredValue)
{
    Focus(edit);
    Type("01.01.2000");
    EXPECT_EQ(edit->Date(), EncodeDate(2000, 1, 1));
    QTest::keyClick(edit->Edit(), Qt::Key_Escape);
    EXPECT_EQ(edit->Edit()->text(), "15.03.2024");
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 3, 15));
}

TEST_F(DbDateEditTest, NoTypingWithoutAutoEditInBrowseState)
{
    source.AutoEdit = false;
    Focus(edit);
    const int beeps = ControlBeepCount();
    Type("3");
    EXPECT_EQ(edit->Edit()->text(), "15.03.2024");
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(ControlBeepCount(), beeps);  // consumed silently
}

TEST_F(DbDateEditTest, PickInTheCalendarStartsEditingAndMovingClosesIt)
{
    Focus(edit);
    edit->DropDown(ddsButton);
    TDropDownCalendar* cal = edit->GetCalendar();
    ASSERT_NE(cal, nullptr);
    const TPoint p = cal->DayCellCenter(1);
    QTest::mouseClick(cal->Handle(), Qt::LeftButton, {}, QPoint(p.X, p.Y));
    EXPECT_EQ(table.State(), dsEdit);
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 3, 1));
    table.Post();
    edit->DropDown(ddsButton);
    ASSERT_NE(edit->GetCalendar(), nullptr);
    table.Next();
    table.Next();
    EXPECT_EQ(edit->GetCalendar(), nullptr);
    EXPECT_EQ(edit->Edit()->text(), "31.12.1999");
    SaveShot(form->Handle(), "db_date_edit");
    EXPECT_EQ(ReadDates(), "2024-03-01\nNone\n1999-12-31\n");
}

TEST_F(DbDateEditTest, FieldDisplayFormatWhenUnfocused)
{
    edit->SetDisplayFormat(TDBDisplayFormat::dfFieldDisplayFormat);
    EXPECT_EQ(edit->Edit()->text(), "15.03.2024");
    auto* f = dynamic_cast<TDateField*>(edit->Field());
    ASSERT_NE(f, nullptr);
    f->DisplayFormat = "d. mmmm yyyy";
    edit->SetDisplayFormat(TDBDisplayFormat::dfFieldDisplayFormat);
    EXPECT_EQ(edit->Edit()->text(), QString::fromUtf8("15. März 2024"));
    Focus(edit);
    EXPECT_EQ(edit->Edit()->text(), "15.03.2024");
}

TEST_F(DbDateEditTest, DateBeyondTheYear9999IsNeverWritten)
{
    Focus(edit);
    edit->SetDate(EncodeDate(9999, 12, 31) + 800);
    EXPECT_FALSE(edit->IsValid());
    EXPECT_EQ(table.State(), dsEdit);
    Leave();
    EXPECT_EQ(badDates, 1);
    EXPECT_EQ(edit->Edit()->text(), "15.03.2024");
    if (table.State() == dsEdit)
        table.Post();
    EXPECT_EQ(ReadDates(), "2024-03-15\nNone\n1999-12-31\n");
}
