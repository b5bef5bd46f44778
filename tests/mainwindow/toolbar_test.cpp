// Guards the album toolbar: a dockable toolbar in the window's dock areas
// with the vocabulary's buttons, and its place, dock side and visibility
// kept in the program's ini file from one run to the next.
#include "start_fixture.h"

#include "controls/xtoolbar.h"
#include "imaging/image_toolbar.h"
#include "imaging/image_window.h"
#include "platform/ui/com_ctrls.h"
#include "shared/qk_auto_button.h"

#include <QIcon>
#include <QImage>

#include <set>

namespace {

class ToolbarTest : public StartTest {
protected:
    TXToolBar* Bar() const { return form->XToolBarBilderVerwaltung; }
    // Ends the run and starts the next one, shown.
    void NeuStarten()
    {
        Beenden();
        form.reset();
        dbe_CloseAll();
        StartenUndZeigen();
    }
};

}  // namespace

TEST_F(ToolbarTest, ButtonsOfTheVocabularyInTheTopDock)
{
    StartenUndZeigen();
    form->Show();
    Application->ProcessMessages();
    ASSERT_EQ(Bar()->DockedTo(), form->DocksTop);
    EXPECT_EQ(Bar()->Parent(), form->DocksTop);
    EXPECT_EQ(form->DocksTop->LineCount(), 1);
    EXPECT_EQ(form->DocksTop->Height(), TDockControl::MinBarHeight());
    EXPECT_EQ(Bar()->Height(), TDockControl::MinBarHeight());
    for (TDocks* leer : {form->DocksBottom, form->DocksLeft, form->DocksRight})
        EXPECT_EQ(leer->LineCount(), 0) << leer->Name.toStdString();

    // The ten buttons in their order, in one line, each at the class-wide
    // control height, with the vocabulary's captions and hints.
    const char* const namen[] = {"QKAutoButtonVollbild",       "QKAutoButtonSlideshow",
                                 "QKAutoButtonBilderHinzufuegen", "QKAutoButtonLoeschen",
                                 "QKAutoButtonBilderKopieren", "QKAutoButtonUploaden",
                                 "QKAutoButtonBilderEnde",     "QKAutoButtonBilderOptionen",
                                 "QKAutoButtonBilderDrucken",  "QKAutoButtonBilderDatenbankManager"};
    ASSERT_EQ(Bar()->ControlCount(), 10);
    int rechts = 0;
    std::set<QByteArray> bilder;
    for (int i = 0; i < 10; ++i) {
        TQKAutoButton* b = form->ToolbarButton(namen[i]);
        ASSERT_NE(b, nullptr) << namen[i];
        EXPECT_EQ(b->Parent(), Bar());
        EXPECT_EQ(b->Top(), TDockControl::VerticalSpacing());
        EXPECT_EQ(b->Height(), TDockControl::ControlHeight());
        EXPECT_GE(b->Left(), rechts) << namen[i];
        rechts = b->Left() + b->Width();
        EXPECT_LE(rechts, Bar()->Width());
        // Each shows a picture of its own beside its caption.
        ASSERT_FALSE(b->Glyph()->Empty()) << namen[i];
        EXPECT_FALSE(b->Stretch()) << namen[i];  // drawn at its size, not over the caption
        const QImage bild = b->Glyph()->ToImage().convertToFormat(QImage::Format_RGB32);
        bilder.insert(QByteArray(reinterpret_cast<const char*>(bild.constBits()), int(bild.sizeInBytes())));
    }
    EXPECT_EQ(bilder.size(), 10u);
    EXPECT_EQ(form->ToolbarButton("QKAutoButtonBilderEnde")->Hint(), "Programm beenden.....");
    EXPECT_EQ(form->ToolbarButton("QKAutoButtonBilderDrucken")->PopupMenu(), form->PopupMenu("PopupMenuDrucken"));
    // The page control starts below the dock.
    EXPECT_GE(form->PageControlBilder->Top(), form->DocksTop->Top() + form->DocksTop->Height());
}

TEST_F(ToolbarTest, PlaceAndDockSideComeBackInTheNextRun)
{
    StartenUndZeigen();
    Beenden();
    // A first run leaves the toolbar's place in the program's ini file.
    EXPECT_EQ(IniLesen("XToolBarBilderVerwaltung", "DockedTo"), "DocksTop");
    EXPECT_EQ(IniLesen("XToolBarBilderVerwaltung", "DockLine"), "0");
    form.reset();
    dbe_CloseAll();

    StartenUndZeigen();
    Bar()->SetDockPos(40);
    Bar()->SetDockedTo(form->DocksLeft);
    ASSERT_TRUE(Bar()->Vertical());
    NeuStarten();
    EXPECT_EQ(IniLesen("XToolBarBilderVerwaltung", "DockedTo"), "DocksLeft");
    EXPECT_EQ(Bar()->DockedTo(), form->DocksLeft);
    EXPECT_EQ(Bar()->Width(), TDockControl::MinBarWidth());
    EXPECT_EQ(form->DocksTop->LineCount(), 0);
    EXPECT_EQ(form->DocksTop->Height(), 0);

    // Floating: its window's place and size.
    form->Show();
    Bar()->SetFloatRect(Bounds(120, 90, 200, 100));
    Bar()->SetDockedTo(nullptr);
    const TRect schwebend = Bar()->FloatRect();
    NeuStarten();
    EXPECT_EQ(IniLesen("XToolBarBilderVerwaltung", "DockedTo"), "");
    EXPECT_EQ(Bar()->DockedTo(), nullptr);
    EXPECT_EQ(Bar()->FloatRect().Left, 120);
    EXPECT_EQ(Bar()->FloatRect().Width(), schwebend.Width());
    EXPECT_EQ(form->DocksLeft->LineCount(), 0);

    // A double click takes it back to its dock.
    Bar()->DblClick();
    EXPECT_EQ(Bar()->DockedTo(), form->DocksTop);
}

