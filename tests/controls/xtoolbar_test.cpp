// Dockable toolbars: metrics, line building, floating shapes, dock lines
// and drops, orientation change, saved positions, and a screenshot.

#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>

#include "controls/xtoolbar.h"
#include "platform/core/exceptions.h"
#include "platform/core/ini_file.h"
#include "platform/core/win_path.h"
#include "platform/ui/buttons.h"
#include "platform/ui/forms.h"
#include "test_environment.h"

namespace {

// A form with four docks and bars of 22 x 22 buttons.
struct TestForm {
    TForm form{nullptr};
    TDocks* oben;
    TDocks* links;
    TDocks* rechts;
    TDocks* unten;
    TestForm()
    {
        form.Name = "TestForm";
        form.SetCaption("Werkzeugleisten");
        form.SetClientWidth(480);
        form.SetClientHeight(260);
        oben = Dock("DocksTop", dpTop);
        unten = Dock("DocksBottom", dpBottom);
        links = Dock("DocksLeft", dpLeft);
        rechts = Dock("DocksRight", dpRight);
    }
    TDocks* Dock(const QString& name, TDockPos pos)
    {
        auto* d = new TDocks(&form);
        d->Name = name;
        d->SetParent(&form);
        d->SetPosition(pos);
        return d;
    }
    TXToolBar* Bar(const QString& name, int knoepfe)
    {
        auto* bar = new TXToolBar(&form);
        bar->Name = name;
        bar->SetCaption(name);
        for (int i = 0; i < knoepfe; ++i) {
            auto* b = new TSpeedButton(&form);
            b->SetParent(bar);
            b->SetCaption(QString::number(i + 1));
            b->SetBounds(6 + 22 * i, 3, 22, 22);
        }
        bar->Auslegen();
        return bar;
    }
};

std::vector<TRect> Rechtecke(std::initializer_list<std::array<int, 4>> l)
{
    std::vector<TRect> r;
    for (const auto& a : l)
        r.push_back(Bounds(a[0], a[1], a[2], a[3]));
    return r;
}

}  // namespace

TEST(XToolBar, MetricsOfTheBars)
{
    EXPECT_EQ(TDockControl::MinBarWidth(), 34);
    EXPECT_EQ(TDockControl::MinBarHeight(), 28);
    TDockControl::SetControlHeight(30);
    EXPECT_EQ(TDockControl::MinBarHeight(), 36);
    TDockControl::SetControlHeight(22);
    TestForm t;
    EXPECT_EQ(t.oben->LineDepth(), 30);
    EXPECT_EQ(t.links->LineDepth(), 36);
}

TEST(XToolBar, WrongOwnerIsRefused)
{
    TComponent kein(nullptr);
    EXPECT_THROW(TDocks d(&kein), Exception);
    try {
        TXToolBar bar(&kein);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message.endsWith(" XToolBar must be owned by a form"));
    }
}

TEST(XToolBar, LinesOfControls)
{
    // Tops 10 and 14 with heights 22: one line; tops 10 and 40: two.
    EXPECT_EQ(ToolbarZeilen(Rechtecke({{0, 10, 22, 22}, {22, 14, 22, 22}})).size(), 1u);
    EXPECT_EQ(ToolbarZeilen(Rechtecke({{0, 10, 22, 22}, {22, 40, 22, 22}})).size(), 2u);
    // Sorted by position: left to right within a line, lines top to bottom.
    const auto z = ToolbarZeilen(Rechtecke({{44, 3, 22, 22}, {0, 30, 22, 22}, {0, 3, 22, 22}, {22, 3, 22, 22}}));
    ASSERT_EQ(z.size(), 2u);
    EXPECT_EQ(z[0], std::vector<int>({2, 3, 0}));
    EXPECT_EQ(z[1], std::vector<int>({1}));
}

TEST(XToolBar, FloatingShapesAndTheirSnap)
{
    const std::vector<TPoint> g(4, Point(22, 22));
    // Narrowest: one control a line; widest: all in one line.
    const auto formen = ToolbarFormen(g, 1);
    ASSERT_FALSE(formen.empty());
    EXPECT_EQ(formen.front(), Point(34, 4 * 22 + 5 * 3));
    EXPECT_EQ(formen.back(), Point(6 + 88 + 6, 28));
    for (size_t i = 1; i < formen.size(); ++i)
        EXPECT_LT(formen[i].Y, formen[i - 1].Y - 2);
    // The frame snaps only to widths of the table.
    for (int w : {20, 40, 57, 58, 80, 200}) {
        const TPoint f = FormFuerBreite(formen, w);
        EXPECT_NE(std::find(formen.begin(), formen.end(), f), formen.end());
        EXPECT_TRUE(f.X <= w + 3 || f == formen.front()) << w;
    }
    EXPECT_EQ(FormFuerHoehe(formen, 28), formen.back());
    EXPECT_EQ(FormFuerHoehe(formen, 1000), formen.front());
    // No visible control: one shape.
    EXPECT_EQ(ToolbarFormen({}, 0), std::vector<TPoint>{Point(34, 28)});
}

