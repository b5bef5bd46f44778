// Adding 12-megapixel JPEGs to an album: per picture, the scan dialog's
// AddFile (medium id, file date, short name, duplicate seek, header,
// thumbnail from a scaled decode, record with 18 fields and the thumbnail
// memo, full-text entry) against the floor of a scaled decode, an engine
// append of the thumbnail and a full-text add of the record, side by side on
// the same files. Each run adds every picture once to a fresh album.
//
// LUMADEX_BENCH_PICTURES sets the number of pictures (default 100; the
// figures in bench/README.md were taken with 1000).

#include "album_ansicht_protokoll.h"
#include "album_layout.h"
#include "bench_ordner.h"
#include "offenes_album_fixture.h"
#include "controls/spin_edit.h"
#include "dialogs/program_settings.h"
#include "dialogs/scan_host.h"
#include "dialogs/scan_pics.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/picture/picture_formats.h"
#include "platform/picture/picture_io.h"
#include "platform/ui/std_ctrls.h"
#include "storage/database_bridge.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <benchmark/benchmark.h>

#include "bench_main.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

std::filesystem::path gDir;
QStringList gBilder;  // Windows-form paths
int gAnzahl = 100;

QString Win(const std::filesystem::path& p) { return *LinuxToWin(QString::fromStdString(p.string())); }

// One 4000 x 3000 picture with gradients and noise (about 3 MB as JPEG at
// quality 90), copied under every name: each copy is decoded on its own.
void BilderMachen()
{
    QImage img(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator rnd(42);
    for (int y = 0; y < img.height(); ++y) {
        auto* zeile = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int n = int(rnd.bounded(24));
            zeile[x] = qRgb((x / 16 + n) & 255, (y / 12 + n) & 255, ((x + y) / 28 + n) & 255);
        }
    }
    std::filesystem::create_directories(gDir / "bilder");
    const QString muster = QString::fromStdString((gDir / "muster.jpg").string());
    img.save(muster, "JPG", 90);
    for (int i = 0; i < gAnzahl; ++i) {
        const std::filesystem::path p = gDir / "bilder" / ("IMG_" + std::to_string(10000 + i) + ".JPG");
        std::filesystem::copy_file(muster.toStdString(), p);
        gBilder << Win(p);
    }
}

// A fresh album with the Shortname tag, open in the first and second view
// of the open album, and its full-text index; the program folder is gDir.
struct TAlbum {
    TAlbumAnsichtProtokoll ansicht;
    std::unique_ptr<TAlbumWerkstatt> werkstatt;

    explicit TAlbum(const std::string& name)
    {
        const std::string file = (gDir / name).string();
        std::filesystem::remove(file);
        std::filesystem::remove((gDir / name).replace_extension(".FPT"));
        std::filesystem::remove((gDir / name).replace_extension(".CDX"));
        std::filesystem::remove((gDir / name).replace_extension(".IA"));
        if (dbe_CreateNew(file.c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, lxtest::kAlbumLayoutFieldCount) == 0)
            std::abort();
        for (const lxtest::AlbumLayoutField& f : lxtest::kAlbumLayout)
            dbe_CreateField(f.name, f.type, f.width, f.decimals);
        dbe_CreateExec();
        dbe_Close();
        werkstatt = std::make_unique<TAlbumWerkstatt>(gDir, ansicht);
        TArbeitsbereich& bilder = werkstatt->album.Bilder();
        bilder.DateienSetzen(TAlbumDateien(Win(gDir) + "\\", QString::fromStdString(name)));
        if (!bilder.Oeffnen(false))
            std::abort();
        bilder.Dbe()->IndexTag(QString(), "Shortname", "Shortname", 0, 0, QString());
        if (!werkstatt->album.Bilder2().Oeffnen(bilder.Dateien(), false))
            std::abort();
        if (bilder.Fts()->CreateIndex(bilder.Dateien().Ia(), 20, 2, 1, 1) <= 0)
            std::abort();
    }
    TFts& Fts() const { return *werkstatt->album.Bilder().Fts(); }
    uint16_t Bereich() const { return static_cast<uint16_t>(werkstatt->bilder.tabelle.Handle()); }
};

