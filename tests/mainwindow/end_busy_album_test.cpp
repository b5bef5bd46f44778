// The end of the program while another program keeps the album's index lock
// and is stopped (Ctrl+Z, a debugger): SIGTERM, "Ende" and the window's
// close box each end the program with its settings written, whether the
// end is asked for from the main loop, inside the engine's wait for that
// lock (the filter preparation after the first paint), inside the record
// editor's memo dialog (F2) or inside the full-size view opened by a double
// click. The end never runs inside a handler's event loop: the dialog
// closes, the wait stops, and the end follows from the main loop. The other
// program is a process of its own (album_halter.h), its album is left as it
// is and its own change is kept.

#include "pictures_fixture.h"
#include "record_editor_fixture.h"

#include "album_halter.h"
#include "datacontrols/dk_record_view.h"
#include "dialogs/full_size_form.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/dbf/lock_wait.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/menus.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <functional>
#include <optional>

namespace {

using lxtest::TAlbumHalter;
using lxtest::THalteArt;

// The engine's lock waits on a clock of the test: each pause lets a real
// millisecond pass (so events get their turn in the wait) and moves the
// clock on by a second, so a wait that is not stopped runs out its 30
// seconds at once. The pauses are counted.
class TWarteUhr {
public:
    TWarteUhr()
    {
        dbf::SetLockWaitClock({[this] { return jetzt_; }, [this](std::chrono::microseconds) {
                                   QThread::msleep(1);
                                   jetzt_ += std::chrono::seconds(1);
                                   ++pausen_;
                               }});
    }
    ~TWarteUhr() { dbf::SetLockWaitClock({}); }
    TWarteUhr(const TWarteUhr&) = delete;
    TWarteUhr& operator=(const TWarteUhr&) = delete;
    int Pausen() const { return pausen_; }

private:
    dbf::LockWaitTime jetzt_{};
    int pausen_ = 0;
};

enum class TWeg { Signal, Ende, Schliessfeld };
enum class TOrt { Hauptschleife, FilterWarten, MemoDialog, Vollbild };

const char* Name(TWeg w)
{
    switch (w) {
    case TWeg::Signal: return "SIGTERM";
    case TWeg::Ende: return "Ende";
    case TWeg::Schliessfeld: return "Schliessfeld";
    }
    return "";
}

const char* Name(TOrt o)
{
    switch (o) {
    case TOrt::Hauptschleife: return "Hauptschleife";
    case TOrt::FilterWarten: return "FilterWarten";
    case TOrt::MemoDialog: return "MemoDialog";
    case TOrt::Vollbild: return "Vollbild";
    }
    return "";
}

// Runs the modal dialog of the case with its own loop, as on screen, and
// asks for the end inside it; notes how the dialog and the end went. The
// end's own notice is noted with whether a handler's loop ran under it.
class TEndeFahrer : public TPromptRecorder {
public:
    std::function<bool(TCustomForm&)> IstDialog;
    std::function<void()> Anfordern;
    std::function<bool()> ProgrammEndet;
    bool DialogGezeigt = false;
    bool DialogVonSelbstZu = false;
    bool EndeUnterDialog = false;
    bool NotizGezeigt = false;
    bool NotizVerschachtelt = false;

    TModalResult ShowModal(TCustomForm& form) override
    {
        if (auto* m = dynamic_cast<TMSGDLGForm*>(&form); m && m->Label1->Caption().startsWith("Sie haben QV-Lumadex")) {
            NotizGezeigt = true;
            NotizVerschachtelt = Application->InNestedLoop();
        }
        if (!IstDialog || !IstDialog(form))
            return TPromptRecorder::ShowModal(form);
        DialogGezeigt = true;
        form.BeginModal();
        Anfordern();
        // The bound only keeps a dialog that stays open from holding the
        // test run; the dialog is to close on the end's request.
        DialogVonSelbstZu = form.ModalLoop(20000);
        EndeUnterDialog = ProgrammEndet();
        const TModalResult ergebnis = form.ModalResult;
        form.EndModal();
        return ergebnis;
    }
};

class EndBusyAlbumTest : public PicturesTest {
protected:
    // Asks for the end the given way, as the program gets it: the signal
    // through the main block's guard, "Ende" from its menu entry, the close
    // box through the window system's close event.
    void Anfordern(TWeg weg)
    {
        switch (weg) {
        case TWeg::Signal:
            Application->Guarded(form.get(), [this] { form->BeendenAnfordern(); });
            break;
        case TWeg::Ende:
            form->MenuItem("Ende3")->Action()->trigger();
            break;
        case TWeg::Schliessfeld:
            form->Handle()->close();
            break;
        }
    }

    // The start-up, then the window shows as the main block shows it and
    // its one-shot deferred start-up runs. The window's show arms that
    // start-up's timer: were the window shown after the start-up had run
    // (StartenUndZeigen, then Show), the start-up would run a second time a
    // second later, in the middle of the case, and move the grid back to
    // the stored place while the other program holds the album.
    void StartenUndSichtbarZeigen()
    {
        Starten();
        form->Show();
        form->Timer3->Timer();
        ASSERT_FALSE(form->Timer3->Enabled()) << "the deferred start-up is still due";
    }

