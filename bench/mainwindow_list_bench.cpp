// Moving through an album of 1 000 entries, each with a thumbnail memo of a
// 150 x 112 picture in 256 colours (as the intake writes them): one step is
// the next entry made current and its thumbnail shown in the main window's
// panel (TMainForm::ZeigeVorschauBildAusBlob, as the grid's key release
// calls it). The floor reads the same memos through the engine directly, in
// the same order, and decodes each the way the panel does (a reader over the
// memo's bytes, its size asked first).
//
// LUMADEX_BENCH_WALK=panel|picture|floor runs one walk of the album (no benchmark)
// so that the system calls of a walk can be counted with strace -c
// (between the marker lines it writes to stderr).

#include "bench_hauptfenster.h"
#include "bench_ordner.h"
#include "datagrid/dk_table.h"
#include "mainwindow/main_form.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/graphics.h"
#include "storage/database_bridge.h"
#include "storage/tdbe.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr int kEintraege = 1000;
std::filesystem::path gDir;

// A noisy 150 x 112 thumbnail in 256 colours, different for every entry.
QByteArray Vorschaubild(int i)
{
    QImage bild(150, 112, QImage::Format_RGB32);
    QRandomGenerator zufall(quint32(i + 1));
    for (int y = 0; y < bild.height(); ++y)
        for (int x = 0; x < bild.width(); ++x)
            bild.setPixel(x, y, qRgb((x * 255 / 150 + i) & 255, (y * 255 / 112) & 255, int(zufall.bounded(256))));
    QByteArray bytes;
    QBuffer puffer(&bytes);
    puffer.open(QIODevice::WriteOnly);
    bild.convertToFormat(QImage::Format_Indexed8).save(&puffer, "BMP");
    return bytes;
}

void AlbumFuellen(const std::string& datei)
{
    if (dbe_Use(datei.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX) == 0)
        std::abort();
    for (int i = 0; i < kEintraege; ++i) {
        dbe_AppendBlank();
        const std::string desc = "Bild " + std::to_string(i);
        const std::string pfad = "C:\\Bilder\\Urlaub\\img_" + std::to_string(i) + ".jpg";
        dbe_Replace("SHORTDESC", DBE_REPL_TEXT, desc.c_str());
        dbe_Replace("PFAD", DBE_REPL_TEXT, pfad.c_str());
        dbe_Replace("SHORTNAME", DBE_REPL_TEXT, std::to_string(i).c_str());
        dbe_Replace("FLAGS", DBE_REPL_TEXT, "0000000000");
        const QByteArray vorschau = Vorschaubild(i);
        dbe_ReplaceBlob("VORSCHAU", vorschau.constData(), uint32_t(vorschau.size()), 1);
    }
    dbe_Commit();
    dbe_Close();
}

struct Fixture {
    std::unique_ptr<TMainForm> form;

    Fixture()
    {
        InstallDatabaseBridge();
        form = std::make_unique<TMainForm>(nullptr);
        const QString win = BenchHauptfensterEinrichten(*form, gDir);
        form->ErzeugeBilderDatenbank(win, "BILDER.DBF");
        AlbumFuellen((gDir / "BILDER.DBF").string());
        if (form->BilderDBFOeffnen() != 1 || form->DbeBilder->RecCount() != uint32_t(kEintraege))
            std::abort();
    }
    ~Fixture()
    {
        form.reset();
        UninstallDatabaseBridge();
    }
};

std::unique_ptr<Fixture> gFixture;

Fixture& F()
{
    if (!gFixture)
        gFixture = std::make_unique<Fixture>();
    return *gFixture;
}

// One walk of the album in the window: each entry made current, its
// thumbnail shown in the panel. With `nurBild` the window's other controls
// (the record view, the file name and path) are held off during the walk
// (DisableControls), so only the dataset's move and the panel's picture are
// measured. Gives the number of entries shown.
int PanelWalk(TMainForm& form, bool nurBild = false)
{
    if (nurBild)
        form.TableBilder->DisableControls();
    int n = 0;
    form.TableBilder->First();
    form.ZeigeVorschauBildAusBlob();
    ++n;
    while (true) {
        form.TableBilder->Next();
        if (form.TableBilder->Eof())
            break;
        form.ZeigeVorschauBildAusBlob();
        ++n;
    }
    if (nurBild)
        form.TableBilder->EnableControls();
    const TGraphic* g = form.ImageWindow2->Picture()->Graphic();
    if (!g || g->Width() != 150)
        std::abort();
    return n;
}

