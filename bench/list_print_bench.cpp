// The thumbnail list ("BilderListe.RTM") of a 1 000-entry album printed to
// a PDF file through the main window's list command, against the floor:
// the same thumbnails (read from the album's memo) and texts drawn with
// QPainter into QPdfWriter, eight entries to an A4 page.
//
// The four picture layouts ("BilderListe_Bildinfo.RTM", the two large-
// picture layouts with their 36:25 sections, the passport sheet with five
// copies of each picture) printed for the album's last 27 entries, each a
// 4000 x 3000 JPEG on disk, against their floors: each picture decoded at
// the JPEG decoder's largest reduction (1/8, 1/4, 1/2) that still fills its
// frame at the print resolution, only its section decoded, scaled once to
// the frame and drawn into the layout's frames with the entry's texts,
// with QPainter into QPdfWriter.

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
#include <QImageReader>
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
constexpr int kKamerabilder = 27;  // the last entries, with camera pictures on disk
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
        if (i >= kEintraege - kKamerabilder) {
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
        for (const char* vorlage : {"BilderListe.RTM", "BilderListe_Bildinfo.RTM", "BilderListe_GrossesBild8.RTM",
                                    "BilderListe_GrossesBild10.RTM", "BilderListe_Passbilder.RTM"})
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

// Removes the last run's PDF outside the timing: overwriting a file of tens
// of megabytes makes the file system give its blocks back first (on this
// machine's disk, mounted with discard, a synchronous wait on the device
// that follows the host's load), which is not the program's work.
void AltePdfEntfernen(benchmark::State& state, const QString& pdf)
{
    state.PauseTiming();
    QFile::remove(pdf);
    state.ResumeTiming();
}

// With LUMADEX_BENCH_PDFS naming a folder, the last PDF of a run is kept
// there as <name>.pdf, to be checked from outside (pdfimages, pdftoppm).
void PdfBehalten(const QString& pdf, const std::string& name)
{
    if (const QByteArray ordner = qgetenv("LUMADEX_BENCH_PDFS"); !ordner.isEmpty()) {
        const QString ziel = QString::fromLocal8Bit(ordner) + '/' + QString::fromStdString(name) + ".pdf";
        QFile::remove(ziel);
        QFile::copy(pdf, ziel);
    }
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

// The picture layouts, each printed for the album's last 27 entries: the
// template and, for its floor, the pages it makes.
struct TBildLayout {
    const char* Name;
    const char* Vorlage;
    const char* Titel;
    int JeSeite;          // entries a page
    double EintragMM;     // height of an entry
    QRectF Rahmen;        // the first frame, mm from the entry's top left
    int RahmenZahl;          // frames side by side, 39 mm apart
    bool Quer, Hoch;      // the 36:25 section of the large-picture layouts
    int Zeilen;           // lines of labels beside or below the picture
};

const TBildLayout kBildLayouts[] = {
    {"Bildinfo", "BilderListe_Bildinfo.RTM", "Bilderliste mit Bildinfo", 4, 64, QRectF(0, 2, 84, 59), 1, false, false, 5},
    {"GrossesBild8", "BilderListe_GrossesBild8.RTM", "Großbilder (Querformat)", 2, 129, QRectF(26.65, 8.5, 144, 100), 1,
     true, false, 3},
    {"GrossesBild10", "BilderListe_GrossesBild10.RTM", "Großbilder (Hochformat)", 2, 129, QRectF(0, 1.5, 86.8, 125), 1,
     false, true, 5},
    {"Passbilder", "BilderListe_Passbilder.RTM", "Passbilder", 4, 62, QRectF(0, 8.5, 35, 45), 5, false, false, 1},
};

void BM_PictureLayoutThroughTheTemplate(benchmark::State& state, const TBildLayout& layout)
{
    Fixture& f = F();
    for (auto _ : state) {
        AltePdfEntfernen(state, f.pdf);
        f.form->DbeBilder->Go(kEintraege - kKamerabilder + 1);
        f.form->TableBilder->Refresh();
        f.form->DruckeBilderListe2(QString::fromLatin1(layout.Vorlage));
        if (!QFile::exists(f.pdf))
            state.SkipWithError("no PDF");
    }
    state.counters["bytes"] = double(QFileInfo(f.pdf).size());
    PdfBehalten(f.pdf, std::string("path_") + layout.Name);
}

// The rectangle a large-picture layout prints of a picture of that size:
// the top left 36:25 (landscape) or 25:36 (portrait) section.
QRect Ausschnitt(QSize bild, const TBildLayout& layout)
{
    if (layout.Quer)
        return QRect(0, 0, bild.width(), std::min(bild.height(), qRound(bild.width() * 25 / 36.0)));
    if (layout.Hoch)
        return QRect(0, 0, std::min(bild.width(), qRound(bild.height() * 25 / 36.0)), bild.height());
    return QRect(QPoint(0, 0), bild);
}

// The floor's picture: only the section decoded, by the JPEG decoder at
// the largest of 1/8, 1/4, 1/2 whose section still has the frame's pixels
// at the print resolution (or at full size), then scaled once to the frame.
// The section is decoded into puffer, whose memory the next picture of its
// size takes again (as the program's sections take their pool's).
QImage FloorBild(const QString& datei, const TBildLayout& layout, QImage& puffer)
{
    const double mm = kPrintDpi / 25.4;
    const QSize rahmen(qRound(layout.Rahmen.width() * mm), qRound(layout.Rahmen.height() * mm));
    QImageReader leser(datei, "jpeg");
    const QSize ganz = leser.size();
    int n = 1;
    for (const int m : {8, 4, 2}) {
        const QSize teil = Ausschnitt(QSize(ganz.width() / m, ganz.height() / m), layout).size();
        if (teil.width() >= rahmen.width() || teil.height() >= rahmen.height()) {
            n = m;
            break;
        }
    }
    // The section of the smaller picture, in the file's pixels: the decoder
    // scales by exactly 1/n and stops below the section.
    const QRect teil = Ausschnitt(QSize(ganz.width() / n, ganz.height() / n), layout);
    leser.setClipRect(QRect(teil.topLeft() * n, teil.size() * n));
    if (n > 1)
        leser.setScaledSize(teil.size());
    if (!leser.read(&puffer))
        return {};
    return puffer.scaled(rahmen, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// The floor of a picture layout: each picture decoded as FloorBild makes
// it and drawn into the entry's frames; the title, the label lines, the
// note, the rule and the page heads and feet.
void BM_SamePicturePagesDrawnWithQPainter(benchmark::State& state, const TBildLayout& layout)
{
    Fixture& f = F();
    TDbe* dbe = f.form->DbeBilder;
    for (auto _ : state) {
        AltePdfEntfernen(state, f.pdf);
        QPdfWriter writer(f.pdf);
        FloorPdfEinrichten(writer);
        QPainter maler(&writer);
        maler.setRenderHint(QPainter::SmoothPixmapTransform);
        const double mm = kPrintDpi / 25.4;
        int zeile = 0, seite = 1;
        const int seiten = (kKamerabilder + layout.JeSeite - 1) / layout.JeSeite;
        const auto kopfUndFuss = [&] { KopfUndFuss(maler, QString::fromUtf8(layout.Titel), seite, seiten); };
        QImage puffer;
        kopfUndFuss();
        for (int n = kEintraege - kKamerabilder + 1; n <= kEintraege; ++n) {
            dbe->Go(uint32_t(n));
            if (zeile == layout.JeSeite) {
                writer.newPage();
                ++seite;
                kopfUndFuss();
                zeile = 0;
            }
            const double oben = 17 * mm + zeile * layout.EintragMM * mm;
            const QString pfad = dbe->GetTrimString(QStringLiteral("PFAD"));
            const QImage bild = FloorBild(WinToLinux(pfad).value_or(pfad), layout, puffer);
            const QRectF rahmen(layout.Rahmen.left() * mm, oben + layout.Rahmen.top() * mm, bild.width(), bild.height());
            for (int i = 0; i < layout.RahmenZahl; ++i)
                maler.drawImage(rahmen.translated(i * 39 * mm, 0), bild);
            const double text = layout.RahmenZahl > 1 ? 0 : (layout.Rahmen.right() + 5) * mm;
            maler.drawText(QPointF(text, oben + 6 * mm), dbe->GetTrimString(QStringLiteral("SHORTDESC")));
            for (int z = 0; z < layout.Zeilen; ++z) {
                const double y = oben + (12 + 5 * z) * mm + (layout.RahmenZahl > 1 ? 47 * mm : 0);
                maler.drawText(QPointF(text, y), QStringLiteral("Gruppe:"));
                maler.drawText(QPointF(text + 22 * mm, y), dbe->GetTrimString(QStringLiteral("PLAYLIST")));
                maler.drawText(QPointF(text + 54 * mm, y), QStringLiteral("Qualität:"));
                maler.drawText(QPointF(text + 78 * mm, y), dbe->GetTrimString(QStringLiteral("QUALITAET")));
            }
            maler.drawText(QPointF(156 * mm, oben + (layout.EintragMM - 3) * mm), dbe->GetTrimString(QStringLiteral("NOTIZ")));
            maler.drawLine(QPointF(0, oben + layout.EintragMM * mm), QPointF(197 * mm, oben + layout.EintragMM * mm));
            ++zeile;
        }
        maler.end();
    }
    state.counters["bytes"] = double(QFileInfo(f.pdf).size());
    PdfBehalten(f.pdf, std::string("floor_") + layout.Name);
}

}  // namespace

BENCHMARK(BM_ThumbnailListThroughTheTemplate)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SameListDrawnWithQPainter)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    gDir = BenchOrdnerAnlegen("liste");
    QApplication app(argc, argv);
    for (const TBildLayout& layout : kBildLayouts) {
        benchmark::RegisterBenchmark((std::string("BM_PictureLayoutThroughTheTemplate/") + layout.Name).c_str(),
                                     BM_PictureLayoutThroughTheTemplate, layout)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
        benchmark::RegisterBenchmark((std::string("BM_SamePicturePagesDrawnWithQPainter/") + layout.Name).c_str(),
                                     BM_SamePicturePagesDrawnWithQPainter, layout)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    BenchLaufen(&argc, argv);
    gFixture.reset();  // while the application still lives
    std::filesystem::remove_all(gDir);
    return 0;
}
