// Spin edits: limits, stepping with keys and the repeating halves, the
// editor switched off, read-only, the bound spin edit on an album's
// number field, run-time dragging within the parent and the ini position.

#include <QLineEdit>
#include <QToolButton>

#include "album_fixture.h"
#include "controls/date_routines.h"
#include "controls/spin_edit.h"
#include "controls_fixture.h"
#include "platform/core/ini_file.h"

namespace {

class SpinEditTest : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        spin = new TswSpinEdit(form.get());
        spin->SetParent(form.get());
        spin->SetBounds(20, 20, 80, 23);
        ShowForm();
    }
    QWidget* UpHalf() const { return spin->Button()->UpButton()->Handle(); }
    TswSpinEdit* spin = nullptr;
};

}  // namespace

TEST_F(SpinEditTest, StartsAtZeroAndClampsOnLeaving)
{
    EXPECT_EQ(spin->Text(), "0");
    spin->MinValue = 1;
    spin->MaxValue = 10;
    Focus(spin);
    QTest::keyClick(spin->Edit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin->Edit(), "15");
    EXPECT_EQ(spin->Text(), "15");
    Leave();
    EXPECT_EQ(spin->Text(), "10");
    spin->SetText("abc");
    EXPECT_EQ(spin->Value(), 1);
    // Equal limits: no limits.
    spin->MinValue = spin->MaxValue = 0;
    spin->SetValue(-12345);
    EXPECT_EQ(spin->Value(), -12345);
}

TEST_F(SpinEditTest, ArrowKeysAndTheHalvesStepByTheIncrement)
{
    spin->Increment = 5;
    Focus(spin);
    QTest::keyClick(spin->Edit(), Qt::Key_Up);
    QTest::keyClick(spin->Edit(), Qt::Key_Up);
    EXPECT_EQ(spin->Value(), 10);
    QTest::keyClick(spin->Edit(), Qt::Key_Down);
    EXPECT_EQ(spin->Value(), 5);
    QTest::mouseClick(UpHalf(), Qt::LeftButton, {}, UpHalf()->rect().center());
    EXPECT_EQ(spin->Value(), 10);
    QWidget* down = spin->Button()->DownButton()->Handle();
    QTest::mouseClick(down, Qt::LeftButton, {}, down->rect().center());
    EXPECT_EQ(spin->Value(), 5);
    // The limits hold for the steps too.
    spin->MinValue = 0;
    spin->MaxValue = 7;
    QTest::keyClick(spin->Edit(), Qt::Key_Up);
    EXPECT_EQ(spin->Value(), 7);
}

TEST_F(SpinEditTest, HeldHalfRepeatsAfter400ThenEvery100AndOnceOnRelease)
{
    QTest::mousePress(UpHalf(), Qt::LeftButton, {}, UpHalf()->rect().center());
    TTimer* t = spin->Button()->UpButton()->RepeatTimer();
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->Enabled());
    EXPECT_EQ(t->Interval(), 400);
    EXPECT_EQ(spin->Value(), 0);
    t->Timer();
    EXPECT_EQ(t->Interval(), 100);
    EXPECT_EQ(spin->Value(), 1);
    t->Timer();
    EXPECT_EQ(spin->Value(), 2);
    QTest::mouseRelease(UpHalf(), Qt::LeftButton, {}, UpHalf()->rect().center());
    EXPECT_FALSE(t->Enabled());
    EXPECT_EQ(spin->Value(), 3);
    // Not down any more: a late tick does nothing.
    t->Timer();
    EXPECT_EQ(spin->Value(), 3);
}

TEST_F(SpinEditTest, EditorSwitchedOffRefusesTypingButSteps)
{
    spin->EditorEnabled = false;
    Focus(spin);
    const int beeps = ControlBeepCount();
    QTest::keyClicks(spin->Edit(), "5x");
    EXPECT_EQ(spin->Text(), "0");
    EXPECT_EQ(ControlBeepCount() - beeps, 2);
    QTest::keyClick(spin->Edit(), Qt::Key_Up);
    EXPECT_EQ(spin->Value(), 1);
    spin->EditorEnabled = true;
    QTest::keyClick(spin->Edit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin->Edit(), "-4x");
    EXPECT_EQ(spin->Text(), "-4");
}

