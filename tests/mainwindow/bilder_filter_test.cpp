// The filters and searches without a main window: TBilderFilter over a real
// album work area in a temporary folder (table, engine companion, full-text
// index), with a view and a window that record what they are told.

#include "album_ansicht_protokoll.h"
#include "offenes_album_fixture.h"
#include "album/album_record.h"
#include "album/arbeitsbereich.h"
#include "mainwindow/bilder_filter.h"

#include "datagrid/dk_data_source.h"
#include "datagrid/dk_table.h"
#include "dialogs/date_range.h"
#include "dialogs/program_settings.h"
#include "dialogs/small_forms.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"
#include "storage/database_bridge.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe.h"
#include "storage/tdbe_env.h"
#include "storage/tfts.h"
#include "test_environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using TSuchKnopf = TAlbumAnsicht::TSuchKnopf;
using TSatzNummern = std::vector<uint32_t>;

// What the filters reach of the window: log lines and grid layout steps
// recorded, the value dialog real (answered by the prompt script).
class TFensterProtokoll : public TBilderFilterUmgebung {
public:
    TFensterProtokoll(QStringList& log, QStringList& layout, QString ini) : Log(log), Layout(layout), ini_(std::move(ini)) {}
    // The action log of the program's services, the views' calls.
    QStringList& Log;
    QStringList& Layout;
    QStringList PicklistenGelesen;

    void Hinweis(const QString& text) override { Log << "Hinweis: " + text; }
    const TProgrammEinstellungen& Optionen() const override { return optionen_; }
    bool FensterSichtbar() const override { return false; }
    TBilderDialogForm* FilterDialog() override
    {
        if (!filterDialog_)
            filterDialog_ = std::make_unique<TBilderDialogForm>(nullptr);
        return filterDialog_.get();
    }
    int AuswahlZeilen() const override { return 8; }
    bool CodeListe(const QString&, QStringList&) const override { return false; }
    QStringList Pickliste(const QString& name) override
    {
        PicklistenGelesen << name;
        return {"Familie", "Urlaub", "Urlaub 2"};
    }
    TDatumScopeForm* DatumDialog() override
    {
        if (!datumDialog_)
            datumDialog_ = std::make_unique<TDatumScopeForm>(nullptr, ini_);
        return datumDialog_.get();
    }
    TComponent* DialogBesitzer() override { return nullptr; }
    QString FokusFeld() const override { return QString(); }
    void GridLayoutUnveraendert() override { Layout << "GridLayoutUnveraendert"; }
    bool NurVerfuegbareAnzeigen() const override { return false; }
    void NurVerfuegbareUmschalten() override {}
    void FeldsucheAnbieten(bool) override {}
    void GefundeneKopieren() override { Log << "GefundeneKopieren"; }

private:
    QString ini_;
    TProgrammEinstellungen optionen_;
    std::unique_ptr<TBilderDialogForm> filterDialog_;
    std::unique_ptr<TDatumScopeForm> datumDialog_;
};

struct TEintrag {
    const char* ShortDesc;
    const char* Label;
    bool Markiert;
};

const std::vector<TEintrag> kAlbum = {
    {"Sonne am Strand", "Urlaub", true}, {"Regen im Wald", "Urlaub 2", false}, {"Sonne im Schnee", "Familie", true},
    {"Nebel", "Familie", false},         {"Sonne über Köln", "Urlaub", false},
};

class BilderFilterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
        ASSERT_EQ(InstallDatabaseBridge(), DBIERR_NONE);
        werkstatt = std::make_unique<TAlbumWerkstatt>(dir.path(), ansicht);
        env = &werkstatt->env;
        env->SetExact(true);
        env->SetSoftSeek(false);
        tabelle = &werkstatt->bilder.tabelle;
        tabelle->Name = "TableBilder";
        dbe = werkstatt->bilder.dbe.get();
        fts = werkstatt->bilder.fts.get();
        bereich = &werkstatt->bilder.bereich;
        fenster = std::make_unique<TFensterProtokoll>(werkstatt->dienste.Aufrufe, ansicht.Aufrufe,
                                                      Win(dir.path() / "Lumadex.INI"));
        AlbumAnlegen();
        filter = std::make_unique<TBilderFilter>(werkstatt->album, ansicht, werkstatt->dienste, *fenster);
    }
    void TearDown() override
    {
        filter.reset();
        fenster.reset();
        werkstatt.reset();
        dbe_CloseAll();
        UninstallDatabaseBridge();
    }

    static QString Win(const std::filesystem::path& p) { return *LinuxToWin(QString::fromStdString(p.string())); }

    // The album with its fields, entries, index tags and full-text index,
    // open in ShortDesc order.
    void AlbumAnlegen()
    {
        const TAlbumDateien& d = bereich->Dateien();
        ASSERT_TRUE(dbe->CreateNew(d.Dbf(), 2, kAlbumFeldAnzahl));
        for (const TAlbumFeld& f : kAlbumFelder)
            dbe->CreateField(QString::fromLatin1(f.Name), f.Typ, f.Breite, f.Dezimal);
        ASSERT_TRUE(dbe->CreateExec());
        const std::string datei = (dir.path() / "TEST.DBF").string();
        ASSERT_NE(dbe_Use(datei.c_str(), "FUELLEN", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
        for (const TEintrag& e : kAlbum) {
            ASSERT_EQ(dbe_AppendBlank(), 1);
            for (auto [feld, text] : {std::pair{"SHORTDESC", e.ShortDesc}, std::pair{"LABEL", e.Label}})
                dbe_Replace(feld, DBE_REPL_TEXT, Win1252EncodeOrThrow(QString::fromUtf8(text)).constData());
            const char markiert = e.Markiert ? 'T' : 'F';
            dbe_Replace("MARKIERT", DBE_REPL_LOGICAL, &markiert);
        }
        dbe_Commit();
        dbe_Close();

        ASSERT_EQ(DatenbankOeffnenPasswort(tabelle, ttDXFOX, dbe, d.Ordner(), d.Name(), QString(), true,
                                           false, false, nullptr, QString(), QString()),
                  kDatenbankOffen);
        for (const TAlbumTag& t : kAlbumTags)
            dbe->IndexTag(QString(), QString::fromLatin1(t.Name), QString::fromLatin1(t.Schluessel), 0, 0,
                          QString::fromLatin1(t.Bedingung));
        dbe->SetOrder(0);
        fts->CreateIndex(d.Ia(), 20, 2, 1, 1);
        std::vector<char>& puffer = bereich->FtsPuffer();
        for (dbe->GoTop(); !dbe->Eof(); dbe->Skip(1)) {
            const int laenge = dbe->RecSize();
            puffer.assign(size_t(laenge) + 1, 0);
            dbe->GetRecord(puffer.data());
            ASSERT_GT(fts->Add(QByteArray(puffer.data(), laenge)), 0);
        }
        ASSERT_GT(fts->OpenIndex(d.Ia(), 20, 0), 0);
        dbe->SetOrder(dbe->TagArea("ShortDesc"));
        tabelle->Refresh();
    }

    // The record numbers the album shows now, in their order.
    TSatzNummern Gezeigt()
    {
        TSatzNummern r;
        for (tabelle->First(); !tabelle->Eof(); tabelle->Next())
            r.push_back(uint32_t(tabelle->RecNo()));
        return r;
    }
    static TSatzNummern Sortiert(TSatzNummern v)
    {
        std::sort(v.begin(), v.end());
        return v;
    }

    // The "Filter-Dialog" answered with that entry of its combo.
    static TPromptScript::TFormAnswer Auswahl(const QString& text)
    {
        return [text](TCustomForm& f) {
            auto& d = dynamic_cast<TBilderDialogForm&>(f);
            EXPECT_TRUE(d.cboEingabe->Visible());
            d.cboEingabe->SetText(text);
            f.ModalResult = mrOk;
        };
    }

    lxtest::TempDir dir;
    TPromptScript script;
    TAlbumAnsichtProtokoll ansicht;
    std::unique_ptr<TAlbumWerkstatt> werkstatt;
    TDbeEnv* env = nullptr;
    TdkTable* tabelle = nullptr;
    TDbe* dbe = nullptr;
    TFts* fts = nullptr;
    TArbeitsbereich* bereich = nullptr;
    std::unique_ptr<TFensterProtokoll> fenster;
    std::unique_ptr<TBilderFilter> filter;
};

TEST_F(BilderFilterTest, AFieldFilterShowsTheMatchingEntriesAndReportsTheirCount)
{
    script.Modal(Auswahl("Urlaub"));
    filter->FeldBefehl(nullptr, "AufLabel2Click", "LABEL");
    EXPECT_EQ(dbe->DBFilter(), "LABEL = \"Urlaub\"");
    // Exact: "Urlaub 2" is another label.
    EXPECT_EQ(Sortiert(Gezeigt()), (TSatzNummern{1, 5}));
    EXPECT_EQ(fenster->PicklistenGelesen, QStringList{"Label"});
    EXPECT_EQ(ansicht.GezeigteAnzahlen, (std::vector<uint32_t>{2}));
    EXPECT_EQ(ansicht.Filter, "Filter= LABEL");
    EXPECT_EQ(ansicht.Sortierung, "Sortierung=LABEL");
    EXPECT_TRUE(ansicht.SuchKnopfAktiv(TSuchKnopf::FilterReset));
    EXPECT_EQ(fenster->Log, QStringList{"Info: AufLabel2Click(), Funktion aufgerufen!"});
    EXPECT_EQ(fenster->Layout.filter("GridLayout"),
              (QStringList{"GridLayoutSichern", "GridLayoutZuruecklesen", "GridLayoutUnveraendert"}));
    // The thumbnail page reads the filtered album when it shows next.
    EXPECT_TRUE(ansicht.Aufrufe.contains("VorschaubilderVeraltet"));
}

TEST_F(BilderFilterTest, AMarkFilterKeepsTheOrderAndHidesTheViewsMeanwhile)
{
    const int ordnung = dbe->IndexOrd();
    filter->FilterAufFlag("MARKIERT");
    EXPECT_EQ(Sortiert(Gezeigt()), (TSatzNummern{1, 3}));
    EXPECT_EQ(dbe->IndexOrd(), ordnung);
    EXPECT_EQ(ansicht.Filter, "Filter=MARKIERT");
    EXPECT_EQ(ansicht.Sortierung, "Sortierung=SHORTDESC");
    ASSERT_GE(ansicht.Aufrufe.size(), 4);
    EXPECT_EQ(ansicht.Aufrufe.mid(0, 2), (QStringList{"GridVerbergen", "EinzelsatzVerbergen"}));
    EXPECT_EQ(ansicht.Aufrufe.mid(ansicht.Aufrufe.size() - 2),
              (QStringList{"GridZeigen", "EinzelsatzWiederherstellen"}));
}

TEST_F(BilderFilterTest, TheResetRestoresTheOrderBeforeTheFilter)
{
    const int ordnung = dbe->IndexOrd();
    script.Modal(Auswahl("Familie"));
    filter->Filtern("LABEL");
    ASSERT_EQ(dbe->TagName(dbe->IndexOrd()), "LABEL");
    EXPECT_EQ(filter->FilterSortierung(), ordnung);
    filter->OhneFilter(nullptr);
    EXPECT_EQ(dbe->IndexOrd(), ordnung);
    EXPECT_EQ(dbe->DBFilter(), "");
    EXPECT_EQ(Gezeigt(), (TSatzNummern{4, 2, 1, 3, 5}));  // in ShortDesc order
    EXPECT_EQ(ansicht.Filter, "Kein Filter gesetzt");
    EXPECT_EQ(ansicht.Sortierung, "Sortierung=SHORTDESC");
    EXPECT_FALSE(ansicht.SuchKnopfAktiv(TSuchKnopf::FilterReset));
    EXPECT_EQ(ansicht.Text, "Geben Sie hier einen Suchtext ein....");
}

TEST_F(BilderFilterTest, NextWalksTheHitsOfAFullTextSearch)
{
    ansicht.Text = "sonne";
    std::vector<uint32_t> besucht;
    for (int i = 0; i < 2; ++i) {
        filter->Naechster();
        besucht.push_back(dbe->RecNo());
    }
    filter->Vorheriger();
    besucht.push_back(dbe->RecNo());
    EXPECT_FALSE(ansicht.SuchKnopfAktiv(TSuchKnopf::Vorheriger));
    for (int i = 0; i < 2; ++i) {
        filter->Naechster();
        besucht.push_back(dbe->RecNo());
    }
    EXPECT_EQ(besucht, (std::vector<uint32_t>{1, 3, 1, 3, 5}));
    EXPECT_EQ(filter->Trefferliste().Count(), 3);
    EXPECT_EQ(filter->TrefferPosition(), 2);
    EXPECT_TRUE(ansicht.SuchKnopfAktiv(TSuchKnopf::Vorheriger));

    script.Answer(TPromptKind::Message, mrOk, "Text nicht gefunden!");
    filter->Naechster();
    EXPECT_FALSE(ansicht.SuchKnopfAktiv(TSuchKnopf::Naechster));
    EXPECT_FALSE(filter->SucheLaeuft());
    // The counter shown on the button while it searched is gone again.
    EXPECT_EQ(ansicht.Beschriftung[TSuchKnopf::Naechster], "Nächster - F3");
}

}  // namespace
