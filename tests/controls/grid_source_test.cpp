// Date edits floating over the date column of an album grid that the test
// builds: attaching makes one grid source per grid, the editor stands on the
// current cell of its column, typing opens it there with the typed digit,
// navigation keys and clicks hide it until the grid is painted again, the
// other rows show painted copies with their own dates, a panel passes its
// mouse on, and detaching the last editor gives the grid back.

#include <QLineEdit>

#include "album_fixture.h"
#include "controls/db_date_edit.h"
#include "controls/grid_source.h"
#include "datagrid/dk_db_grid.h"

namespace {

class GridSourceTest : public lxcontrols_test::AlbumControlsTest {
protected:
    void SetUp() override
    {
        AlbumControlsTest::SetUp();
        const char* dates[] = {"20240315", "20230101", "19991231", "20261209"};
        OpenAlbum(4, [&](int i) {
            dbe_Replace("AUFNDATUM", DBE_REPL_DTOS, dates[i]);
            dbe_Replace("SHORTDESC", DBE_REPL_TEXT, ("Bild " + std::to_string(i + 1)).c_str());
        });
        for (int i = 0; i < table.FieldCount(); ++i) {
            const QString n = table.Fields(i)->FieldName;
            table.Fields(i)->SetVisible(n == "SHORTDESC" || n == "AUFNDATUM" || n == "OWNER");
        }
        table.FieldByName("SHORTDESC")->SetDisplayWidth(12);
        form->Name = "GridForm";
        form->SetBounds(100, 100, 520, 300);
        grid = new TdkDBGrid(form.get());
        grid->Name = "Grid";
        grid->SetParent(form.get());
        grid->SetBounds(10, 10, 480, 200);
        grid->SetDataSource(&source);
        edit = NewEdit("DatumEdit");
        ShowForm();
    }
    TDBDateEditPlus* NewEdit(const QString& name)
    {
        auto* e = new TDBDateEditPlus(form.get());
        e->Name = name;
        e->SetParent(form.get());
        e->SetBounds(20, 230, 120, 24);
        e->SetDataSource(&source);
        e->SetDataField("AUFNDATUM");
        e->GridParent()->SetGrid(grid);
        e->GridParent()->SetField("AUFNDATUM");
        return e;
    }
    TGridSource* Source() const { return TGridSource::FindSource(form.get(), grid); }
    int DateCol() const
    {
        for (int i = 0; i < grid->GetFieldCount(); ++i)
            if (grid->GetFields(i)->FieldName == "AUFNDATUM")
                return grid->IndicatorOffset() + i;
        return -1;
    }
    // Paints the grid as the screen would.
    void Paint() { grid->Handle()->grab(); }
    void FocusDateCell()
    {
        Focus(grid);
        grid->SetCol(DateCol());
        Paint();
    }

    TdkDBGrid* grid = nullptr;
    TDBDateEditPlus* edit = nullptr;
};

TEST_F(GridSourceTest, LoadingAttachesAndEachGridHasOneSource)
{
    EXPECT_EQ(Source(), nullptr);
    edit->Loaded();
    ASSERT_NE(Source(), nullptr);
    EXPECT_TRUE(Source()->Active());
    EXPECT_TRUE(edit->GridParent()->Attached());
    EXPECT_EQ(edit->Parent(), grid);
    EXPECT_FALSE(edit->Visible());
    TDBDateEditPlus* zweites = NewEdit("DatumEdit2");
    zweites->Loaded();
    EXPECT_EQ(Source()->Floaters()->Count(), 2);
    EXPECT_EQ(Source()->Floaters()->Find(zweites), zweites->GridParent()->Floater());

    Source()->Name = "GridSource1";
    TGridSource noch(form.get());
    try {
        noch.SetGrid(grid);
        FAIL() << "a second source took the grid";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "There is already a GridSource attached to this grid. <GridSource1>");
    }
    EXPECT_EQ(noch.Grid(), nullptr);

    // Detaching the last editor stops the source; the editors go home.
    TGridSource* s = Source();
    zweites->GridParent()->SetAttached(false);
    EXPECT_TRUE(s->Active());
    edit->GridParent()->SetAttached(false);
    EXPECT_FALSE(s->Active());
    EXPECT_EQ(edit->Parent(), form.get());
    EXPECT_EQ(zweites->Parent(), form.get());
    // The grid's keys are its own again: Down moves the row, nothing else.
    FocusDateCell();
    EXPECT_FALSE(edit->Visible());
}

