// An album the program cannot write, opened as a user opens it: by its
// read-only attribute, and as files the process cannot write although their
// mode says otherwise (a disc burned with writable modes, another user's
// files; here immutable files stand in for them). It opens in read-only
// mode, and every view and every command that only reads works on it and
// leaves its files as they were.

#include "pictures_fixture.h"

#include "dialogs/full_size_form.h"
#include "dialogs/html_export_form.h"
#include "dialogs/ascii_dialogs.h"
#include "imaging/image_window.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <functional>

namespace {

// Sets or clears a file's immutable flag; false where that cannot be done
// (it needs root and a file system that keeps the flag).
bool Unveraenderlich(const std::filesystem::path& datei, bool an)
{
    const int fd = ::open(datei.c_str(), O_RDONLY);
    int flags = 0;
    bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = an ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (fd >= 0)
        ::close(fd);
    return ok;
}

// How the album's files are kept from being written.
enum class TSchutz { Attribut, NichtSchreibbar };

// Answers as the fixture's recorder does; the full-size viewer is shown,
// walked, turned, zoomed and closed as a user would.
class TLeser : public TPromptRecorder {
public:
    TLeser() { Antworten[QStringLiteral("Der HTML-Export bezieht sich immer")] = mrYes; }
    TModalResult ShowModal(TCustomForm& form) override
    {
        if (auto* f = dynamic_cast<TFullSizeForm*>(&form)) {
            Texte << QStringLiteral("<Vollbild>");
            f->Show();
            f->Naechstes1->Click();
            f->N90drehen1->Click();
            f->Zoom1->Click();
            f->GanzesBildanzeigen1->Click();
            f->Close();
            return mrCancel;
        }
        // The exports run as started from their dialogs.
        if (auto* h = dynamic_cast<TPicHTMLForm*>(&form)) {
            Texte << QStringLiteral("<HTML-Export>");
            h->BitBtnCreateClick();
            return mrOk;
        }
        if (auto* e = dynamic_cast<TBilderDBFExportForm*>(&form)) {
            Texte << QStringLiteral("<ASCII-Export>");
            e->BitBtnExportStartClick();
            return mrOk;
        }
        return TPromptRecorder::ShowModal(form);
    }
};

class ReadOnlyAlbumTest : public PicturesTest, public ::testing::WithParamInterface<TSchutz> {
protected:
    void TearDown() override
    {
        Schuetzen(false);
        PicturesTest::TearDown();
    }
    std::vector<std::filesystem::path> AlbumDateien() const
    {
        std::vector<std::filesystem::path> dateien;
        for (const auto& e : std::filesystem::directory_iterator(Datenbank()))
            if (e.path().filename().string().rfind("BILDER.", 0) == 0)
                dateien.push_back(e.path());
        return dateien;
    }
    // False when this kind of protection cannot be made here.
    bool Schuetzen(bool an)
    {
        for (const auto& datei : AlbumDateien()) {
            if (GetParam() == TSchutz::Attribut) {
                std::filesystem::permissions(datei, an ? std::filesystem::perms(0444) : std::filesystem::perms(0644));
            } else if (!Unveraenderlich(datei, an) && an) {
                return false;
            }
        }
        return true;
    }
    std::map<std::string, QByteArray> Inhalte() const
    {
        std::map<std::string, QByteArray> inhalte;
        for (const auto& datei : AlbumDateien()) {
            QFile f(QString::fromStdString(datei.string()));
            inhalte[datei.filename().string()] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unlesbar>");
        }
        return inhalte;
    }
    // Ends the run, protects the album's files (after `vorbereiten`, when
    // given) and starts again on them, the files' contents noted in
    // `vorher`. False when the files cannot be protected here.
    bool GeschuetztStarten(const std::function<void()>& vorbereiten = {})
    {
        Beenden();
        form.reset();
        if (vorbereiten)
            vorbereiten();
        if (!Schuetzen(true))
            return false;
        vorher = Inhalte();
        prompts.Texte.clear();
        StartenUndZeigen();
        return true;
    }
    // Ends the run and compares the album's files with `vorher`.
    void BeendenUndUnveraendert()
    {
        Beenden();
        form.reset();
        dbe_CloseAll();
        EXPECT_EQ(Inhalte(), vorher);
    }

    std::map<std::string, QByteArray> vorher;
};

}  // namespace