    // The long description of the open record editor.
    TdkDBMemo* Notizfeld()
    {
        for (TWinControl* c : form->RecordViewDialogBilder->EditList())
            if (auto* m = dynamic_cast<TdkDBMemo*>(c); m && m->Field() && m->Field()->FieldName == "NOTIZ")
                return m;
        return nullptr;
    }
};

TEST_F(EndBusyAlbumTest, EveryWayOfEndingEndsWithTheSettingsWrittenWhereverItIsAskedFor)
{
    AlbumMit({{"eins.jpg", "JPEG"}, {"zwei.png", "PNG"}, {"drei.jpg", "JPEG"}});
    Beenden();
    form.reset();
    Application->ClearTerminated();

    int lauf = 2;  // the starts so far
    for (const TOrt ort : {TOrt::Hauptschleife, TOrt::FilterWarten, TOrt::MemoDialog, TOrt::Vollbild}) {
        for (const TWeg weg : {TWeg::Signal, TWeg::Ende, TWeg::Schliessfeld}) {
            SCOPED_TRACE(std::string(Name(ort)) + " / " + Name(weg));
            TEndeFahrer fahrer;
            ASSERT_NO_FATAL_FAILURE(StartenUndSichtbarZeigen());
            Gehe(2);
            form->TableBilder->Refresh();
            Application->ProcessMessages();
            const long satz = form->DbeBilder->RecNo();
            const int ordnung = form->DbeBilder->IndexOrd();
            ASSERT_EQ(IniLesen("Einstellungen Hauptprogramm", "ProgAufrufe"), QString::number(lauf));
            if (ort == TOrt::MemoDialog) {
                ASSERT_NE(SatzeditorOeffnen(*form), nullptr);
            }

            // The other program takes the lock and is stopped; for the
            // full-size view only once the view shows (it reads the album).
            std::optional<TAlbumHalter> halter;
            const auto halten = [&] {
                halter.emplace((Datenbank() / "BILDER.DBF").string(), THalteArt::Indexsperre);
                EXPECT_TRUE(halter->Haelt());
                EXPECT_TRUE(halter->Anhalten());
            };
            if (ort != TOrt::Vollbild)
                halten();
            TWarteUhr uhr;
            int pausenBeiAnforderung = -1;
            const auto anfordern = [&] {
                if (!halter)
                    halten();
                pausenBeiAnforderung = uhr.Pausen();
                Anfordern(weg);
            };
            fahrer.ProgrammEndet = [this] { return form->Dienste().Lauf().ProgrammEndet(); };
            fahrer.Anfordern = anfordern;

            switch (ort) {
            case TOrt::Hauptschleife:
                anfordern();
                break;
            case TOrt::FilterWarten: {
                // Asked for once the preparation waits for the lock (the
                // record panel names the album it waits for).
                QTimer blick;
                blick.setInterval(2);
                QObject::connect(&blick, &QTimer::timeout, [&] {
                    if (pausenBeiAnforderung < 0 &&
                        form->StatusBarBilder1->Panels()->Items(0)->Text().startsWith("Warte auf das Album"))
                        anfordern();
                });
                blick.start();
                form->FilterVorbereiten();
                for (int i = 0; i < 3000 && pausenBeiAnforderung < 0; ++i)
                    Application->ProcessMessages();
                ASSERT_GE(pausenBeiAnforderung, 0) << "the preparation never waited for the album";
                break;
            }
            case TOrt::MemoDialog: {
                fahrer.IstDialog = [](TCustomForm& f) { return f.Name == "dkMemoDlg"; };
                TdkDBMemo* memo = Notizfeld();
                ASSERT_NE(memo, nullptr);
                memo->SetFocus();
                QTest::keyClick(memo->Editor(), Qt::Key_F2);
                break;
            }
            case TOrt::Vollbild:
                fahrer.IstDialog = [](TCustomForm& f) { return dynamic_cast<TFullSizeForm*>(&f) != nullptr; };
                form->ImageWindow2->OnDblClick(form->ImageWindow2);
                break;
            }
            if (fahrer.IstDialog) {
                EXPECT_TRUE(fahrer.DialogGezeigt);
                EXPECT_TRUE(fahrer.DialogVonSelbstZu) << "the dialog stayed open";
                EXPECT_FALSE(fahrer.EndeUnterDialog) << "the program ended under the open dialog";
            }
            // Back in the main loop: the end follows.
            for (int i = 0; i < 400 && !Application->Terminated(); ++i) {
                Application->ProcessMessages();
                QThread::msleep(5);
            }

            EXPECT_TRUE(Application->Terminated());
            EXPECT_TRUE(form->Dienste().Lauf().ProgrammEndet());
            EXPECT_TRUE(fahrer.NotizGezeigt);
            EXPECT_FALSE(fahrer.NotizVerschachtelt) << "the end ran inside a handler's event loop";
            EXPECT_EQ(uhr.Pausen(), pausenBeiAnforderung) << "a wait for the album went on after the end was asked for";
            EXPECT_FALSE(form->TableBilder->Active());
            EXPECT_EQ(form->RecordViewDialogBilder->Form(), nullptr);
            EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "ProgAufrufe"), QString::number(lauf + 1));
            EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "LastRecNo"), QString::number(satz));
            EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "LastOrder"), QString::number(ordnung));
            EXPECT_NE(IniLesen("Einstellungen Hauptprogramm", "GesamtNutzungsZeit"), "<fehlt>");

            // The other program goes on and keeps its change.
            ASSERT_TRUE(halter);
            EXPECT_EQ(halter->Loslassen(), 0);
            form.reset();
            Application->ClearTerminated();
            ++lauf;
        }
    }
    const std::string album = (Datenbank() / "BILDER.DBF").string();
    ASSERT_NE(dbe_Use(album.c_str(), "LESEN", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    EXPECT_EQ(dbe_RecCount(), 3u + 12u);
    dbe_Close();
}

}  // namespace
