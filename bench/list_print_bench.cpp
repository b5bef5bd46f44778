// The thumbnail list ("BilderListe.RTM") of a 1 000-entry album printed to
// a PDF file through the main window's list command, against the floor:
// the same thumbnails (read from the album's memo) and texts drawn with
// QPainter into QPdfWriter, eight entries to an A4 page.
//
// The passport sheet ("BilderListe_Passbilder.RTM") of the album's last 27
// entries, each a 4000 x 3000 JPEG on disk, printed five times side by side
// (seven pages), against its floor: each picture decoded, scaled once to
// the print resolution of its 35 x 45 mm frame and drawn into the five
// frames with the entry's texts, with QPainter into QPdfWriter.

#include "bench_hauptfenster.h"
#include "bench_ordner.h"
#include "datagrid/dk_table.h"
#include "dialogs/listen_bericht.h"
#include "mainwindow/main_form.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/prompt_service.h"
#include "fake_printer_source.h"
#include "report/output/rg_printer_list.h"
#include "storage/database_bridge.h"
#include "storage/tdbe.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr int kEintraege = 1000;
constexpr int kPassbilder = 27;  // the last entries, with pictures on disk
constexpr int kPrintDpi = 600;   // the report printer's resolution
std::filesystem::path gDir;

// A 4000 x 3000 picture like a camera's: soft colour gradients with fine
// grain (a JPEG of about 3 MB), different for each n.
void KameraBildSchreiben(const QString& datei, int n)
{
    QImage bild(4000, 3000, QImage::Format_RGB888);
    uint32_t zufall = 2654435761u * uint32_t(n + 1);
    for (int y = 0; y < bild.height(); ++y) {
        uchar* zeile = bild.scanLine(y);
        for (int x = 0; x < bild.width(); ++x) {
            zufall = zufall * 1664525u + 1013904223u;
            const int korn = int(zufall >> 28) - 8;
            zeile[3 * x] = uchar(std::clamp((x / 16 + n * 40) % 256 + korn, 0, 255));
            zeile[3 * x + 1] = uchar(std::clamp((y / 12 + n * 17) % 256 + korn, 0, 255));
            zeile[3 * x + 2] = uchar(std::clamp(((x + y) / 28) % 256 + korn, 0, 255));
        }
    }
    if (!bild.save(datei, "JPEG", 90))
        std::abort();
}

class TAntworten : public TPromptService {
public:
    int Show(const TPrompt& prompt, QString*) override
    {
        if (prompt.Kind == TPromptKind::Exception)
            std::fprintf(stderr, "%s\n", qPrintable(prompt.Text));
        return prompt.Buttons.Contains(mbNo) ? mrNo : mrOk;
    }
    TModalResult ShowModal(TCustomForm&) override { return mrOk; }
};

void AlbumFuellen(const std::string& file)
{
    const std::string vorschau = (gDir / "vorschau.bmp").string();
    const uint16_t area = dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX);
    if (area == 0)
        std::abort();
    for (int i = 0; i < kEintraege; ++i) {
        QImage daumen(96, 72, QImage::Format_RGB888);
        daumen.fill(QColor::fromHsv(i * 7 % 360, 160, 220));
        QPainter(&daumen).drawText(daumen.rect(), Qt::AlignCenter, QString::number(i + 1));
        if (!daumen.save(QString::fromStdString(vorschau), "BMP"))
            std::abort();
        dbe_AppendBlank();
        const std::string desc = "Urlaub am Meer, Bild " + std::to_string(i + 1);
        const std::string pfad = "C:\\Bilder\\Urlaub\\img_" + std::to_string(i + 1) + ".jpg";
        dbe_Replace("SHORTDESC", DBE_REPL_TEXT, desc.c_str());
        if (i >= kEintraege - kPassbilder) {
            const QString bild = QString::fromStdString((gDir / ("kamera_" + std::to_string(i + 1) + ".jpg")).string());
            KameraBildSchreiben(bild, i);
            dbe_Replace("PFAD", DBE_REPL_TEXT, LinuxToWin(bild)->toLocal8Bit().constData());
            dbe_Replace("NOTIZ", DBE_REPL_TEXT, "Passbild");
        } else {
            dbe_Replace("PFAD", DBE_REPL_TEXT, pfad.c_str());
        }
        dbe_Replace("PLAYLIST", DBE_REPL_TEXT, "1");
        dbe_Replace("QUALITAET", DBE_REPL_TEXT, "2");
        dbe_Replace("AUFNDATUM", DBE_REPL_DTOS, "20240131");
        dbe_Replace("VORSCHAU", DBE_REPL_FILEBLOB, vorschau.c_str());
    }
    dbe_Commit();
    dbe_Close();
}