// The floor: the same memos through the engine in the window's order, each
// decoded as the panel decodes it.
int FloorWalk(int order)
{
    // Opened once, as the window's album is.
    static const uint16_t area = [order] {
        const uint16_t vorher = dbe_Select(0);
        const std::string datei = (gDir / "BILDER.DBF").string();
        const uint16_t a = dbe_Use(datei.c_str(), "BODEN", DBE_SHARED, DBE_TYPE_FOX);
        if (a == 0) {
            std::fprintf(stderr, "floor: album not opened: %s\n", dbe_LastError());
            std::abort();
        }
        dbe_SetOrder(order);
        if (vorher)
            dbe_Select(vorher);
        return a;
    }();
    const uint16_t vorher = dbe_Select(area);
    int n = 0;
    qint64 pixel = 0;
    for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) {
        const long laenge = dbe_GetBlobLength("VORSCHAU");
        char* memo = dbe_GetMemo("VORSCHAU", 0);
        QByteArray bytes(memo, qsizetype(laenge));
        dbe_MemDealloc(memo);
        QBuffer puffer(&bytes);
        // The panel names the format by the memo's first bytes; so does the floor.
        QImageReader leser(&puffer, bytes.startsWith("BM") ? QByteArray("bmp") : QByteArray());
        const QSize groesse = leser.size();
        if (groesse.isValid() && (groesse.width() > 1024 || groesse.height() > 1024))
            leser.setScaledSize(groesse.scaled(1024, 1024, Qt::KeepAspectRatio));
        const QImage bild = leser.read();
        pixel += qint64(bild.width()) * bild.height();
        ++n;
    }
    if (vorher)
        dbe_Select(vorher);
    if (pixel != qint64(kEintraege) * 150 * 112) {
        std::fprintf(stderr, "floor: %d entries, %lld pixels\n", n, (long long)pixel);
        std::abort();
    }
    return n;
}

int FensterOrdnung(TMainForm& form) { return form.DbeBilder->IndexOrd(); }

void BM_VorschauListePanel(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state)
        if (PanelWalk(*f.form) != kEintraege)
            state.SkipWithError("walk incomplete");
    state.SetItemsProcessed(state.iterations() * kEintraege);
}
BENCHMARK(BM_VorschauListePanel)->Unit(benchmark::kMillisecond);

void BM_VorschauListeNurBild(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state)
        if (PanelWalk(*f.form, true) != kEintraege)
            state.SkipWithError("walk incomplete");
    state.SetItemsProcessed(state.iterations() * kEintraege);
}
BENCHMARK(BM_VorschauListeNurBild)->Unit(benchmark::kMillisecond);

void BM_VorschauListeBoden(benchmark::State& state)
{
    Fixture& f = F();
    const int order = FensterOrdnung(*f.form);
    for (auto _ : state)
        if (FloorWalk(order) != kEintraege)
            state.SkipWithError("walk incomplete");
    state.SetItemsProcessed(state.iterations() * kEintraege);
}
BENCHMARK(BM_VorschauListeBoden)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    gDir = BenchOrdnerAnlegen("main_list");
    QApplication app(argc, argv);
    if (const char* walk = std::getenv("LUMADEX_BENCH_WALK")) {
        // One walk after a first one that warms the caches; strace counts
        // from the marker write on.
        Fixture& f = F();
        const bool panel = std::strcmp(walk, "floor") != 0;
        const bool nurBild = std::strcmp(walk, "picture") == 0;
        const int order = FensterOrdnung(*f.form);
        panel ? PanelWalk(*f.form, nurBild) : FloorWalk(order);
        std::fputs("--- walk ---\n", stderr);
        std::fflush(stderr);
        // LUMADEX_BENCH_WALKS repeats the walk (for a profile).
        const int walks = std::max(1, std::atoi(qgetenv("LUMADEX_BENCH_WALKS").constData()));
        for (int i = 0; i < walks; ++i)
            panel ? PanelWalk(*f.form, nurBild) : FloorWalk(order);
        std::fputs("--- end ---\n", stderr);
    } else {
        BenchLaufen(&argc, argv);
    }
    gFixture.reset();
    std::filesystem::remove_all(gDir);
    return 0;
}