TEST_F(SpinEditTest, ReadOnlyBeepsOnEveryStep)
{
    spin->SetValue(3);
    spin->SetReadOnly(true);
    const int beeps = ControlBeepCount();
    spin->UpClick(spin);
    QTest::mouseClick(UpHalf(), Qt::LeftButton, {}, UpHalf()->rect().center());
    EXPECT_EQ(spin->Value(), 3);
    EXPECT_EQ(ControlBeepCount() - beeps, 2);
    SaveShot(form->Handle(), "spin_edit");
}

namespace {

class DbSpinEditTest : public SpinEditTest {
protected:
    void SetUp() override
    {
        SpinEditTest::SetUp();
        ASSERT_EQ(InstallDatabaseBridge(), DBIERR_NONE);
        lxcontrols_test::MakeAlbum(dir, 2, [](int i) {
            int32_t w = i == 0 ? 640 : 1024;
            dbe_Replace("BREITE", DBE_REPL_LONG, &w);
        });
        table.SetDatabaseName(LinuxToWinOrSelf(QString::fromStdString(dir.str())));
        table.SetTableName("BILDER.DBF");
        table.Open();
        source.SetDataSet(&table);
        db = new TswDBSpinEdit(form.get());
        db->Name = "Spin1";
        db->SetParent(form.get());
        db->SetBounds(20, 80, 80, 23);
        db->SetDataSource(&source);
        db->SetDataField("BREITE");
    }
    void TearDown() override
    {
        form.reset();
        source.SetDataSet(nullptr);
        table.Close();
        UninstallDatabaseBridge();
        SpinEditTest::TearDown();
    }
    std::string ReadWidths() { return lxcontrols_test::ReadColumn(dir, "BREITE"); }
    lxtest::TempDir dir;
    TdkTable table;
    TDataSource source;
    TswDBSpinEdit* db = nullptr;
};

}  // namespace

TEST_F(DbSpinEditTest, FollowsTheRecordAndWritesTheSteppedValue)
{
    EXPECT_EQ(db->Value(), 640);
    table.Next();
    EXPECT_EQ(db->Value(), 1024);
    table.First();
    Focus(db);
    EXPECT_EQ(table.State(), dsEdit);
    QTest::keyClick(db->Edit(), Qt::Key_Up);
    QTest::keyClick(db->Edit(), Qt::Key_Up);
    EXPECT_EQ(db->Value(), 642);
    Leave();
    table.Post();
    EXPECT_EQ(ReadWidths(), "642\n1024\n");
}

TEST_F(DbSpinEditTest, EscapeRestoresTheFieldAndLettersAreRefused)
{
    Focus(db);
    QTest::keyClick(db->Edit(), Qt::Key_Up);
    EXPECT_EQ(db->Value(), 641);
    QTest::keyClick(db->Edit(), Qt::Key_Escape);
    EXPECT_EQ(db->Value(), 640);
    const int beeps = ControlBeepCount();
    QTest::keyClicks(db->Edit(), "a");
    EXPECT_EQ(ControlBeepCount() - beeps, 1);
    EXPECT_EQ(db->Value(), 640);
}