TEST_F(GridSourceTest, TheEditorStandsOnTheCurrentCellOfItsColumnAndTakesATypedDigit)
{
    edit->Loaded();
    FocusDateCell();
    TFloater* f = edit->GridParent()->Floater();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Col, DateCol());
    // The focused grid shows the editor still over the current cell.
    EXPECT_TRUE(edit->Visible());
    const TRect zelle = grid->CellRect(DateCol(), grid->Row());
    EXPECT_EQ(edit->BoundsRect(), zelle);
    EXPECT_TRUE(f->CurrentRow);

    // A digit typed into the grid opens the editor live and reaches it.
    QTest::keyClick(grid->Handle(), Qt::Key_2, Qt::NoModifier);
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(table.State(), dsEdit);
    EXPECT_TRUE(edit->Edit()->text().startsWith("2")) << edit->Edit()->text().toStdString();
    SaveShot(form->Handle(), "grid_source_live_editor");
}

TEST_F(GridSourceTest, ArrowKeysHideTheEditorUntilThePaintPutsItOnTheNewRow)
{
    edit->Loaded();
    FocusDateCell();
    ASSERT_TRUE(edit->Visible());
    TFloater* f = edit->GridParent()->Floater();
    bool sichtbarNachTaste = true;
    f->OnGridMessage = [&](TGridSource*, QEvent* e) {
        if (e->type() == QEvent::KeyPress)
            sichtbarNachTaste = edit->Visible();
    };
    const int zeile = grid->Row();
    QTest::keyClick(grid->Handle(), Qt::Key_Down);
    EXPECT_FALSE(sichtbarNachTaste);
    EXPECT_EQ(grid->Row(), zeile + 1);
    Paint();
    EXPECT_TRUE(edit->Visible());
    EXPECT_EQ(edit->Top(), grid->CellRect(DateCol(), zeile + 1).Top);
    EXPECT_EQ(edit->Edit()->text(), "01.01.2023");
    // Another column: the editor of the date column stays away.
    QTest::keyClick(grid->Handle(), Qt::Key_Left);
    Paint();
    EXPECT_FALSE(edit->Visible());
}

TEST_F(GridSourceTest, AClickInTheGridHidesTheEditorAndOpensNoGridEditor)
{
    edit->Loaded();
    FocusDateCell();
    ASSERT_TRUE(edit->Visible());
    const TRect ziel = grid->CellRect(DateCol(), grid->Row() + 2);
    QTest::mouseClick(grid->Handle(), Qt::LeftButton, {}, QPoint(ziel.Left + 5, ziel.Top + 5));
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_TRUE(grid->TCustomGrid::Options().Contains(goEditing));  // put back after the click
    Paint();
    EXPECT_TRUE(edit->Visible());
    EXPECT_EQ(edit->Top(), ziel.Top);
}

TEST_F(GridSourceTest, AlwaysShownEditorsPaintEachRowsOwnDateIntoItsCell)
{
    edit->GridParent()->SetShowWhen(swAlways);
    edit->Loaded();
    std::vector<std::pair<int, QString>> gemalt;
    const auto malen = edit->GridParent()->PaintCopy;
    edit->GridParent()->PaintCopy = [&](QPainter& p, const QRect& cell, bool selected) {
        gemalt.emplace_back(cell.top(), edit->GetDisplayText(true));
        malen(p, cell, selected);
    };
    Focus(grid);
    grid->SetCol(1);  // the description column: the date column is not edited
    Paint();
    const QImage bild = SaveShot(form->Handle(), "grid_source_painted_copies");
    std::map<int, QString> jeZeile(gemalt.begin(), gemalt.end());
    std::vector<QString> erwartet;
    for (table.First(); !table.Eof(); table.Next())
        erwartet.push_back(edit->GetDisplayText(true));
    table.First();
    ASSERT_EQ(jeZeile.size(), 4u);
    int i = 0;
    for (const auto& [top, text] : jeZeile) {
        EXPECT_EQ(top, grid->CellRect(DateCol(), grid->FixedRows() + i).Top);
        EXPECT_EQ(text, erwartet[size_t(i)]) << i;
        ++i;
    }
    EXPECT_EQ(erwartet[2], "31.12.1999");
    // The copies are really on the picture: row 3's cell is not the grid's white.
    const TRect zelle = grid->CellRect(DateCol(), grid->FixedRows() + 2);
    const QPoint imFormular = grid->Handle()->mapTo(form->Handle(), QPoint(zelle.Left + 1, zelle.Top + 1));
    EXPECT_EQ(bild.pixelColor(imFormular), ColorToQColor(edit->Color()));
}

