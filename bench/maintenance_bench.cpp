// The album maintenance commands of TMainForm on a 100 000-entry album, each
// measured beside the engine work it stands on, in the same run: the pack
// command against dbe_Pack, delete all against dbe_Zap, setting a mark for
// all shown entries against a dbe_Replace loop, and the availability test
// against a stat of every picture file.

#include "bench_album.h"
#include "bench_hauptfenster.h"
#include "bench_ordner.h"
#include "datagrid/dk_table.h"
#include "mainwindow/main_form.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/prompt_service.h"
#include "storage/database_bridge.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int kRecords = 100000;
std::filesystem::path gDir;

// Every question is answered Yes, every notice OK.
class TJa : public TPromptService {
public:
    int Show(const TPrompt& p, QString*) override
    {
        return p.Kind == TPromptKind::Dialog ? mrYes : p.Kind == TPromptKind::Box ? IDOK : mrOk;
    }
    TModalResult ShowModal(TCustomForm& form) override
    {
        form.BeginModal();
        form.ModalResult = mrOk;
        form.CloseModal();
        form.EndModal();
        return mrOk;
    }
};

std::string Bild(int i) { return (gDir / "pics" / std::to_string(i / 1000) / (std::to_string(i) + ".jpg")).string(); }

struct Fixture {
    std::unique_ptr<TMainForm> form;
    TJa ja;
    QString win;

    Fixture()
    {
        SetPromptService(&ja);
        InstallDatabaseBridge();
        form = std::make_unique<TMainForm>(nullptr);
        form->ProgrammOptionen()->CheckBoxBearbeitungszeitAnzeigen = false;
        form->ProgrammOptionen()->CheckBoxBerabeitungsMeldung = false;
        form->Einstellungen().Setzen("Sicherheitsabfragen", false);
        win = BenchHauptfensterEinrichten(*form, gDir);
        Neu();
    }
    // A fresh album of kRecords entries whose pictures exist, opened.
    void Neu()
    {
        if (form->TableBilder->Active())
            form->TableBilder->Close();
        form->TableBilder2->Close();
        for (const char* ext : {".DBF", ".FPT", ".CDX", ".IA"})
            std::filesystem::remove(gDir / (std::string("BILDER") + ext));
        form->ErzeugeBilderDatenbank(win, "BILDER.DBF");
        BenchAlbumFuellen((gDir / "BILDER.DBF").string(), kRecords);
        const uint16_t area = dbe_Use((gDir / "BILDER.DBF").c_str(), "PFADE", DBE_EXCLUSIVE, DBE_TYPE_FOX);
        for (uint32_t n = 1; n <= dbe_RecCount(); ++n) {
            dbe_Go(n);
            const QByteArray pfad = LinuxToWin(QString::fromStdString(Bild(int(n)))).value().toLatin1();
            dbe_Replace("PFAD", DBE_REPL_TEXT, pfad.constData());
        }
        dbe_Commit();
        dbe_Close();
        (void)area;
        if (form->BilderDBFOeffnen() != 1)
            std::abort();
        form->OeffneBilderFTS();
    }
    // Marks every 100th entry deleted.
    void Loeschen()
    {
        const uint16_t vorher = dbe_Select(uint16_t(form->TableBilder->Handle()));
        for (uint32_t n = 1; n <= dbe_RecCount(); n += 100) {
            dbe_Go(n);
            dbe_Delete();
        }
        dbe_Commit();
        dbe_Select(vorher);
    }
    ~Fixture()
    {
        form.reset();
        UninstallDatabaseBridge();
        SetPromptService(nullptr);
    }
};

// Made by the first benchmark, freed before the application ends.
std::unique_ptr<Fixture> gFixture;

Fixture& F()
{
    if (!gFixture)
        gFixture = std::make_unique<Fixture>();
    return *gFixture;
}