struct Fixture {
    TAntworten antworten;
    std::unique_ptr<TMainForm> form;
    QString pdf = QString::fromStdString((gDir / "liste.pdf").string());
    Fixture()
    {
        // A printer the job is written to a file by, never spooled.
        rgtest::InstallFakePrinters({rgtest::OfficeLaser("Laser")});
        InstallDatabaseBridge();
        SetPromptService(&antworten);
        form = std::make_unique<TMainForm>(nullptr);
        const QString win = BenchHauptfensterEinrichten(*form, gDir);
        form->Dienste().Lauf().ProgrammPfadSetzen(win);
        form->ProgrammOptionen()->EditTempDir = win;
        form->ErzeugeBilderDatenbank(win, "BILDER.DBF");
        AlbumFuellen((gDir / "BILDER.DBF").string());
        if (form->BilderDBFOeffnen() != 1)
            std::abort();
        for (const char* vorlage : {"BilderListe.RTM", "BilderListe_Passbilder.RTM"})
            QFile::copy(QStringLiteral(LUMADEX_RESOURCES_DIR "/") + vorlage,
                        QString::fromStdString((gDir / vorlage).string()));
        // The pictures lie on this machine's disk, whatever its volume id.
        form->Einstellungen().Setzen("WennFileNichtGefundenAnderesLWtesten", true);
        form->Druck().ListenAusgabe = [this](TrgReport* report) { ListeAufDrucker(report, pdf); };
    }
    ~Fixture()
    {
        form.reset();
        SetPromptService(nullptr);
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

// The floors' PDF: A4 at 600 dpi with the templates' margins of 6.35 mm.
void FloorPdfEinrichten(QPdfWriter& writer)
{
    writer.setResolution(kPrintDpi);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(6.35, 6.35, 6.35, 6.35), QPageLayout::Millimeter);
}

// Head and foot of a floor's page: title, album, date, rules, page text.
void KopfUndFuss(QPainter& maler, const QString& titel, int seite, int seiten)
{
    const double mm = kPrintDpi / 25.4;
    maler.drawText(QPointF(0, 6 * mm), titel);
    maler.drawText(QPointF(0, 13 * mm), QStringLiteral("Fotoalbum BILDER"));
    maler.drawText(QPointF(170 * mm, 6 * mm), QStringLiteral("10.12.2026"));
    maler.drawLine(QPointF(0, 15.5 * mm), QPointF(197 * mm, 15.5 * mm));
    maler.drawLine(QPointF(0, 276 * mm), QPointF(197 * mm, 276 * mm));
    maler.drawText(QPointF(0, 281 * mm), QStringLiteral("QV-Lumadex"));
    maler.drawText(QPointF(170 * mm, 281 * mm), QStringLiteral("Seite %1 von %2").arg(seite).arg(seiten));
}

void BM_ThumbnailListThroughTheTemplate(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        f.form->DruckeBilderListe(QStringLiteral("BilderListe.RTM"));
        if (!QFile::exists(f.pdf))
            state.SkipWithError("no PDF");
    }
}

// The floor: each entry's thumbnail from the memo and its texts, drawn by hand.
void BM_SameListDrawnWithQPainter(benchmark::State& state)
{
    Fixture& f = F();
    TDbe* dbe = f.form->DbeBilder;
    for (auto _ : state) {
        QPdfWriter writer(f.pdf);
        FloorPdfEinrichten(writer);
        QPainter maler(&writer);
        const double mm = kPrintDpi / 25.4;
        int zeile = 0, seite = 1;
        const int seiten = (int(dbe->RecCount()) + 7) / 8;
        const auto rahmen = [&] { KopfUndFuss(maler, QStringLiteral("Bilderliste"), seite, seiten); };
        rahmen();
        dbe->GoTop();
        for (uint32_t n = 1; n <= dbe->RecCount(); ++n) {
            dbe->Go(n);
            if (zeile == 8) {
                writer.newPage();
                ++seite;
                rahmen();
                zeile = 0;
            }
            const double oben = (17 + zeile * 31) * mm;
            char* memo = dbe->GetMemo(QStringLiteral("VORSCHAU"));
            const QByteArray daumen(memo, qsizetype(dbe->GetBlobLength(QStringLiteral("VORSCHAU"))));
            dbe->MemDealloc(memo);
            maler.drawImage(QRectF(0, oben + 1.5 * mm, 38 * mm, 28 * mm), QImage::fromData(daumen));
            maler.drawText(QPointF(42 * mm, oben + 6 * mm), dbe->GetTrimString(QStringLiteral("SHORTDESC")));
            maler.drawText(QPointF(42 * mm, oben + 12 * mm), dbe->GetTrimString(QStringLiteral("PFAD")).section('\\', -1));
            maler.drawText(QPointF(150 * mm, oben + 12 * mm), dbe->GetTrimString(QStringLiteral("AUFNDATUM")));
            maler.drawText(QPointF(42 * mm, oben + 18 * mm), QStringLiteral("Gruppe:"));
            maler.drawText(QPointF(62 * mm, oben + 18 * mm), dbe->GetTrimString(QStringLiteral("PLAYLIST")));
            maler.drawText(QPointF(115 * mm, oben + 18 * mm), QStringLiteral("Qualität:"));
            maler.drawText(QPointF(135 * mm, oben + 18 * mm), dbe->GetTrimString(QStringLiteral("QUALITAET")));
            maler.drawText(QPointF(42 * mm, oben + 23 * mm), QStringLiteral("Reserve:"));
            for (int r = 1; r <= 3; ++r)
                maler.drawText(QPointF((17 + 45 * r) * mm, oben + 23 * mm),
                               dbe->GetTrimString(QStringLiteral("RESERVE%1").arg(r)));
            maler.drawLine(QPointF(0, oben + 30 * mm), QPointF(197 * mm, oben + 30 * mm));
            ++zeile;
        }
        maler.end();
    }
}