TEST(XToolBar, DropOffsetsGiveLines)
{
    struct Fall {
        int c, zeilen, zeile;
        bool neu;
    } const faelle[] = {
        {2, 1, 0, false},  // k = 1: into line 0
        {14, 1, 1, true},  // k = 2: a new line 1
        {30, 2, 1, false}, // k = 3: into line 1 of two
        {30, 1, 1, true},  // line 1 beyond the last: appended
        {-20, 2, 0, true}, // above the dock: a new first line
    };
    for (const Fall& f : faelle) {
        const TDockZiel z = DockZielFuer(f.c, 28, f.zeilen);
        EXPECT_EQ(z.Zeile, f.zeile) << f.c;
        EXPECT_EQ(z.NeueZeile, f.neu) << f.c;
    }
}

TEST(XToolBar, DockLineKeepsBarsApartAndInside)
{
    // Lengths 50 and 40 in a dock 200 long without bounds.
    EXPECT_EQ(DockZeileAuslegen({50, 40}, {0, 10}, 200, 0, 0), std::vector<int>({0, 52}));
    EXPECT_EQ(DockZeileAuslegen({50, 40}, {-9, 10}, 200, 0, 0), std::vector<int>({-2, 50}));
    EXPECT_EQ(DockZeileAuslegen({50, 40}, {100, 190}, 200, 0, 0), std::vector<int>({100, 158}));
    EXPECT_EQ(DockZeileAuslegen({50}, {500}, 200, 2, 2), std::vector<int>({146}));
}

TEST(XToolBar, DockingFillsLinesAndSizesTheDock)
{
    TestForm t;
    int sichtbar = 0, eingefuegt = 0, entfernt = 0;
    t.oben->OnVisibleChanged = [&](TObject*) { ++sichtbar; };
    t.oben->OnInsertBar = [&](TObject*) { ++eingefuegt; };
    t.oben->OnRemoveBar = [&](TObject*) { ++entfernt; };
    EXPECT_EQ(t.oben->DockSize(), 0);
    TXToolBar* a = t.Bar("BarA", 3);
    TXToolBar* b = t.Bar("BarB", 2);
    a->SetDockedTo(t.oben);
    EXPECT_EQ(t.oben->Height(), 28);
    EXPECT_EQ(a->Height(), 28);
    EXPECT_EQ(a->Width(), 6 + 66 + 6);
    EXPECT_EQ(a->Left(), 2);  // placed at DockPos + 2
    b->SetDockPos(10);
    b->SetDockLine(1);
    b->SetDockedTo(t.oben);
    EXPECT_EQ(t.oben->LineCount(), 2);
    EXPECT_EQ(t.oben->Height(), 2 * 30 - 2);
    EXPECT_EQ(b->Top(), 30);
    EXPECT_EQ(b->Left(), 12);
    EXPECT_EQ(sichtbar, 1);
    EXPECT_EQ(eingefuegt, 2);
    // Moving b into a's line puts it behind a with 2 pixels between.
    b->SetDockLine(0);
    EXPECT_EQ(t.oben->LineCount(), 1);
    EXPECT_EQ(b->Left(), a->Left() + a->Width() + 2);
    // Removing the only bar of a line closes it.
    a->SetDockedTo(nullptr);
    b->SetDockedTo(t.unten);
    EXPECT_EQ(t.oben->LineCount(), 0);
    EXPECT_EQ(t.oben->Height(), 0);
    EXPECT_EQ(sichtbar, 2);
    EXPECT_GE(entfernt, 2);
    // A hidden dock takes no space.
    t.unten->SetAllowVisible(false);
    EXPECT_EQ(t.unten->Height(), 0);
}

TEST(XToolBar, VerticalDockSwapsThePairsAndTellsSo)
{
    TestForm t;
    TXToolBar* bar = t.Bar("Bar", 2);
    auto* breit = new TSpeedButton(&t.form);
    breit->SetParent(bar);
    breit->SetBounds(50, 3, 60, 22);
    auto* schmal = new TSpeedButton(&t.form);
    schmal->SetParent(bar);
    schmal->SetBounds(50, 3, 22, 22);
    bar->RegisterControlPair(breit, schmal);
    std::vector<bool> vertikal;
    int geaendert = 0;
    bar->OnVerticalDock = [&](TObject*, bool v) { vertikal.push_back(v); };
    bar->OnDockChanged = [&](TObject*) { ++geaendert; };
    bar->SetDockedTo(t.oben);
    EXPECT_TRUE(breit->Visible());
    bar->SetDockedTo(t.links);
    EXPECT_FALSE(breit->Visible());
    EXPECT_TRUE(schmal->Visible());
    EXPECT_EQ(bar->Width(), 34);
    EXPECT_EQ(bar->Height(), 3 * 22 + 4 * 3);
    EXPECT_EQ(t.links->Width(), 34);
    bar->SetDockedTo(t.rechts);  // still vertical: no event
    EXPECT_EQ(vertikal, std::vector<bool>({true}));
    EXPECT_EQ(geaendert, 3);
}

