// Pictures, side by side in one run:
// - the thumbnail of a 12-megapixel JPEG (the library's scaled read, and the
//   image window's load and resize as the intake calls them) against a bare
//   scaled decode of the same file (QImageReader::setScaledSize and
//   libjpeg-turbo at 1/8 scale) and against a full-size decode;
// - the image window showing that picture fitted into 800 x 600;
// - the thumbnail box over an album of 100 000 entries, paged through: the
//   thumbnails read per page, the cache size and the memory it grows by.

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QListWidget>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#ifdef LUMADEX_BENCH_LIBJPEG
#include <jpeglib.h>
#endif

#include "bench_ordner.h"
#include "datagrid/dk_data_source.h"
#include "datagrid/dk_table.h"
#include "imaging/image_window.h"
#include "imaging/pic_box.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/picture/picture_io.h"
#include "platform/ui/forms.h"
#include "storage/database_bridge.h"
#include "storage/tdbe.h"

namespace {

std::filesystem::path gDir;
QString gJpeg;  // 4000 x 3000
constexpr int kAlbum = 100000;

QImage Photo(int w, int h)
{
    // A smooth picture with some detail, so the JPEG is of a photo's size.
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb((x * 255 / w + (x * y) % 17) & 255, (y * 255 / h + (x ^ y) % 23) & 255, ((x + y) / 16) & 255);
    }
    return img;
}

long RssKb()
{
    std::ifstream f("/proc/self/statm");
    long pages = 0, rss = 0;
    f >> pages >> rss;
    return rss * (sysconf(_SC_PAGESIZE) / 1024);
}

void BM_FullDecode(benchmark::State& state)
{
    for (auto _ : state) {
        QImageReader r(gJpeg);
        QImage img = r.read();
        benchmark::DoNotOptimize(img.bits());
    }
}

void BM_BareScaledDecodeQt(benchmark::State& state)
{
    for (auto _ : state) {
        QImageReader r(gJpeg);
        r.setScaledSize(r.size().scaled(160, 160, Qt::KeepAspectRatio));
        QImage img = r.read();
        benchmark::DoNotOptimize(img.bits());
    }
}

