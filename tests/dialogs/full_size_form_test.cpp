// The full-size viewer: its look, walking through the album with keys and
// wrap-around, passing over pictures that cannot be shown, display modes,
// orientation and zoom kept in the entry (and not in a read-only album),
// the slide show on its timer, pictures found under another drive letter or
// on the CD drive, the editors, print, user mark, short description and
// typed picture numbers.

#include "viewer_fixture.h"

#include "imaging/image_window.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "dialogs/bild_finden.h"
#include "shared/qk_ini.h"

#include <QCoreApplication>
#include <QTest>
#include <QWidget>

namespace {

std::vector<TViewerEintrag> Zwoelf()
{
    std::vector<TViewerEintrag> v;
    for (int i = 1; i <= 12; ++i)
        v.push_back({QStringLiteral("b%1.png").arg(i, 2, 10, QLatin1Char('0'))});
    return v;
}

void Taste(TFullSizeForm& f, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyClick(f.Handle(), key, mods);
}

TEST_F(ViewerTest, LooksLikeTheViewerAndSwitchesHintsOffWhileOpen)
{
    Album({{"a.jpg", 640, 400, true, "", "", "Ein Bild am See"}});
    haupt.Optionen.TextVollbildAnzeige = true;
    haupt.Optionen.EditorNamen[0] = "Gimp";
    auto f = Viewer();
    EXPECT_EQ(f->Caption(), "Fullsize");
    EXPECT_FALSE(haupt.Hinweise);
    EXPECT_EQ(f->Bildexternbearbeiten_31->Caption(), "Gimp");
    EXPECT_EQ(f->N10Bildervor1->Caption(), "10 Bilder vor (Bild runter)");
    EXPECT_EQ(f->SlideShowstart1->ShortCut(), ShortCut(VK_F12, {}));
    ASSERT_NE(f->TextVollbildForm, nullptr);
    EXPECT_EQ(f->TextVollbildForm->Label1->Caption(), "Ein Bild am See");
    EXPECT_TRUE(f->ImageWindow1->ImageInWindow()->HasImage());
    EXPECT_EQ(f->AktuellesBild, WinDir("bilder") + "a.jpg");
    const QString shots = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(shots);
    EXPECT_TRUE(f->Handle()->grab().toImage().save(shots + "/full_size_form.png"));
    EXPECT_TRUE(f->TextVollbildForm->Handle()->grab().toImage().save(shots + "/text_vollbild_form.png"));
    f->Close();
    EXPECT_TRUE(haupt.Hinweise);
    EXPECT_EQ(haupt.Geschlossen, 1);
    ASSERT_FALSE(haupt.Toene.empty());
    EXPECT_EQ(haupt.Toene.back(), 20);
    EXPECT_EQ(f->TextVollbildForm, nullptr);
}

TEST_F(ViewerTest, KeysWalkWithWrapAroundAndTenForwardMovesExactlyTen)
{
    Album(Zwoelf());
    auto f = Viewer();
    EXPECT_EQ(Nr(), 1);
    Taste(*f, Qt::Key_Down);
    EXPECT_EQ(Nr(), 2);
    EXPECT_TRUE(f->AktuellesBild.endsWith("b02.png"));
    Taste(*f, Qt::Key_PageDown);
    EXPECT_EQ(Nr(), 12);
    Taste(*f, Qt::Key_Down);
    EXPECT_EQ(Nr(), 1);
    EXPECT_TRUE(antworten.Enthaelt("Letztes Bild erreicht, fahre mit dem ersten Bild fort!"));
    Taste(*f, Qt::Key_Up);
    EXPECT_EQ(Nr(), 12);
    EXPECT_TRUE(antworten.Enthaelt("Erstes Bild erreicht, fahre mit dem letzen Bild fort!"));
    // Ten forward from 5 of 12 wraps: 6..12, 1, 2, 3.
    Taste(*f, Qt::Key_Home);
    EXPECT_EQ(Nr(), 1);
    for (int i = 0; i < 4; ++i)
        Taste(*f, Qt::Key_Down);
    EXPECT_EQ(Nr(), 5);
    Taste(*f, Qt::Key_PageDown);
    EXPECT_EQ(Nr(), 3);
    Taste(*f, Qt::Key_PageUp);
    EXPECT_EQ(Nr(), 5);
    Taste(*f, Qt::Key_End);
    EXPECT_EQ(Nr(), 12);
    EXPECT_TRUE(f->AktuellesBild.endsWith("b12.png"));
    Taste(*f, Qt::Key_Escape);
    EXPECT_EQ(haupt.Geschlossen, 1);
}

TEST_F(ViewerTest, ForwardPassesOverMissingBadAndInaccessiblePicturesWithoutWriting)
{
    std::vector<TViewerEintrag> e{{"a.png"}, {"fehlt.png"}, {"b.png", 64, 48, false}, {"kaputt.jpg"},
                                  {"leer.png"},  {"text.bmp"},  {"halb.jpg"},  {"c.png"}};
    Album(e);
    const QString bilder = Linux("bilder") + "/";
    QFile::remove(bilder + "fehlt.png");
    lxtest::WriteFile((bilder + "kaputt.jpg").toStdString(), std::string("\xFF\xD8\xFF\xE0 nonsense", 15));
    lxtest::WriteFile((bilder + "leer.png").toStdString(), "");
    lxtest::WriteFile((bilder + "text.bmp").toStdString(), "this is not a picture at all");
    {
        QFile voll(bilder + "halb.jpg");
        ASSERT_TRUE(voll.open(QIODevice::ReadWrite));
        voll.resize(voll.size() / 2);
    }
    std::vector<QString> vorher;
    for (album.table.First(); !album.table.Eof(); album.table.Next())
        vorher.push_back(Flags() + Feld("ZOOMFACTOR") + Feld("SHORTDESC"));
    album.table.First();
    auto f = Viewer();
    Taste(*f, Qt::Key_Down);
    // Entries 2 (missing), 3 (no access), 4 and 5 (unreadable), 6 (no picture)
    // are passed over; a half picture still shows what could be read or is
    // passed over too.
    EXPECT_TRUE(Nr() == 7 || Nr() == 8) << Nr();
    if (Nr() == 7)
        Taste(*f, Qt::Key_Down);
    EXPECT_EQ(Nr(), 8);
    EXPECT_TRUE(f->ImageWindow1->ImageInWindow()->HasImage());
    f->Close();
    size_t i = 0;
    for (album.table.First(); !album.table.Eof(); album.table.Next(), ++i)
        if (i != 7 && i != 0) {
            EXPECT_EQ(Flags() + Feld("ZOOMFACTOR") + Feld("SHORTDESC"), vorher[i]) << i;
        }
}

TEST_F(ViewerTest, NamesTheFileSystemCannotHoldAndHeadersBeyondThePixelLimitsArePassedOver)
{
    const QString zuLang = QString(300, u'x') + ".png";
    Album({{"a.png"}, {"", 64, 48, true, "", "C:\\gibt\\" + zuLang}, {"riesig.png"}, {"c.png"}});
    // A PNG whose header claims 100 000 x 100 000 pixels.
    {
        QFile f(Linux("bilder") + "/riesig.png");
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        QByteArray b = f.readAll();
        const char gross[] = {0, 1, char(0x86), char(0xA0)};
        b.replace(16, 4, gross, 4);
        b.replace(20, 4, gross, 4);
        f.seek(0);
        f.write(b);
    }
    album.table.First();
    const QString vorher = Flags();
    auto f = Viewer();
    Taste(*f, Qt::Key_Down);
    EXPECT_EQ(Nr(), 4);
    EXPECT_TRUE(f->AktuellesBild.endsWith("c.png"));
    for (int satz : {2, 3}) {
        album.dbe.Go(uint32_t(satz));
        album.table.Refresh();
        EXPECT_EQ(Flags(), vorher) << satz;
        EXPECT_EQ(Feld("ZOOMFACTOR"), "") << satz;
    }
    // Going back onto them shows nothing and changes nothing either.
    album.table.Last();
    Taste(*f, Qt::Key_Up);
    EXPECT_EQ(Nr(), 3);
    EXPECT_FALSE(f->PanelPicParent->Visible());
    f->Close();
    EXPECT_EQ(Flags(), vorher);
}

TEST_F(ViewerTest, PictureMuchLargerThanTheScreenIsShownWholeFromAReducedDecode)
{
    Album({{"gross.jpg", 4000, 3000}});
    auto f = Viewer();
    EXPECT_TRUE(f->GanzesBildanzeigen1->Checked());
    EXPECT_EQ(f->ImageWindow1->FitStyle(), fsBest);
    TImageInWindow* bild = f->ImageWindow1->ImageInWindow();
    EXPECT_EQ(bild->GetImageWidth(), 4000);
    EXPECT_TRUE(bild->Reduced());
    EXPECT_LE(bild->DecodedPixels().width(), 2000);
    // The panel holds the fitted picture within the screen.
    EXPECT_TRUE(f->PanelPicParent->Visible());
    EXPECT_LE(f->PanelPicParent->Width(), Screen->Width());
    EXPECT_LE(f->PanelPicParent->Height(), Screen->Height());
    EXPECT_GE(f->PanelPicParent->Width(), Screen->Width() - 1);
}

TEST_F(ViewerTest, DisplayModeAndOrientationAreKeptInFlags)
{
    Album({{"a.png", 64, 48}, {"b.png", 64, 48, true, "          "}, {"c.png", 64, 48, true, " 2 3"}});
    auto f = Viewer();
    // A blank mode shows a picture smaller than the screen in original size.
    EXPECT_TRUE(f->OriginalGroesse1->Checked());
    f->GanzesBildanzeigen1->Click();
    EXPECT_EQ(Flags().mid(1, 1), "1");
    EXPECT_TRUE(f->GanzesBildanzeigen1->Checked());
    EXPECT_FALSE(f->OriginalGroesse1->Checked());
    f->N90drehen1->Click();
    EXPECT_EQ(Flags().mid(3, 1), "1");
    EXPECT_EQ(f->Ausrichtung, 1);
    EXPECT_EQ(f->ImageWindow1->ImageInWindow()->GetImageWidth(), 48);
    // 270 from 90: the stored code names the orientation, the picture follows.
    f->N270drehen1->Click();
    EXPECT_EQ(Flags().mid(3, 1), "3");
    EXPECT_EQ(f->ImageWindow1->ImageInWindow()->GetImageWidth(), 48);
    f->N0OriginalAusrichtung1->Click();
    EXPECT_EQ(Flags().mid(3, 1), "0");
    EXPECT_EQ(f->ImageWindow1->ImageInWindow()->GetImageWidth(), 64);
    EXPECT_TRUE(f->OriginalGroesse1->Checked());
    // The third entry comes back fitted to width and turned by 270 degrees.
    f->LetztesBild1->Click();
    EXPECT_TRUE(f->AnBreiteanpassen1->Checked());
    EXPECT_EQ(f->ImageWindow1->FitStyle(), fsWidth);
    EXPECT_EQ(f->Ausrichtung, 3);
    EXPECT_EQ(f->ImageWindow1->ImageInWindow()->GetImageWidth(), 48);
    f->ImFensteranpassen1->Click();
    f->Close();
    EXPECT_EQ(Flags().left(4), " 4 3");
}

TEST_F(ViewerTest, ZoomInOriginalSizeComesBackNextTime)
{
    Album({{"a.png", 64, 48, true, " 0"}, {"b.png"}});
    auto f = Viewer();
    EXPECT_TRUE(f->OriginalGroesse1->Checked());
    Taste(*f, Qt::Key_Plus, Qt::KeypadModifier);
    Taste(*f, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_NEAR(f->ImageWindow1->ZoomFactor(), 1.2, 1e-9);
    EXPECT_EQ(Feld("ZOOMFACTOR"), "1.20");
    Taste(*f, Qt::Key_Down);
    Taste(*f, Qt::Key_Up);
    EXPECT_EQ(Nr(), 1);
    EXPECT_NEAR(f->ImageWindow1->ZoomFactor(), 1.2, 1e-9);
    // The panel holds the picture at that zoom, centred on the screen.
    EXPECT_EQ(f->PanelPicParent->Width(), 77);
    EXPECT_EQ(f->PanelPicParent->Left(), (Screen->Width() - 77) / 2);
}

TEST_F(ViewerTest, ReadOnlyAlbumShowsEverythingAndWritesNothing)
{
    Album({{"a.png", 64, 48, true, " 0"}, {"b.png"}});
    haupt.Schreibgeschuetzt = true;
    const QString vorher = Flags();
    auto f = Viewer();
    EXPECT_TRUE(f->ImageWindow1->ImageInWindow()->HasImage());
    f->N90drehen1->Click();
    EXPECT_EQ(f->ImageWindow1->ImageInWindow()->GetImageWidth(), 48);
    f->AnHoeheAnpassen1->Click();
    f->Zoom1->Click();
    antworten.Eingabe = "neu";
    f->Kurzbeschreibung1->Click();
    f->Benutzermarkierung1->Click();
    f->Close();
    album.table.First();
    EXPECT_EQ(Flags(), vorher);
    EXPECT_EQ(Feld("ZOOMFACTOR"), "");
    EXPECT_EQ(Feld("SHORTDESC"), "");
    EXPECT_TRUE(album.table.FieldByName("MARKIERT")->AsBoolean());
}

TEST_F(ViewerTest, SlideShowStepsOnItsTimerAndRestartsAtTheEnd)
{
    Album({{"a.png"}, {"b.png"}, {"c.png"}});
    haupt.Optionen.SlideShowSekunden = 3;
    auto f = Viewer();
    EXPECT_EQ(f->Timer1->Interval(), 3000);
    EXPECT_FALSE(f->Timer1->Enabled());
    Taste(*f, Qt::Key_Space);
    EXPECT_TRUE(f->SlideShowLaeuft);
    EXPECT_TRUE(f->Timer1->Enabled());
    EXPECT_EQ(f->SlideShowstart2->Caption(), "SlideShow stop");
    EXPECT_EQ(f->ImageWindow1->PopupMenu(), f->PopupMenu2);
    EXPECT_TRUE(antworten.Enthaelt("Slideshow durch Leertaste gestartet...."));
    f->Timer1->Timer();
    EXPECT_EQ(Nr(), 2);
    f->Timer1->Timer();
    EXPECT_EQ(Nr(), 3);
    f->Timer1->Timer();
    EXPECT_EQ(Nr(), 1);
    EXPECT_TRUE(antworten.Enthaelt("Slideshow am Ende angekommen, fange jetzt wieder mit dem ersten Bild an..."));
    EXPECT_FALSE(antworten.Enthaelt("Letztes Bild erreicht"));
    EXPECT_TRUE(f->SlideShowLaeuft);
    EXPECT_TRUE(f->Timer1->Enabled());
    Taste(*f, Qt::Key_Space);
    EXPECT_FALSE(f->Timer1->Enabled());
    EXPECT_EQ(f->ImageWindow1->PopupMenu(), f->PopupMenu1);
    EXPECT_TRUE(antworten.Enthaelt("Slideshow durch Leertaste abgebrochen...."));
}

TEST_F(ViewerTest, IntervalIsSecondsClampedToOneToSixty)
{
    Album({{"a.png"}});
    auto f = Viewer();
    for (auto [s, ms] : {std::pair{0, 1000}, {1, 1000}, {60, 60000}, {600, 60000}, {-5, 1000}}) {
        f->SetSlideShowIntervall(s);
        EXPECT_EQ(f->Timer1->Interval(), ms) << s;
    }
}

TEST_F(ViewerTest, PictureOfAnotherDriveLetterIsFoundWhenTheOptionIsTicked)
{
    // Stored under "Q:", the medium is now mounted as C:.
    Album({{"a.png"}, {"b.png"}});
    const QString echt = WinDir("bilder") + "b.png";
    album.table.Last();
    album.table.Edit();
    album.table.FieldByName("PFAD")->SetAsString("Q" + echt.mid(1));
    album.table.Post();
    album.table.First();
    auto f = Viewer();
    Taste(*f, Qt::Key_Down);
    // Option off: missing, passed over up to the wrap to the first.
    EXPECT_EQ(Nr(), 1);
    EXPECT_TRUE(f->AktuellesBild.endsWith("a.png"));
    haupt.Optionen.AnderesLaufwerkTesten = true;
    Taste(*f, Qt::Key_Down);
    EXPECT_EQ(Nr(), 2);
    EXPECT_EQ(f->AktuellesBild.toUpper(), echt.toUpper());
    EXPECT_EQ(BildAufAnderemLaufwerk("\\nirgends\\x.png"), QString());
    EXPECT_EQ(BildAufAnderemLaufwerk(echt.mid(2)).toUpper(), echt.toUpper());
    EXPECT_EQ(BildNameVonCDR("G:\\Bilder\\a.jpg", u'D'), "D:\\Bilder\\a.jpg");
    EXPECT_EQ(BildNameVonCDR("\\Bilder\\a.jpg", u'D'), "D:\\Bilder\\a.jpg");
}

TEST_F(ViewerTest, ReadOnlyAlbumOnCdTakesItsPicturesFromTheCdDrive)
{
    const std::string cd = (dir / "cd").string();
    lxtest::WriteDriveTable({{"C", "/", "HD"}, {"D", cd, "CDROM", "URLAUB", "12345678"}});
    const QString bild = DrawPicture(QString::fromStdString(cd) + "/Bilder/a.png", 64, 48);
    Album({{"", 64, 48, true, "", "G:\\Bilder\\a.png"}, {"", 64, 48, true, "", "G:\\Bilder\\fehlt.png"}});
    haupt.Ordner = "D:\\";
    haupt.Schreibgeschuetzt = true;
    auto f = Viewer();
    EXPECT_EQ(f->AktuellesBild, "D:\\Bilder\\a.png");
    EXPECT_TRUE(f->ImageWindow1->ImageInWindow()->HasImage());
    Taste(*f, Qt::Key_Down);
    EXPECT_TRUE(antworten.Enthaelt("Bild D:\\Bilder\\fehlt.png nicht gefunden!"));
    f->Close();
    lxtest::WriteDriveTable({{"C", "/", "HD"}});
    (void)bild;
}

TEST_F(ViewerTest, EditorsPrintUserMarkAndShortDescriptionGoThroughTheMainWindow)
{
    Album({{"a.png"}, {"b.png"}});
    auto f = Viewer();
    f->Bildexternbearbeiten_32->Click();
    f->Drucken1->Click();
    ASSERT_EQ(haupt.Editoren.size(), 1);
    EXPECT_EQ(haupt.Editoren[0], "2:" + f->AktuellesBild);
    EXPECT_EQ(haupt.Gedruckt, QStringList{f->AktuellesBild});
    EXPECT_TRUE(f->Benutzermarkierung1->Checked());
    Taste(*f, Qt::Key_M, Qt::ControlModifier);  // the menu's short cut is the popup's; the command itself:
    f->Benutzermarkierung1->Click();
    EXPECT_FALSE(f->Benutzermarkierung1->Checked());
    EXPECT_FALSE(album.table.FieldByName("MARKIERT")->AsBoolean());
    EXPECT_EQ(album.table.State(), dsBrowse);
    antworten.Eingabe = "Sonnenuntergang";
    f->Kurzbeschreibung1->Click();
    EXPECT_EQ(Feld("SHORTDESC"), "Sonnenuntergang");
    EXPECT_FALSE(f->KeyPreview);
    // Without key preview only numpad "/" and "*" act.
    Taste(*f, Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_TRUE(f->GanzesBildanzeigen1->Checked());
    Taste(*f, Qt::Key_Down);
    EXPECT_EQ(Nr(), 1);
    Taste(*f, Qt::Key_Slash, Qt::KeypadModifier);
    EXPECT_TRUE(f->OriginalGroesse1->Checked());
    f->Timer2->Timer();
    EXPECT_TRUE(f->KeyPreview);
    f->Optionen1->Click();
    EXPECT_EQ(haupt.OptionenGezeigt, 1);
    EXPECT_FALSE(haupt.Hinweise);
}

TEST_F(ViewerTest, DragScrollsWithTheLeftButtonOnlyAndTheTextWindowKeepsItsKeys)
{
    Album({{"gross.png", 2000, 1500, true, " 0"}});
    haupt.Optionen.TextVollbildAnzeige = true;
    auto f = Viewer();
    f->Scrollbarssichtbar1->Click();
    ASSERT_TRUE(f->ImageWindow1->ShowHorzScroll());
    TScrollBar* h = f->ImageWindow1->HorzScrollBar();
    TScrollBar* v = f->ImageWindow1->VertScrollBar();
    const int h0 = h->Position(), v0 = v->Position();
    f->ImageWindow1MouseMove(nullptr, {}, 300, 300);
    f->ImageWindow1MouseMove(nullptr, {ssLeft}, 170, 200);  // 130 / 13, 100 / 10
    EXPECT_EQ(h->Position(), h0 + 10);
    EXPECT_EQ(v->Position(), v0 + 10);
    f->ImageWindow1MouseMove(nullptr, {ssLeft, ssRight}, 0, 0);  // two buttons: no drag
    EXPECT_EQ(h->Position(), h0 + 10);
    // With the selection on the left button selects instead.
    f->Ausschnittselektierbarmachen1->Click();
    f->ImageWindow1MouseMove(nullptr, {}, 300, 300);
    f->ImageWindow1MouseMove(nullptr, {ssLeft}, 170, 200);
    EXPECT_EQ(h->Position(), h0 + 10);

    ASSERT_NE(f->TextVollbildForm, nullptr);
    TTextVollbildForm::Abbruch = false;
    Word esc = VK_ESCAPE;
    f->TextVollbildForm->FormKeyUp(nullptr, esc, {});
    EXPECT_TRUE(TTextVollbildForm::Abbruch);
    EXPECT_TRUE(antworten.Enthaelt("Klicken Sie für die Steuerung der Vollbildanzeige bitte zunächst wieder das Bild an...."));
    TTextVollbildForm::Abbruch = false;
    f->Close();
    // The window's place is kept in the main ini file.
    TQKINI ini(nullptr);
    ini.SetINIFileName(haupt.Ini);
    EXPECT_NE(ini.INIReadString("Einstellungen TextVollbildanzeige", "Hoehe", "<fehlt>"), "<fehlt>");
    EXPECT_EQ(ini.INIReadString("Einstellungen BilderFullSize", "Ausschnittselektierbarmachen", "<fehlt>"), "1");
}

TEST_F(ViewerTest, TypedDigitsLoadThePictureOfTheDestinationFolder)
{
    Album({{"a.png"}});
    DrawPicture(Linux("ziel") + "/00042.JPG", 30, 20);
    haupt.Optionen.ZielOrdner = WinDir("ziel");
    auto f = Viewer();
    Taste(*f, Qt::Key_4);
    Taste(*f, Qt::Key_2);
    EXPECT_EQ(f->Ziffern, "42");
    Taste(*f, Qt::Key_Return);
    EXPECT_TRUE(f->Ziffern.isEmpty());
    EXPECT_TRUE(f->AktuellesBild.endsWith("00042.JPG"));
    EXPECT_EQ(f->ImageWindow1->ImageInWindow()->GetImageWidth(), 30);
    EXPECT_EQ(haupt.Geschlossen, 0);
    // Digits naming no file are dropped; Enter alone closes.
    Taste(*f, Qt::Key_7);
    Taste(*f, Qt::Key_Return);
    EXPECT_TRUE(f->AktuellesBild.endsWith("00042.JPG"));
    Taste(*f, Qt::Key_Return);
    EXPECT_EQ(haupt.Geschlossen, 1);
}

}  // namespace