TEST_P(ReadOnlyAlbumTest, EveryViewAndReadingCommandWorksAndWritesNothing)
{
    AlbumMit({{"eins.png", "PNG"}, {"zwei.jpg", "JPEG"}, {"drei.bmp", "BMP"}});
    // The full-text index holds the entries.
    form->VolltextNeuAufbauen();
    if (!GeschuetztStarten())
        GTEST_SKIP() << "immutable files need root on a file system that keeps the attribute";
    ASSERT_TRUE(form->TableBilder->Active());
    EXPECT_TRUE(form->BereichBilder().NurLesen());
    EXPECT_TRUE(prompts.Gezeigt("BILDER.DBF ist schreibgeschützt und wird im \"Nur lesen Modus\" geöffnet !"))
        << prompts.Texte.join("|").toStdString();
    const std::string html = (dir.path() / "html").string(), ascii = (dir.path() / "ascii").string();
    std::filesystem::create_directories(html);
    std::filesystem::create_directories(ascii);
    form->ProgrammOptionen()->SetText("HTMLExportPfad", Win(html) + "\\");
    form->ProgrammOptionen()->SetText("ASCIIExportPfad", Win(ascii) + "\\");
    const auto menue = [this](const char* name) { return [this, name] { form->MenuItem(name)->Click(); }; };
    const auto seite = [this](TTabSheet* TMainForm::*s) {
        return [this, s] {
            form->PageControlBilder->SetActivePage(form.get()->*s);
            form->PageControlBilderChange(nullptr);
        };
    };
    const std::vector<std::pair<const char*, std::function<void()>>> befehle = {
        {"Vollbild aus dem Menü", menue("Vollbild1")},
        {"Slideshow", menue("Slideshowstarten2")},
        {"Vorschaubilder", seite(&TMainForm::TabSheetVorschauBilder)},
        {"Vollbild aus den Vorschaubildern", menue("VollbildAnzeige2")},
        {"Großbild", seite(&TMainForm::TabSheetGrossBild)},
        {"Fotoalbum", seite(&TMainForm::TabSheetBilderDatenbank)},
        {"Schwebendes Vorschaubild", menue("SchwebendesVorschaubild2")},
        {"Drehen", menue("N90rechts1")},
        {"Zurückdrehen", menue("N0Originalausrichtung1")},
        {"Einzelbild drucken", menue("Einzelbilddruck1")},
        {"Listendruck", menue("Listendruck1")},
        {"HTML-Export", menue("BilderHTMLExport1")},
        {"ASCII-Export", menue("ASCIIExport1")},
        {"Volltextsuche", [this] {
             form->TableBilder->First();
             form->edSearch->SetText("zwei");
             form->ButNextClick(nullptr);
             EXPECT_EQ(Nr(), 2);
             form->ButPrevClick(nullptr);
             form->ButFiltClick(nullptr);
         }},
        {"Filter auf Markierte", menue("BilderFilterAufMarkierte1")},
        {"Filter nicht im Zugriff", menue("BilderFilterNichtimZugriff1")},
        {"Nur verfügbare", menue("NurverfuegbareBilderanzeigen1")},
        {"Filter-Reset", menue("BilderOhneFilter1")},
        {"Sortierung", [this] { form->DBGridBilderTitleButtonClick(nullptr, "SHORTDESC"); }},
        {"Unsortiert", menue("Unsortiert2")},
        {"Gehe zu Satz", menue("GehezuSatzNr1")},
        {"Blättern", [this] {
             form->TableBilder->Last();
             form->TableBilder->First();
         }},
    };
    for (const auto& [name, befehl] : befehle) {
        TLeser leser;
        try {
            befehl();
        } catch (const std::exception& e) {
            ADD_FAILURE() << name << ": " << e.what();
        }
        for (const QString& text : leser.Texte)
            EXPECT_FALSE(text.contains("kann nicht verändert werden")) << name << ": " << text.toStdString();
        if (std::string(name).rfind("Vollbild", 0) == 0 || std::string(name) == "Slideshow") {
            EXPECT_TRUE(leser.Gezeigt("<Vollbild>")) << name << ": " << leser.Texte.join("|").toStdString();
        }
    }
    BeendenUndUnveraendert();
}

