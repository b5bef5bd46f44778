// A description typed into the open album's entry is saved when the album
// closes under it: at the program's end (with the text still in the edit or
// after Tab) and when another album is opened in its place.

#include "pictures_fixture.h"

#include "album_halter.h"

#include "album/offenes_album.h"
#include "datacontrols/dk_db_edit.h"

#include <QTest>

#include <functional>
#include <optional>

namespace {

class EditKeptTest : public PicturesTest {
protected:
    // A new run on the album, its window shown as the user sees it, on the
    // second entry.
    void SichtbarStarten()
    {
        Starten();
        form->Show();
        form->Timer3->Timer();
        Gehe(2);
        form->TableBilder->Refresh();
        QCoreApplication::processEvents();
    }
    // Types into the description edit as a user does, each character as its
    // key types it.
    void BeschreibungTippen(const QString& text)
    {
        form->Handle()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form->Handle()));
        QWidget* edit = form->DBEditShortDesc->Handle();
        QTest::mouseClick(edit, Qt::LeftButton);
        ASSERT_TRUE(edit->hasFocus());
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key(c.toUpper().unicode()), c, Qt::NoModifier);
        ASSERT_EQ(form->DBEditShortDesc->Text(), text);
    }

    // The description of the album's entry with that record number, as
    // the file holds it.
    std::string Gespeichert(int satz)
    {
        const std::string album = (Datenbank() / "BILDER.DBF").string();
        EXPECT_NE(dbe_Use(album.c_str(), "PRUEFEN", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
        dbe_Go(uint32_t(satz));
        const std::string text = QString::fromLatin1(dbe_GetString("SHORTDESC")).trimmed().toStdString();
        dbe_Close();
        return text;
    }
};

TEST_F(EditKeptTest, ATypedDescriptionIsSavedWhenTheAlbumClosesUnderIt)
{
    AlbumMit({{"eins.jpg", "JPEG"}, {"zwei.png", "PNG"}});
    Beenden();
    form.reset();
    Application->ClearTerminated();

    const struct {
        const char* wie;
        bool tab;  // the edit is left before the album closes
        std::function<void(TMainForm&)> schliessen;
    } faelle[] = {
        {"Ende, Text im Feld", false, [](TMainForm& f) { f.Ende1Click(f.MenuItem("Ende3")); }},
        {"Ende nach Tab", true, [](TMainForm& f) { f.Ende1Click(f.MenuItem("Ende3")); }},
        {"anderes Album", false, [](TMainForm& f) { f.Album().NeuOeffnen(); }},
    };
    for (const auto& fall : faelle) {
        SCOPED_TRACE(fall.wie);
        SichtbarStarten();
        const QString text = QStringLiteral("Urlaub am Meer, ") + fall.wie;
        ASSERT_NO_FATAL_FAILURE(BeschreibungTippen(text));
        if (fall.tab)
            QTest::keyClick(form->DBEditShortDesc->Handle(), Qt::Key_Tab);
        fall.schliessen(*form);
        if (form->Album().IstOffen()) {
            // Opened again from the file.
            form->DbeBilder->Go(2);
            EXPECT_EQ(form->DbeBilder->GetTrimString("SHORTDESC").toStdString(), text.toStdString());
            Beenden();
        }
        form.reset();
        EXPECT_EQ(Gespeichert(2), text.toStdString());
        Application->ClearTerminated();
    }
}

// Another program holds the album's index lock and is stopped: the typed
// entry cannot be saved at the end. The end does not wait for that program,
// says that the entry was not saved and why, and the file keeps the entry
// as it was, whole.
TEST_F(EditKeptTest, AnEntryThatCannotBeSavedAtTheEndIsNamedAndTheFileKeepsTheOldOne)
{
    AlbumMit({{"eins.jpg", "JPEG"}, {"zwei.png", "PNG"}});
    Beenden();
    form.reset();
    Application->ClearTerminated();
    SichtbarStarten();
    ASSERT_NO_FATAL_FAILURE(BeschreibungTippen(QStringLiteral("Nicht zu sichern")));
    lxtest::TAlbumHalter halter((Datenbank() / "BILDER.DBF").string(), lxtest::THalteArt::Indexsperre);
    ASSERT_TRUE(halter.Haelt());
    ASSERT_TRUE(halter.Anhalten());
    prompts.Texte.clear();
    Beenden();
    EXPECT_TRUE(Application->Terminated());
    const QString texte = prompts.Texte.join("|");
    EXPECT_TRUE(texte.contains("Der geänderte Eintrag konnte nicht gespeichert werden: ") &&
                texte.contains("von einem anderen Programm gesperrt"))
        << texte.toStdString();
    form.reset();
    halter.Loslassen();
    EXPECT_EQ(Gespeichert(2), "Bild 2");
}

}  // namespace
