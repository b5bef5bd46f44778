// The full-size viewer going from one 12-megapixel JPEG to the next, shown
// fitted on a 1920 x 1080 window and painted, against a bare scaled decode
// of the same files to the fitted size (QImageReader with its DCT scaling).

#include "album_layout.h"
#include "bench_ordner.h"
#include "dialogs/full_size_form.h"
#include "imaging/image_window.h"
#include "platform/core/win_path.h"
#include "platform/data/data_source.h"
#include "platform/data/table.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/forms.h"
#include "platform/ui/prompt_service.h"
#include "storage/database_bridge.h"
#include "storage/tdbe.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::filesystem::path gDir;
const QSize kFenster(1920, 1080);

// Every prompt answered at once; the benchmark never waits for a person.
class TOhneFragen : public TPromptService {
public:
    int Show(const TPrompt&, QString*) override { return mrOk; }
    TModalResult ShowModal(TCustomForm&) override { return mrOk; }
};

QString Bild(int n) { return QString::fromStdString((gDir / ("bild" + std::to_string(n) + ".jpg")).string()); }

// A 4000 x 3000 photograph-like picture: soft colour fields with fine noise.
void BilderMachen()
{
    for (int n = 0; n < 2; ++n) {
        QImage img(4000, 3000, QImage::Format_RGB32);
        QRandomGenerator zufall(42 + n);
        for (int y = 0; y < img.height(); ++y) {
            auto* zeile = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const int r = (x * 255 / 4000 + int(zufall.bounded(24))) & 255;
                const int g = (y * 255 / 3000 + int(zufall.bounded(24))) & 255;
                zeile[x] = qRgb(r, g, (r + g + n * 80) / 2 & 255);
            }
        }
        img.save(Bild(n), "JPEG", 90);
    }
}

class TGastgeber : public TVollbildHauptfenster {
public:
    TDataSet* AlbumTabelle() override { return tabelle; }
    TDbe* AlbumDbe() override { return dbe; }
    bool AlbumSchreibgeschuetzt() const override { return false; }
    QString AlbumOrdner() const override { return ordner; }
    TVollbildOptionen VollbildOptionen() const override { return {}; }
    QString IniDatei() const override { return ini; }
    bool IstInternesBildFormat(const QString&) const override { return true; }
    bool ProgrammEndet() const override { return false; }
    bool HinweiseAn() const override { return false; }
    void HinweiseSetzen(bool) override {}
    void PrgWavSpielen(int) override {}
    void OptionenZeigen() override {}
    void EinzelbildDrucken(const QString&) override {}
    void BildExternBearbeiten(int, const QString&) override {}
    void VorschaubildDrehen(int) override {}
    void VorschaubildNeuErzeugen(const QString&) override {}
    void VollbildGeschlossen() override {}
    TColor TextVollbildFarbe() const override { return clWhite; }
    TDataSet* tabelle = nullptr;
    TDbe* dbe = nullptr;
    QString ordner, ini;
};

void AlbumMachen()
{
    const std::string datei = (gDir / "ALBUM.DBF").string();
    dbe_CreateNew(datei.c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, lxtest::kAlbumLayoutFieldCount);
    for (const lxtest::AlbumLayoutField& f : lxtest::kAlbumLayout)
        dbe_CreateField(f.name, f.type, f.width, f.decimals);
    dbe_CreateExec();
    for (int n = 0; n < 2; ++n) {
        dbe_AppendBlank();
        const QByteArray pfad = LinuxToWin(Bild(n))->toLatin1();
        dbe_Replace("PFAD", DBE_REPL_TEXT, pfad.constData());
        const char wahr = 'T';
        dbe_Replace("ZUGRIFF", DBE_REPL_LOGICAL, &wahr);
        const int32_t w = 4000, h = 3000;
        dbe_Replace("BREITE", DBE_REPL_LONG, &w);
        dbe_Replace("HOEHE", DBE_REPL_LONG, &h);
        dbe_Replace("FLAGS", DBE_REPL_TEXT, " 1");  // whole picture
    }
    dbe_Commit();
    dbe_Close();
}

// The viewer alternates between the two entries (next, previous), each
// step loading, fitting and painting the other picture.
void BM_ViewerNaechstesBild(benchmark::State& state)
{
    TOhneFragen ohne;
    TPromptService* vorher = SetPromptService(&ohne);
    TTable tabelle;
    TDataSource quelle(&tabelle);
    TDbe dbe(nullptr);
    dbe.SetDataSource(&quelle);
    tabelle.SetDatabaseName(QString::fromStdString(gDir.string()));
    tabelle.SetTableName("ALBUM.DBF");
    tabelle.SetTableType(ttDXFOX);
    tabelle.Open();
    TGastgeber gast;
    gast.tabelle = &tabelle;
    gast.dbe = &dbe;
    gast.ordner = *LinuxToWin(QString::fromStdString(gDir.string())) + "\\";
    gast.ini = *LinuxToWin(QString::fromStdString((gDir / "Lumadex.INI").string()));
    {
        TFullSizeForm f(Application, gast);
        f.BildLaden();
        f.Show();
        f.SetBounds(0, 0, kFenster.width(), kFenster.height());
        QApplication::processEvents();
        bool vor = true;
        for (auto _ : state) {
            if (vor)
                f.Naechstes1Click(nullptr);
            else
                f.Letztes1Click(nullptr);
            vor = !vor;
            f.ImageWindow1->Handle()->repaint();
        }
        state.counters["decoded_w"] = f.ImageWindow1->ImageInWindow()->DecodedPixels().width();
        f.Close();
    }
    tabelle.Close();
    SetPromptService(vorher);
}

// The floor: the same files decoded straight to the fitted size.
void BM_SkaliertesDekodieren(benchmark::State& state)
{
    int n = 0;
    QSize groesse;
    for (auto _ : state) {
        QImageReader leser(Bild(n));
        groesse = leser.size().scaled(kFenster, Qt::KeepAspectRatio);
        leser.setScaledSize(groesse);
        QImage img = leser.read();
        benchmark::DoNotOptimize(img.constBits());
        n ^= 1;
    }
    state.counters["decoded_w"] = groesse.width();
}

BENCHMARK(BM_SkaliertesDekodieren)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewerNaechstesBild)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    char vorlage[] = "/tmp/lumadex_viewer_bench_XXXXXX";
    if (!::mkdtemp(vorlage))
        return 1;
    gDir = vorlage;
    setenv("LUMADEX_HOME", (gDir / "home").c_str(), 1);
    setenv("LUMADEX_WINDIR", (gDir / "win").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", gDir.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LANG", "C", 1);
    QApplication app(argc, argv);
    BilderMachen();
    AlbumMachen();
    InstallDatabaseBridge();
    BenchLaufen(&argc, argv);
    UninstallDatabaseBridge();
    std::filesystem::remove_all(gDir);
    return 0;
}