TEST(XToolBar, DroppedBarsFindTheirLine)
{
    TestForm t;
    t.form.Show();
    TXToolBar* a = t.Bar("BarA", 3);
    TXToolBar* b = t.Bar("BarB", 2);
    a->SetDockedTo(t.oben);
    const TPoint nullpunkt = t.oben->ClientToScreen(Point(0, 0));
    // 14 pixels down: a new line below.
    b->Ablegen(Point(nullpunkt.X + 100, nullpunkt.Y + 14), t.oben);
    EXPECT_EQ(b->DockedTo(), t.oben);
    EXPECT_EQ(t.oben->LineOf(b), 1);
    EXPECT_EQ(b->Left(), 100);
    // 2 pixels down: into line 0, behind a.
    b->Ablegen(Point(nullpunkt.X + 150, nullpunkt.Y + 2), t.oben);
    EXPECT_EQ(t.oben->LineCount(), 1);
    EXPECT_EQ(b->Left(), 150);
    // Under the cursor away from every dock: floating.
    EXPECT_EQ(b->DockUnter(Point(nullpunkt.X + 200, nullpunkt.Y + 150)), nullptr);
    EXPECT_EQ(b->DockUnter(Point(nullpunkt.X + 200, nullpunkt.Y - 5)), t.oben);
    b->Ablegen(Point(nullpunkt.X + 200, nullpunkt.Y + 150), nullptr);
    EXPECT_EQ(b->DockedTo(), nullptr);
    EXPECT_TRUE(b->Handle()->isWindow());
    // Sized by the user, the floating bar snaps to a shape of its table.
    const auto formen = b->Formen();
    b->SetBounds(b->Left(), b->Top(), formen.front().X + 5, b->Height());
    EXPECT_EQ(b->Width(), formen.front().X);
    EXPECT_EQ(b->Height(), formen.front().Y);
    EXPECT_EQ(b->FloatRect().Width(), formen.front().X);
    b->SetBounds(b->Left(), b->Top(), b->Width(), 10);
    EXPECT_EQ(b->Height(), formen.back().Y);
    int sichtbar = 0;
    b->OnVisibleChanged = [&](TObject*) { ++sichtbar; };
    b->SetVisible(false);
    EXPECT_FALSE(b->Handle()->isVisible());
    b->SetVisible(true);
    EXPECT_TRUE(b->Handle()->isVisible());
    EXPECT_EQ(sichtbar, 2);
    // A double click docks it again where it was last.
    b->DblClick();
    EXPECT_EQ(b->DockedTo(), t.oben);
    t.form.Hide();
}

TEST(XToolBar, PositionsAreSavedAndRestored)
{
    lxtest::TempDir dir;
    const QString ini = *LinuxToWin(QString::fromStdString((dir / "Bars.INI").string()));
    // Three bars that keep their place in the ini file.
    auto bars = [&](TestForm& t) {
        std::array<TXToolBar*, 3> b{t.Bar("BarA", 3), t.Bar("BarB", 2), t.Bar("BarC", 2)};
        for (TXToolBar* bar : b) {
            bar->INIFileName = ini;
            bar->AutoSavePosition = true;
        }
        return b;
    };
    {
        TestForm t;
        auto [a, b, c] = bars(t);
        a->SetDockedTo(t.oben);
        b->SetDockLine(1);
        b->SetDockPos(40);
        b->SetDockedTo(t.links);
        c->SetFloatRect(Bounds(300, 200, 60, 60));
        c->SetDockedTo(nullptr);
        b->SetVisible(false);
        ToolbarPositionenSpeichern(&t.form);
    }
    const TMemIniFile datei(ini);
    EXPECT_EQ(datei.ReadString("BarA", "DockedTo", "?"), "DocksTop");
    EXPECT_EQ(datei.ReadString("BarB", "DockedTo", "?"), "DocksLeft");
    EXPECT_EQ(datei.ReadString("BarB", "DockPos", "?"), "40");
    EXPECT_EQ(datei.ReadString("BarC", "DockedTo", "?"), "");
    EXPECT_EQ(datei.ReadString("BarC", "Left", "?"), "300");
    EXPECT_EQ(datei.ReadString("BarB", "Visible", "?"), "0");

    TestForm t;
    auto [a, b, c] = bars(t);
    for (TXToolBar* bar : {a, b, c})
        bar->SetDockedTo(t.unten);  // where the form put them
    ToolbarPositionenLaden(&t.form);
    EXPECT_EQ(a->DockedTo(), t.oben);
    EXPECT_EQ(b->DockedTo(), t.links);
    EXPECT_EQ(b->DockPos(), 40);
    EXPECT_FALSE(b->Visible());
    EXPECT_TRUE(a->Visible());
    EXPECT_EQ(c->DockedTo(), nullptr);
    EXPECT_EQ(c->FloatRect().Left, 300);
    EXPECT_EQ(t.unten->LineCount(), 0);

    // A dock name the form does not have leaves the bar where it is.
    TMemIniFile aendern(ini);
    aendern.WriteString("BarA", "DockedTo", "DocksWeg");
    aendern.UpdateFile();
    EXPECT_FALSE(a->LoadPosition());
    EXPECT_EQ(a->DockedTo(), t.oben);
}