TEST_F(ToolbarTest, HiddenToolbarStaysHiddenAndTheMenuFollowsIt)
{
    StartenUndZeigen();
    TMenuItem* item = form->MenuItem("BilderToolBarAnzeigen");
    form->BilderToolBarAnzeigenClick(item);
    EXPECT_FALSE(Bar()->Visible());
    NeuStarten();
    EXPECT_EQ(IniLesen("ToolbarBilderMain", "Aktiv"), "0");
    item = form->MenuItem("BilderToolBarAnzeigen");
    EXPECT_FALSE(Bar()->Visible());
    EXPECT_FALSE(item->Checked());

    // Shown again; hiding the bar some other way (its floating window
    // closed) unticks the menu item.
    form->BilderToolBarAnzeigenClick(item);
    EXPECT_TRUE(Bar()->Visible());
    Bar()->SetVisible(false);
    EXPECT_FALSE(item->Checked());
}

// "Bilder-Toolbar ausblenden" hides and shows the big picture's own
// toolbar, and its caption says what it does next.
TEST_F(ToolbarTest, BigPictureToolbarCommandTogglesItAndItsCaptionFollows)
{
    StartenUndZeigen();
    TMenuItem* item = form->MenuItem("BilderToolbarausblenden1");
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->Visible());
    TImageWindow* fenster = form->ImageWindow1;
    EXPECT_TRUE(fenster->ShowToolbar());
    ASSERT_NE(fenster->ToolBar(), nullptr);
    for (const bool gezeigt : {false, true}) {
        item->Click();
        EXPECT_EQ(fenster->ShowToolbar(), gezeigt);
        EXPECT_EQ(fenster->ToolBar() != nullptr, gezeigt);
        if (gezeigt)
            EXPECT_TRUE(fenster->ToolBar()->Visible());
        EXPECT_EQ(item->Caption(), gezeigt ? "Bilder-Toolbar ausblenden" : "Bilder-Toolbar einblenden");
    }
}

TEST_F(ToolbarTest, ScreenshotWithTheToolbarDockedLeft)
{
    StartenUndZeigen();
    form->Show();
    Bar()->SetDockedTo(form->DocksLeft);
    Application->ProcessMessages();
    const QImage bild = Bildschirmfoto(*form, "main_window_toolbar_left");
    EXPECT_EQ(form->DocksLeft->Width(), TDockControl::MinBarWidth());
    EXPECT_GE(form->PageControlBilder->Left(), form->DocksLeft->Width());
    EXPECT_FALSE(bild.isNull());
    // In the vertical dock the buttons show their pictures, a control wide,
    // one under the other; back at the top their captions beside them.
    TQKAutoButton* ende = form->ToolbarButton("QKAutoButtonBilderEnde");
    EXPECT_EQ(ende->Width(), TDockControl::ControlWidth());
    EXPECT_TRUE(ende->Caption().isEmpty());
    EXPECT_FALSE(ende->Glyph()->Empty());
    EXPECT_LE(Bar()->Height(), form->DocksLeft->Height());
    Bar()->SetDockedTo(form->DocksTop);
    EXPECT_EQ(ende->Caption(), "Ende");
    EXPECT_FALSE(ende->Glyph()->Empty());
    EXPECT_EQ(form->DocksTop->Height(), TDockControl::MinBarHeight());
    EXPECT_EQ(form->DocksLeft->Width(), 0);
}

TEST_F(ToolbarTest, AButtonShowsTheProgramsOwnPictureWhereTheDesktopHasNone)
{
    // The program's own 16 x 16 picture for "list-add", in four quarters.
    QImage eigenes(16, 16, QImage::Format_ARGB32);
    const QColor farben[4] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            eigenes.setPixelColor(x, y, farben[(y / 8) * 2 + x / 8]);
    std::filesystem::create_directories(home / "icons");
    ASSERT_TRUE(eigenes.save(QString::fromStdString((home / "icons" / "list-add.png").string()), "PNG"));
    if (!QIcon::fromTheme("list-add").isNull())
        GTEST_SKIP() << "the desktop's icon theme has the picture";
    Starten();
    const QImage bild =
        form->ToolbarButton("QKAutoButtonBilderHinzufuegen")->Glyph()->ToImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(bild.size(), QSize(16, 16));
    EXPECT_EQ(bild.pixelColor(3, 3), QColor(Qt::red));
    EXPECT_EQ(bild.pixelColor(12, 3), QColor(Qt::green));
    EXPECT_EQ(bild.pixelColor(3, 12), QColor(Qt::blue));
    EXPECT_EQ(bild.pixelColor(12, 12), QColor(Qt::yellow));
}