// A read-only album without a full-text index: it opens without building
// one (nothing written beside it, no message but the read-only notice), the
// full-text search and "Nächster" each say once why they cannot search, the
// rebuild of the index says why it cannot run, and the other commands go on
// working.
TEST_P(ReadOnlyAlbumTest, WithoutAFullTextIndexTheSearchSaysWhyAndNothingIsBuilt)
{
    AlbumMit({{"eins.png", "PNG"}, {"zwei.jpg", "JPEG"}, {"drei.bmp", "BMP"}});
    if (!GeschuetztStarten([this] { std::filesystem::remove(Datenbank() / "BILDER.IA"); }))
        GTEST_SKIP() << "immutable files need root on a file system that keeps the attribute";
    ASSERT_TRUE(form->TableBilder->Active());
    EXPECT_TRUE(form->BereichBilder().NurLesen());
    ASSERT_EQ(prompts.Texte.size(), 1) << prompts.Texte.join("|").toStdString();
    EXPECT_TRUE(prompts.Texte[0].contains("ist schreibgeschützt")) << prompts.Texte[0].toStdString();
    const QString grund = "Das Fotoalbum hat keine Volltextdatenbank, und im \"Nur lesen Modus\" kann keine "
                          "erzeugt werden: die Volltextsuche ist nicht möglich!";
    const QString keinNeubau = "Das Fotoalbum ist im \"Nur lesen Modus\" geöffnet, die Volltextdatenbank kann "
                               "nicht neu aufgebaut werden!";
    const struct {
        const char* name;
        std::function<void()> befehl;
        QString meldung;  // the one message the command shows, asking nothing
    } befehle[] = {
        {"Filter", [this] { form->ButFiltClick(nullptr); }, grund},
        {"Nächster", [this] { form->ButNextClick(nullptr); }, grund},
        {"Neu aufbauen", [this] { form->MenuItem("NurVolltextsucheneuaufbauen1")->Click(); }, keinNeubau},
    };
    for (const auto& b : befehle) {
        TLeser leser;
        form->TableBilder->First();
        form->edSearch->SetText("zwei");
        b.befehl();
        EXPECT_EQ(leser.Texte.join("|").toStdString(), b.meldung.toStdString()) << b.name;
        EXPECT_EQ(form->DbeBilder->QueryRecCount(), 3u) << b.name;
    }
    {
        // Another reading command still works.
        TLeser leser;
        form->MenuItem("GehezuSatzNr1")->Click();
        form->DBGridBilderTitleButtonClick(nullptr, "SHORTDESC");
        EXPECT_TRUE(form->TableBilder->Active());
    }
    BeendenUndUnveraendert();
    EXPECT_FALSE(std::filesystem::exists(Datenbank() / "BILDER.IA"));
}

INSTANTIATE_TEST_SUITE_P(Schutz, ReadOnlyAlbumTest, ::testing::Values(TSchutz::Attribut, TSchutz::NichtSchreibbar),
                         [](const auto& info) {
                             return std::string(info.param == TSchutz::Attribut ? "Attribut" : "NichtSchreibbar");
                         });

// The album-wide commands that change an album (pack, delete all, recall
// all, rebuild of the full-text index) say once that the album is open in
// read-only mode, ask nothing and change nothing.
TEST_P(ReadOnlyAlbumTest, AlbumWideChangesSayTheAlbumIsReadOnlyAndChangeNothing)
{
    AlbumMit({{"eins.png", "PNG"}, {"zwei.jpg", "JPEG"}});
    if (!GeschuetztStarten())
        GTEST_SKIP() << "immutable files need root on a file system that keeps the attribute";
    ASSERT_TRUE(form->BereichBilder().NurLesen());
    const struct {
        const char* menue;
        const char* meldung;
    } befehle[] = {
        {"BilderDBFpacken1", "es kann nicht gepackt werden"},
        {"AlleBilderSaetzeLoeschen1", "seine Einträge können nicht gelöscht werden"},
        {"AlleBilderSaetzeZurueckholen1", "seine gelöschten Einträge können nicht zurückgeholt werden"},
        {"NurVolltextsucheneuaufbauen1", "die Volltextdatenbank kann nicht neu aufgebaut werden"},
    };
    for (const auto& b : befehle) {
        TLeser leser;
        leser.Antworten[QStringLiteral("packen")] = mrYes;
        leser.Antworten[QStringLiteral("löschen")] = mrYes;
        leser.Antworten[QStringLiteral("zurückholen")] = mrYes;
        form->MenuItem(b.menue)->Click();
        EXPECT_EQ(leser.Texte.join("|").toStdString(),
                  (QStringLiteral("Das Fotoalbum ist im \"Nur lesen Modus\" geöffnet, ") + b.meldung + "!").toStdString())
            << b.menue;
        EXPECT_TRUE(form->TableBilder->Active()) << b.menue;
        EXPECT_EQ(form->DbeBilder->RecCount(), 2u) << b.menue;
    }
    BeendenUndUnveraendert();
}