TEST_F(GridSourceTest, TheSelectedCellNeedsTheCurrentRowAndColumn)
{
    grid->SetOptions(TdkDBGridOptions(grid->Options()).Include(dgAlwaysShowSelection));
    edit->Loaded();
    EXPECT_FALSE(edit->GridParent()->IsSelectedCell());  // never placed yet
    FocusDateCell();
    EXPECT_TRUE(edit->GridParent()->IsSelectedCell());
    grid->SetCol(1);
    EXPECT_FALSE(edit->GridParent()->IsSelectedCell());
    grid->SetOptions(TdkDBGridOptions(grid->Options()).Include(dgRowSelect));
    EXPECT_TRUE(edit->GridParent()->IsSelectedCell());
}

TEST_F(GridSourceTest, AColumnScrolledOutToTheLeftHidesItsEditor)
{
    for (int i = 0; i < table.FieldCount(); ++i)
        table.Fields(i)->SetVisible(true);
    edit->Loaded();
    FocusDateCell();
    Paint();
    TFloater* f = edit->GridParent()->Floater();
    ASSERT_GT(f->Col, grid->IndicatorOffset());
    grid->SetCol(f->Col);
    Paint();
    ASSERT_TRUE(edit->Visible());
    grid->SetCol(grid->ColCount() - 1);  // scrolls to the last field
    Paint();
    ASSERT_GT(grid->LeftCol(), f->Col);
    EXPECT_FALSE(edit->Visible());
}

TEST_F(GridSourceTest, APanelHostsTheEditorAndPassesItsMouseOn)
{
    edit->GridParent()->SetUsePanel(true);
    edit->Loaded();
    TFloater* f = edit->GridParent()->Floater();
    ASSERT_NE(f->Panel(), nullptr);
    EXPECT_EQ(edit->Parent(), f->Panel());
    EXPECT_EQ(f->Panel()->Parent(), grid);
    FocusDateCell();
    ASSERT_TRUE(f->Panel()->Visible());
    EXPECT_EQ(f->Panel()->Left(), grid->CellRect(DateCol(), grid->Row()).Left);
    // A press on the panel's edge reaches the editor.
    int gedrueckt = 0;
    edit->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int X, int Y) {
        ++gedrueckt;
        EXPECT_EQ(QPoint(X, Y), QPoint(1, 1));
    };
    f->Panel()->MouseDown(mbLeft, TShiftState(), f->Panel()->Width() - 1, 0);
    EXPECT_GE(gedrueckt, 1);
    // Without the panel the editor goes straight onto the grid.
    edit->GridParent()->SetUsePanel(false);
    EXPECT_EQ(f->Panel(), nullptr);
    EXPECT_EQ(edit->Parent(), grid);
}

TEST_F(GridSourceTest, AGridThatGoesGivesItsEditorsBack)
{
    edit->GridParent()->SetUsePanel(true);
    edit->Loaded();
    FocusDateCell();
    TGridSource* s = Source();
    ASSERT_NE(s, nullptr);
    delete grid;
    grid = nullptr;
    EXPECT_FALSE(s->Active());
    EXPECT_EQ(s->Grid(), nullptr);
    EXPECT_EQ(edit->GridParent()->Grid(), nullptr);
    EXPECT_FALSE(edit->GridParent()->Attached());
    EXPECT_EQ(edit->Parent(), form.get());
    // The editor lives on and works on its own.
    edit->SetVisible(true);
    Focus(edit);
    EXPECT_TRUE(edit->Focused());
}