TEST_F(DbSpinEditTest, DragStaysInsideTheParentAndReportsOnlyAMove)
{
    db->AllowDrag = true;
    int moves = 0;
    db->OnComponentPositionChanged = [&](TObject*) { ++moves; };
    QTest::mousePress(db->Edit(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(db->Edit(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(moves, 0);
    db->MoveWithinParent(-500, -500);
    EXPECT_EQ(db->Left(), 0);
    EXPECT_EQ(db->Top(), 0);
    db->MoveWithinParent(10000, 10000);
    EXPECT_EQ(db->Left(), form->ClientWidth() - db->Width());
    EXPECT_EQ(db->Top(), form->ClientHeight() - db->Height());
    db->SetBounds(50, 50, 80, 23);
    QTest::mousePress(db->Edit(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(db->Edit(), QPoint(15, 12));
    QTest::mouseRelease(db->Edit(), Qt::LeftButton, {}, QPoint(15, 12));
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(db->Left(), 60);
    EXPECT_EQ(db->Top(), 57);
}

TEST_F(DbSpinEditTest, AvoidanceStepsAwayFromThePointer)
{
    db->SetBounds(50, 50, 80, 23);
    db->AvoidMouse(40, 22);  // bottom edge, middle third
    EXPECT_EQ(db->Top(), 49);
    db->AvoidMouse(2, 2);  // upper left quarter
    EXPECT_EQ(db->Left(), 51);
    EXPECT_EQ(db->Top(), 50);
}

TEST_F(DbSpinEditTest, PositionInAnIniFile)
{
    db->SetIniFileName("Pos");
    EXPECT_EQ(db->IniFileName(), "Pos.INI");
    db->SetIniFileName("Pos.cfg");
    EXPECT_EQ(db->IniFileName(), "Pos.cfg");

    const QString file = LinuxToWinOrSelf(QString::fromStdString((dir / "spin.ini").string()));
    db->SetBounds(30, 40, 90, 25);
    EXPECT_FALSE(db->LoadFromIni(file));
    EXPECT_EQ(db->BoundsRect(), Bounds(30, 40, 90, 25));
    ASSERT_TRUE(db->SaveToIni(file));
    {
        TMemIniFile ini(file);
        EXPECT_EQ(ini.ReadInteger("Spin1Left", "Left", -1), 30);
        EXPECT_EQ(ini.ReadInteger("Spin1Align", "Align", -1), 0);
    }
    db->SetBounds(1, 2, 60, 23);
    EXPECT_TRUE(db->LoadFromIni(file));
    EXPECT_EQ(db->BoundsRect(), Bounds(30, 40, 90, 25));

    // Only one section: the other values stay.
    const QString partial = LinuxToWinOrSelf(QString::fromStdString((dir / "part.ini").string()));
    lxtest::WriteFile(dir / "part.ini", "[Spin1Top]\r\nTop=77\r\n");
    EXPECT_TRUE(db->LoadFromIni(partial));
    EXPECT_EQ(db->BoundsRect(), Bounds(30, 77, 90, 25));
}

TEST_F(SpinEditTest, NeverLowerThanItsFont)
{
    spin->SetBounds(20, 20, 80, 5);
    EXPECT_EQ(spin->Height(), spin->MinimumHeight());
    EXPECT_GT(spin->Height(), 5);
    TFont big;
    big.SetHeight(-30);
    spin->SetFont(&big);
    spin->SetBounds(20, 20, 80, 23);
    EXPECT_GT(spin->Height(), 30);
    // The spin button stays inside the edit at its right.
    const TswSpinButton* b = spin->Button();
    EXPECT_LE(b->Left() + b->Width(), spin->Width());
    EXPECT_LE(b->Top() + b->Height(), spin->Height());
}

TEST_F(SpinEditTest, SpinButtonKeysAndHalves)
{
    auto* sb = new TswSpinButton(form.get());
    sb->SetParent(form.get());
    sb->SetTabStop(true);
    sb->SetBounds(200, 20, 10, 30);
    EXPECT_EQ(sb->Width(), 15);  // never narrower than 15
    EXPECT_EQ(sb->UpButton()->Height(), 15);
    EXPECT_EQ(sb->DownButton()->Top(), 14);  // the halves share one row
    EXPECT_EQ(sb->DownButton()->Height(), 16);
    int ups = 0, downs = 0;
    sb->OnUpClick = [&](TObject*) { ++ups; };
    sb->OnDownClick = [&](TObject*) { ++downs; };
    Focus(sb);
    ASSERT_TRUE(sb->Focused());
    EXPECT_TRUE(sb->UpButton()->FocusRect());
    QTest::keyClick(sb->Handle(), Qt::Key_Down);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(sb->FocusedButton(), sb->DownButton());
    EXPECT_TRUE(sb->DownButton()->FocusRect());
    EXPECT_FALSE(sb->UpButton()->FocusRect());
    QTest::keyClick(sb->Handle(), Qt::Key_Space);
    EXPECT_EQ(downs, 2);
    QTest::keyClick(sb->Handle(), Qt::Key_Up);
    EXPECT_EQ(ups, 1);
    sb->SetUpGlyph(nullptr);
    EXPECT_EQ(sb->UpGlyph()->Width(), 11);
    EXPECT_EQ(sb->UpGlyph()->Height(), 8);
}