TEST(XToolBar, Screenshot)
{
    TestForm t;
    TXToolBar* a = t.Bar("BarA", 5);
    TXToolBar* b = t.Bar("BarB", 3);
    TXToolBar* c = t.Bar("BarC", 4);
    t.oben->SetBoundLines({dpTop, dpBottom});
    a->SetDockedTo(t.oben);
    b->SetDockPos(160);
    b->SetDockedTo(t.oben);
    c->SetDockedTo(t.links);
    t.form.Show();
    const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(dir);
    const QImage bild = t.form.Handle()->grab().toImage();
    EXPECT_TRUE(bild.save(dir + "/xtoolbar.png"));
    EXPECT_EQ(t.oben->Height(), 28 + 4);
    EXPECT_EQ(c->Top(), 2);
    t.form.Hide();
}

TEST(XToolBar, Word7DrawsItsLineSeparatorsOnlyAlongTheBars)
{
    TestForm t;
    TXToolBar* a = t.Bar("BarA", 3);  // 78 wide
    TXToolBar* b = t.Bar("BarB", 2);  // 56 wide
    a->SetDockedTo(t.oben);
    b->SetDockPos(100);
    b->SetDockLine(1);
    b->SetDockedTo(t.oben);
    t.form.Show();
    ASSERT_EQ(t.oben->LineCount(), 2);
    ASSERT_EQ(a->Left(), 2);
    ASSERT_EQ(b->Left(), 102);
    const QColor schatten = ColorToQColor(clBtnShadow), licht = ColorToQColor(clBtnHighlight),
                 grund = ColorToQColor(t.oben->Color());
    const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(dir);

    // The separator lies in the gap between the lines: shadow at 28, highlight at 29.
    t.oben->DrawStyle = csXToolbar;
    QImage bild = t.oben->Handle()->grab().toImage();
    EXPECT_EQ(bild.pixelColor(300, 28), schatten);
    EXPECT_EQ(bild.pixelColor(300, 29), licht);

    t.oben->DrawStyle = csWord7;
    bild = t.oben->Handle()->grab().toImage();
    bild.save(dir + "/xtoolbar_word7.png");
    struct Punkt {
        int x, y;
        QColor farbe;
    };
    const Punkt punkte[] = {
        // The separator along the bar above (a) and the bar below (b), nowhere else.
        {50, 28, schatten}, {50, 29, licht}, {120, 28, schatten}, {120, 29, licht},
        {300, 28, grund}, {300, 29, grund}, {90, 28, grund},
        // Raised edges before a bar with a gap (a stands 2 pixels in) and
        // after a bar with room behind it.
        {0, 10, schatten}, {1, 10, licht}, {100, 40, schatten}, {101, 40, licht},
        {80, 10, schatten}, {81, 10, licht},
    };
    for (const Punkt& p : punkte)
        EXPECT_EQ(bild.pixelColor(p.x, p.y), p.farbe) << p.x << "," << p.y;
    t.form.Hide();
}

TEST(XToolBar, ClosingAFloatingBarHidesIt)
{
    TestForm t;
    TXToolBar* a = t.Bar("BarA", 3);
    int gemeldet = 0;
    a->OnVisibleChanged = [&](TObject*) { ++gemeldet; };
    t.form.Show();
    a->SetDockedTo(nullptr);
    ASSERT_TRUE(a->Handle()->isWindow());
    ASSERT_TRUE(a->Handle()->isVisible());
    a->Handle()->close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(a->Visible());
    EXPECT_FALSE(a->Handle()->isVisible());
    EXPECT_EQ(gemeldet, 1);
    // Shown again by the program, the window comes back.
    a->SetVisible(true);
    EXPECT_TRUE(a->Handle()->isVisible());
    t.form.Hide();
}