TEST_F(GridSourceTest, PlacingTheEditorsAsksForNoFurtherPaint)
{
    // One editor live on its cell, one on a panel painted into every row.
    table.FieldByName("FILEDATE")->SetVisible(true);
    edit->Loaded();
    TDBDateEditPlus* kopien = NewEdit("DatumKopien");
    kopien->SetDataField("FILEDATE");
    kopien->GridParent()->SetField("FILEDATE");
    kopien->GridParent()->SetShowWhen(swAlways);
    kopien->GridParent()->SetUsePanel(true);
    kopien->Loaded();
    FocusDateCell();
    QTest::keyClick(grid->Handle(), Qt::Key_F2);
    int malen = 0;
    edit->GridParent()->Floater()->OnGridMessage = [&](TGridSource*, QEvent* e) { malen += e->type() == QEvent::Paint; };
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    malen = 0;
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(malen, 0);
    EXPECT_TRUE(edit->Focused());
    EXPECT_GE(kopien->GridParent()->Floater()->Col, grid->IndicatorOffset());
}

}  // namespace

namespace {

// The share of the widget's pixels in the colour.
double Anteil(const QImage& bild, const QColor& farbe)
{
    int n = 0;
    for (int y = 0; y < bild.height(); ++y)
        for (int x = 0; x < bild.width(); ++x)
            n += bild.pixelColor(x, y) == farbe;
    return double(n) / (bild.width() * bild.height());
}

// The unfocused editor on a grid cell frames its text area with a dotted
// line in the text colour: along the area's top and left edges pixels of
// that colour alternate with others.
bool DottedFrame(const QImage& bild, TDBDateEditPlus* edit, const QColor& stift)
{
    const int rand = edit->Edit()->hasFrame() ? 2 : 0;
    QRect text = edit->Edit()->rect().adjusted(rand, rand, -rand, -rand);
    if (edit->ButtonVisible())
        text.setRight(edit->ButtonRect().Left - 1);
    int oben = 0, links = 0;
    for (int x = text.left(); x <= text.right(); ++x)
        oben += bild.pixelColor(x, text.top()) == stift;
    for (int y = text.top(); y <= text.bottom(); ++y)
        links += bild.pixelColor(text.left(), y) == stift;
    return oben >= text.width() / 4 && oben < text.width() && links >= text.height() / 4 && links < text.height();
}

}  // namespace

TEST_F(GridSourceTest, TheUnfocusedEditorOnTheSelectedCellShowsTheHighlightColours)
{
    grid->SetOptions(TdkDBGridOptions(grid->Options()).Include(dgAlwaysShowSelection));
    edit->Loaded();
    FocusDateCell();
    ASSERT_TRUE(edit->Visible());
    ASSERT_FALSE(edit->Focused());
    ASSERT_TRUE(edit->GridParent()->IsSelectedCell());
    TColor grund = clNone, schrift = clNone;
    edit->SelectPaintColors(grund, schrift);
    EXPECT_EQ(grund, clHighlight);
    EXPECT_EQ(schrift, clHighlightText);
    QImage bild = SaveShot(edit->Edit(), "grid_source_selected_cell_editor");
    SaveShot(form->Handle(), "grid_source_selected_cell");
    EXPECT_GT(Anteil(bild, ColorToQColor(clHighlight)), 0.3);
    EXPECT_TRUE(DottedFrame(bild, edit, ColorToQColor(clHighlightText)));

    // Another column: the cell is not selected and the editor, when shown,
    // has its own colours.
    grid->SetCol(1);
    edit->SelectPaintColors(grund, schrift);
    EXPECT_EQ(grund, edit->Color());
    EXPECT_EQ(schrift, edit->Font()->Color());

    // Focused the editor shows the window colours for typing.
    grid->SetCol(DateCol());
    Paint();
    QTest::keyClick(grid->Handle(), Qt::Key_2, Qt::NoModifier);
    ASSERT_TRUE(edit->Focused());
    bild = edit->Edit()->grab().toImage();
    SaveShot(form->Handle(), "grid_source_selected_cell_focused");
    EXPECT_LT(Anteil(bild, ColorToQColor(clHighlight)), 0.1);
    EXPECT_GT(Anteil(bild, ColorToQColor(edit->Color())), 0.3);
    EXPECT_FALSE(DottedFrame(bild, edit, ColorToQColor(edit->Font()->Color())));  // the edit types: no frame
}

TEST_F(GridSourceTest, WithoutTheSelectionShownTheUnfocusedEditorKeepsItsColours)
{
    edit->Loaded();
    FocusDateCell();
    ASSERT_TRUE(edit->Visible());
    ASSERT_FALSE(edit->GridParent()->IsSelectedCell());
    const QImage bild = edit->Edit()->grab().toImage();
    EXPECT_LT(Anteil(bild, ColorToQColor(clHighlight)), 0.1);
    EXPECT_GT(Anteil(bild, ColorToQColor(edit->Color())), 0.3);
    EXPECT_TRUE(DottedFrame(bild, edit, ColorToQColor(edit->Font()->Color())));
}