// The main window's own parts: the options and one pick-list entry.
class THaupt : public TScanHauptfenster {
public:
    TProgrammEinstellungen einstellungen;
    TProgrammEinstellungen& Einstellungen() override { return einstellungen; }
    QStringList PickListe(int) const override { return {"eins\t0"}; }
    void TabelleSperren(bool) override {}
    void TabelleAktualisieren() override {}
    void BilderSatzAnzahlZeigen() override {}
    void VorschaubilderNeuLaden() override {}
    void Hilfe(const QString&) override {}
    void VollbildAnzeigen(const QString&) override {}
};

// The floor: a scaled decode to the thumbnail, a blank record with the path
// and the thumbnail memo, and the record's full-text entry.
void BM_Untergrenze(benchmark::State& state)
{
    TAlbum album("UNTEN.DBF");
    const uint16_t area = album.Bereich();
    std::vector<char> puffer;
    int i = 0;
    for (auto _ : state) {
        const QString pfad = gBilder[i++ % gAnzahl];
        TPicImage bild;
        TPicError err;
        if (!PicRead(*WinToLinux(pfad), 0, 0, bild, err, QSize(300, 300)))
            state.SkipWithError("decode failed");
        const TPicImage klein = PicResize(bild, 150, 112);
        QByteArray bmp;
        PicWriteBytes(klein, pfBMP, 0, bmp, err);
        const uint16_t vorher = dbe_Select(area);
        dbe_AppendBlank();
        const QByteArray p = pfad.toLatin1();
        dbe_Replace("PFAD", DBE_REPL_TEXT, p.constData());
        dbe_ReplaceBlob("VORSCHAU", bmp.constData(), uint32_t(bmp.size()), 1);
        dbe_Commit();
        puffer.assign(size_t(dbe_RecSize()) + 1, '\0');
        dbe_GetRecord(puffer.data());
        dbe_Select(vorher);
        album.Fts().Add(QByteArray(puffer.data(), int(puffer.size()) - 1));
    }
    state.SetItemsProcessed(state.iterations());
}

// The scan dialog's AddFile with the options of an unattended run.
void BM_AddFile(benchmark::State& state)
{
    TAlbum album("BILDER.DBF");
    THaupt haupt;
    TDiensteProtokoll& dienste = album.werkstatt->dienste;
    haupt.einstellungen.SetProgrammPfad(dienste.ProgrammPfad());
    TfrmScanPics dialog(nullptr, album.werkstatt->album, dienste, haupt);
    dialog.chkVorschaubildErzeugen->SetChecked(false);
    dialog.radMDNie->SetChecked(true);
    dialog.SpinEditMaxPixelBreite->SetValue(0);
    dialog.SpinEditMaxPixelHoehe->SetValue(0);
    int i = 0;
    for (auto _ : state) {
        const QString pfad = gBilder[i++ % gAnzahl];
        dialog.DateiGroesse = QFile(*WinToLinux(pfad)).size();
        dialog.AddFile(pfad.left(pfad.lastIndexOf('\\') + 1), pfad.mid(pfad.lastIndexOf('\\') + 1));
    }
    if (dialog.Neue() != int(state.iterations()))
        state.SkipWithError("not every picture was added");
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

int main(int argc, char** argv)
{
    gDir = BenchOrdnerAnlegen("intake");
    // The drive table of the tests: C: is "/", so no real device is probed.
    {
        QFile tab(QString::fromStdString((gDir / "drives.tab").string()));
        tab.open(QIODevice::WriteOnly);
        tab.write("C\t/\tHD\tSYSTEM\t1A2B3C4D\t17179869184\n");
    }
    setenv("LUMADEX_DRIVE_TABLE", (gDir / "drives.tab").c_str(), 1);
    if (const char* n = std::getenv("LUMADEX_BENCH_PICTURES"))
        gAnzahl = std::max(1, std::atoi(n));
    QApplication app(argc, argv);
    InstallDatabaseBridge();
    BilderMachen();
    BenchInitialize(&argc, argv);
    benchmark::RegisterBenchmark("BM_Untergrenze", BM_Untergrenze)->Iterations(gAnzahl)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_AddFile", BM_AddFile)->Iterations(gAnzahl)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    UninstallDatabaseBridge();
    std::filesystem::remove_all(gDir);
    return 0;
}