void BM_PassportSheetThroughTheTemplate(benchmark::State& state)
{
    Fixture& f = F();
    for (auto _ : state) {
        f.form->DbeBilder->Go(kEintraege - kPassbilder + 1);
        f.form->TableBilder->Refresh();
        f.form->DruckeBilderListe2(QStringLiteral("BilderListe_Passbilder.RTM"));
        if (!QFile::exists(f.pdf))
            state.SkipWithError("no PDF");
    }
    state.counters["bytes"] = double(QFileInfo(f.pdf).size());
}

// The passport floor: each picture decoded, scaled once to its frame's
// pixels at the printer's resolution and drawn into the five frames; the
// title, group, note, rules and the page heads and feet, four entries a page.
void BM_SamePassportSheetDrawnWithQPainter(benchmark::State& state)
{
    Fixture& f = F();
    TDbe* dbe = f.form->DbeBilder;
    for (auto _ : state) {
        QPdfWriter writer(f.pdf);
        FloorPdfEinrichten(writer);
        QPainter maler(&writer);
        maler.setRenderHint(QPainter::SmoothPixmapTransform);
        const double mm = kPrintDpi / 25.4;
        const QSize rahmen(qRound(35 * mm), qRound(45 * mm));
        int zeile = 0, seite = 1;
        const int seiten = (kPassbilder + 3) / 4;
        const auto kopfUndFuss = [&] { KopfUndFuss(maler, QStringLiteral("Passbilder"), seite, seiten); };
        kopfUndFuss();
        for (int n = kEintraege - kPassbilder + 1; n <= kEintraege; ++n) {
            dbe->Go(uint32_t(n));
            if (zeile == 4) {
                writer.newPage();
                ++seite;
                kopfUndFuss();
                zeile = 0;
            }
            const double oben = (17 + zeile * 62) * mm;
            const QString pfad = dbe->GetTrimString(QStringLiteral("PFAD"));
            const QImage bild = QImage(WinToLinux(pfad).value_or(pfad))
                                    .scaled(rahmen, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            maler.drawText(QPointF(0, oben + 6 * mm), dbe->GetTrimString(QStringLiteral("SHORTDESC")));
            for (int i = 0; i < 5; ++i)
                maler.drawImage(QRectF(i * 39 * mm, oben + 8.5 * mm, bild.width(), bild.height()), bild);
            maler.drawText(QPointF(0, oben + 59 * mm), QStringLiteral("Gruppe:"));
            maler.drawText(QPointF(16 * mm, oben + 59 * mm), dbe->GetTrimString(QStringLiteral("PLAYLIST")));
            maler.drawText(QPointF(156 * mm, oben + 59 * mm), dbe->GetTrimString(QStringLiteral("NOTIZ")));
            maler.drawLine(QPointF(0, oben + 62 * mm), QPointF(197 * mm, oben + 62 * mm));
            ++zeile;
        }
        maler.end();
    }
    state.counters["bytes"] = double(QFileInfo(f.pdf).size());
}

}  // namespace

BENCHMARK(BM_PassportSheetThroughTheTemplate)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SamePassportSheetDrawnWithQPainter)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ThumbnailListThroughTheTemplate)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SameListDrawnWithQPainter)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    gDir = BenchOrdnerAnlegen("liste");
    QApplication app(argc, argv);
    BenchLaufen(&argc, argv);
    gFixture.reset();  // while the application still lives
    std::filesystem::remove_all(gDir);
    return 0;
}