void BM_PackCommand(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        state.PauseTiming();
        f.Loeschen();
        state.ResumeTiming();
        f.form->BilderDBFpacken1Click(nullptr);
    }
}

void BM_EnginePack(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        state.PauseTiming();
        f.Loeschen();
        f.form->TableBilder->Close();
        f.form->TableBilder2->Close();
        const uint16_t area = dbe_Use((gDir / "BILDER.DBF").c_str(), "PACK", DBE_EXCLUSIVE, DBE_TYPE_FOX);
        state.ResumeTiming();
        if (dbe_Pack() != 1)
            state.SkipWithError(dbe_LastError());
        state.PauseTiming();
        dbe_Close();
        (void)area;
        f.form->BilderDBFOeffnen();
        state.ResumeTiming();
    }
}

void BM_DeleteAllCommand(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        state.PauseTiming();
        f.Neu();
        state.ResumeTiming();
        f.form->AlleBilderSaetzeLoeschen1Click(nullptr);
    }
}

void BM_EngineZap(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        state.PauseTiming();
        f.Neu();
        f.form->TableBilder->Close();
        f.form->TableBilder2->Close();
        dbe_Use((gDir / "BILDER.DBF").c_str(), "ZAP", DBE_EXCLUSIVE, DBE_TYPE_FOX);
        state.ResumeTiming();
        if (dbe_Zap() != 1)
            state.SkipWithError(dbe_LastError());
        state.PauseTiming();
        dbe_Close();
        state.ResumeTiming();
    }
}

void BM_MarkAllCommand(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state)
        f.form->Handler("AlleAngezeigtenBilderMarkieren2Click")(nullptr);
}

void BM_EngineReplaceLoop(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        const uint16_t vorher = dbe_Select(uint16_t(f.form->TableBilder->Handle()));
        const int order = dbe_SetOrder(0);
        const char t = 'T';
        for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1))
            dbe_Replace("MARKIERT", DBE_REPL_LOGICAL, &t);
        dbe_Commit();
        dbe_SetOrder(order);
        dbe_Select(vorher);
    }
}

void BM_AvailabilityCommand(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state)
        f.form->WelcheBildersindverfuegbarClick(nullptr);
}

// The album's picture paths read from every record and each file stat'ed
// (the paths as Linux paths, without the drive map's resolution).
void BM_StatEveryFile(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        const uint16_t vorher = dbe_Select(uint16_t(f.form->TableBilder->Handle()));
        int da = 0;
        struct stat st;
        for (uint32_t n = 1; n <= dbe_RecCount(); ++n) {
            dbe_Go(n);
            benchmark::DoNotOptimize(dbe_GetString("PFAD"));
            da += ::stat(Bild(int(n)).c_str(), &st) == 0;
        }
        benchmark::DoNotOptimize(da);
        dbe_Select(vorher);
    }
}

// The full-text index built anew from every record, which the pack command
// does after the engine's pack (entry n belongs to record n).
void BM_FullTextBuild(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        state.PauseTiming();
        f.form->FtsBilder->Close();
        std::filesystem::remove(gDir / "BILDER.IA");
        state.ResumeTiming();
        f.form->OeffneBilderFTS();
    }
}

}  // namespace

BENCHMARK(BM_MarkAllCommand)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EngineReplaceLoop)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_AvailabilityCommand)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StatEveryFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PackCommand)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_EnginePack)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_FullTextBuild)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_DeleteAllCommand)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_EngineZap)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv)
{
    gDir = BenchOrdnerAnlegen("wartung");
    // The pictures: 100 folders of 1 000 empty files.
    for (int i = 1; i <= kRecords; ++i) {
        if (i % 1000 == 0 || i == 1)
            std::filesystem::create_directories(std::filesystem::path(Bild(i)).parent_path());
        std::ofstream(Bild(i)).put('x');
    }
    QApplication app(argc, argv);
    BenchLaufen(&argc, argv);
    gFixture.reset();
    std::filesystem::remove_all(gDir);
    return 0;
}