TEST_F(GridSourceTest, TabAndASecondEscapeInTheEditorGoToTheGrid)
{
    edit->Loaded();
    FocusDateCell();
    QTest::keyClick(grid->Handle(), Qt::Key_2, Qt::NoModifier);
    ASSERT_TRUE(edit->Focused());
    // Shift+Tab: the grid takes the focus and moves one column back.
    QTest::keyClick(edit->Edit(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(grid->Focused());
    EXPECT_FALSE(edit->Focused());
    EXPECT_EQ(grid->Col(), DateCol() - 1);

    // Back on the date: the first Escape undoes the typing, the second
    // reaches the grid.
    grid->SetCol(DateCol());
    Paint();
    QTest::keyClick(grid->Handle(), Qt::Key_1, Qt::NoModifier);
    ASSERT_TRUE(edit->Focused());
    QTest::keyClick(edit->Edit(), Qt::Key_Escape);
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(edit->Edit()->text(), "02.03.2024");  // the day typed before Tab stays
    QTest::keyClick(edit->Edit(), Qt::Key_Escape);
    EXPECT_TRUE(grid->Focused());
    EXPECT_FALSE(edit->Focused());
}

TEST_F(GridSourceTest, OverAGridTheGridsEditingDecidesWhetherTheEditorChanges)
{
    struct Fall {
        bool gridReadOnly;
        bool editing;
        bool erwartet;
    };
    edit->Loaded();
    for (const Fall& f : {Fall{false, true, true}, Fall{true, true, false}, Fall{false, false, false}}) {
        grid->SetReadOnly(f.gridReadOnly);
        TdkDBGridOptions o(grid->Options());
        grid->SetOptions(f.editing ? o.Include(dgEditing) : o.Exclude(dgEditing));
        EXPECT_EQ(edit->CanModify(), f.erwartet) << f.gridReadOnly << f.editing;
    }
    grid->SetReadOnly(false);
    grid->SetOptions(TdkDBGridOptions(grid->Options()).Include(dgEditing));
    // Typing into the editor of a read-only grid changes nothing.
    FocusDateCell();
    QTest::keyClick(grid->Handle(), Qt::Key_2, Qt::NoModifier);
    ASSERT_TRUE(edit->Focused());
    QTest::keyClick(edit->Edit(), Qt::Key_Escape);
    grid->SetReadOnly(true);
    const QString vorher = edit->Edit()->text();
    QTest::keyClick(edit->Edit(), Qt::Key_3);
    EXPECT_EQ(edit->Edit()->text(), vorher);
}

TEST_F(GridSourceTest, LeavingTheEditorForItsGridHidesItUntilTheGridPlacesItAgain)
{
    edit->Loaded();
    FocusDateCell();
    QTest::keyClick(grid->Handle(), Qt::Key_2, Qt::NoModifier);
    ASSERT_TRUE(edit->Focused());
    QTest::keyClick(edit->Edit(), Qt::Key_Escape);
    QTest::keyClick(edit->Edit(), Qt::Key_Escape);
    ASSERT_TRUE(grid->Focused());
    EXPECT_FALSE(edit->Visible());
    EXPECT_FALSE(edit->Handle()->isVisible());
    // The grid's next paint shows it still over the current cell.
    Paint();
    EXPECT_TRUE(edit->Visible());
    EXPECT_EQ(edit->BoundsRect(), grid->CellRect(DateCol(), grid->Row()));
    EXPECT_FALSE(edit->Focused());
}

TEST_F(GridSourceTest, OverAGridABdFocusedButtonShowsAlsoWhileTheEditorIsNotFocused)
{
    edit->SetButtonDisplay(bdFocused);
    ASSERT_EQ(edit->ControlCount(), 1);
    QWidget* button = edit->Controls(0)->Handle();
    EXPECT_FALSE(button->isVisible());  // on the form, unfocused
    edit->Loaded();
    FocusDateCell();
    ASSERT_TRUE(edit->Visible());
    ASSERT_FALSE(edit->Focused());
    EXPECT_TRUE(button->isVisible());
    EXPECT_GT(edit->Edit()->textMargins().right(), 0);
    SaveShot(form->Handle(), "grid_source_bdfocused_button");
}