#ifdef LUMADEX_BENCH_LIBJPEG
void BM_BareScaledDecodeLibjpeg(benchmark::State& state)
{
    for (auto _ : state) {
        QFile f(gJpeg);
        f.open(QIODevice::ReadOnly);
        const QByteArray bytes = f.readAll();
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr jerr;
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.scale_num = 1;
        cinfo.scale_denom = 8;
        cinfo.out_color_space = JCS_EXT_BGRX;
        jpeg_start_decompress(&cinfo);
        QImage img(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = img.scanLine(int(cinfo.output_scanline));
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(img.bits());
    }
}
BENCHMARK(BM_BareScaledDecodeLibjpeg)->Unit(benchmark::kMillisecond);
#endif

void BM_LibraryThumbnail(benchmark::State& state)
{
    for (auto _ : state) {
        TPicImage img;
        TPicError err;
        if (!PicRead(gJpeg, 0, 0, img, err, QSize(160, 160)))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(img.Pixels.bits());
    }
}

void BM_ImageWindowThumbnail(benchmark::State& state)
{
    TImageWindow w(nullptr);
    for (auto _ : state) {
        w.LoadFromFile(gJpeg, 0, 0);
        const int iw = w.ImageInWindow()->GetImageWidth(), ih = w.ImageInWindow()->GetImageHeight();
        w.ImageInWindow()->ResizeImage(160, 160 * ih / iw);
        benchmark::DoNotOptimize(w.ImageInWindow()->DecodedPixels().bits());
    }
}

void BM_ImageWindowFitted(benchmark::State& state)
{
    TForm form(nullptr);
    form.SetClientWidth(800);
    form.SetClientHeight(600);
    TImageWindow w(&form);
    w.SetParent(&form);
    w.SetBounds(0, 0, 800, 600);
    w.SetFitStyle(fsBest);
    form.Show();
    int decoded = 0;
    for (auto _ : state) {
        w.LoadFromFile(gJpeg, 0, 0);
        w.Handle()->grab();
        decoded = w.ImageInWindow()->DecodedPixels().width();
    }
    state.counters["decoded_width"] = decoded;
    state.counters["picture_width"] = w.ImageInWindow()->GetImageWidth();
}

// ---- the thumbnail box over 100 000 entries ---------------------------------

struct Album {
    std::unique_ptr<TdkTable> table;
    std::unique_ptr<TdkDataSource> source;
    std::unique_ptr<TDbe> dbe;

    Album()
    {
        InstallDatabaseBridge();
        const std::string file = (gDir / "BILDER.DBF").string();
        if (!std::filesystem::exists(file)) {
            static const struct { const char* n; char t; int w, d; } fields[] = {
                {"ShortDesc", 'C', 100, 0}, {"Datei", 'C', 15, 0}, {"Pfad", 'C', 239, 0},
                {"Vorschau", 'M', 10, 0}, {"Flags", 'C', 10, 0},
            };
            dbe_CreateNew(file.c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, 5);
            for (const auto& f : fields)
                dbe_CreateField(f.n, f.t, f.w, f.d);
            dbe_CreateExec();
            QByteArray thumbs[16];
            for (int k = 0; k < 16; ++k) {
                QBuffer buf(&thumbs[k]);
                buf.open(QIODevice::WriteOnly);
                QImage t(24, 18, QImage::Format_RGB32);
                t.fill(qRgb(k * 16, 255 - k * 16, 128));
                t.save(&buf, "BMP");
            }
            for (int i = 0; i < kAlbum; ++i) {
                dbe_AppendBlank();
                const QByteArray& t = thumbs[i % 16];
                dbe_ReplaceBlob("VORSCHAU", t.constData(), uint32_t(t.size()), 1);
            }
            dbe_Commit();
            dbe_Close();
        }
        table = std::make_unique<TdkTable>();
        table->SetDatabaseName(*LinuxToWin(QString::fromStdString(gDir.string())));
        table->SetTableName("BILDER.DBF");
        table->Open();
        source = std::make_unique<TdkDataSource>(table.get());
        dbe = std::make_unique<TDbe>(nullptr);
        dbe->SetDataSource(source.get());
    }
    ~Album()
    {
        dbe.reset();
        source.reset();
        table.reset();
        UninstallDatabaseBridge();
    }
};

struct Box {
    TForm form{nullptr};
    TQKDBPicBox* box;
    explicit Box(Album& album, bool caching)
    {
        form.SetClientWidth(820);
        form.SetClientHeight(480);
        box = new TQKDBPicBox(&form);
        box->SetParent(&form);
        box->Dbe = album.dbe.get();
        box->BlobFeld = "VORSCHAU";
        box->BlobTempDir = *LinuxToWin(QString::fromStdString(gDir.string())) + "\\";
        box->PicsCaching = caching;
        box->SetClientWidth(800);
        box->SetClientHeight(420);
        form.Loaded();
        form.Show();
    }
};

void BM_PicBoxScan(benchmark::State& state)
{
    Album album;
    Box b(album, true);
    for (auto _ : state)
        b.box->Rescan();
    state.counters["items"] = b.box->PicCount();
}

void BM_PicBoxPageThrough(benchmark::State& state)
{
    Album album;
    Box b(album, state.range(0) != 0);
    b.box->Rescan();
    b.box->Handle()->grab();
    const long rssBefore = RssKb();
    const long loadsBefore = b.box->LoadCount();
    const int perPage = b.box->Columns() * b.box->Rows();
    int page = 0;
    long pages = 0;
    for (auto _ : state) {
        // One page further (columns scroll sideways), wrapping at the end.
        page = (page + 1) % (kAlbum / perPage);
        b.box->SetTopIndex(page * perPage);
        b.box->List()->viewport()->grab();
        ++pages;
    }
    state.counters["cells_per_page"] = perPage;
    state.counters["thumbnails_read_per_page"] = double(b.box->LoadCount() - loadsBefore) / std::max(1L, pages);
    state.counters["cached"] = b.box->CachedCount();
    state.counters["rss_growth_kb"] = double(RssKb() - rssBefore);
}

}  // namespace

BENCHMARK(BM_FullDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareScaledDecodeQt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibraryThumbnail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageWindowThumbnail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageWindowFitted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PicBoxScan)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PicBoxPageThrough)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(BM_PicBoxPageThrough)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2000);

int main(int argc, char** argv)
{
    gDir = BenchOrdnerAnlegen("imaging");
    QApplication app(argc, argv);
    gJpeg = QString::fromStdString((gDir / "photo.jpg").string());
    Photo(4000, 3000).save(gJpeg, "JPEG", 90);
    BenchLaufen(&argc, argv);
    std::filesystem::remove_all(gDir);
    return 0;
}
