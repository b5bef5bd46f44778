// Images: pictures read from bytes and files through the picture library
// (and refused when corrupt or too large), sizing to the picture, the
// picture of a data image per record, OnGetPicture, and a printed report
// whose images are listed and measured from outside.

#include <QBuffer>
#include <QFile>

#include <filesystem>
#include <random>
#include <QtEndian>

#include "graphic_fixtures.h"
#include "platform/core/win_path.h"
#include "platform/data/field.h"
#include "platform/data/table.h"
#include "platform/dbf/dbe.h"
#include "report/engine/rg_dataset_pipeline.h"
#include "storage/database_bridge.h"
#include "report/engine/rg_image.h"

namespace {

QImage Filled(int Width, int Height, QColor Colour)
{
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(Colour);
    return image;
}

QByteArray Encoded(const QImage& Image, const char* Format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(Image.save(&buffer, Format));
    return bytes;
}

// A PNG whose header claims Width x Height; its pixel data is a few bytes.
QByteArray PngClaiming(uint32_t Width, uint32_t Height)
{
    QByteArray png = Encoded(Filled(2, 2, Qt::red), "PNG");
    qToBigEndian(Width, png.data() + 16);
    qToBigEndian(Height, png.data() + 20);
    return png;
}

// A BMP whose header claims Width x Height.
QByteArray BmpClaiming(int32_t Width, int32_t Height)
{
    QByteArray bmp = Encoded(Filled(2, 2, Qt::red), "BMP");
    qToLittleEndian(Width, bmp.data() + 18);
    qToLittleEndian(Height, bmp.data() + 22);
    return bmp;
}

TEST(ReportPicture, BytesOfEachFormatAndBadBytes)
{
    const QImage red = Filled(40, 20, Qt::red);
    QByteArray truncated = Encoded(red, "PNG");
    truncated.truncate(truncated.size() / 2);
    struct Case {
        const char* what;
        QByteArray bytes;
        bool loads;
        QSize size;
    };
    const Case cases[] = {
        {"PNG", Encoded(red, "PNG"), true, {40, 20}},
        {"JPEG", Encoded(red, "JPEG"), true, {40, 20}},
        {"BMP", Encoded(red, "BMP"), true, {40, 20}},
        {"empty", QByteArray(), false, {0, 0}},
        {"text", QByteArray("kein Bild, nur Text"), false, {0, 0}},
        {"PNG cut in half", truncated, false, {0, 0}},
        {"PNG claiming 100000 x 100000", PngClaiming(100000, 100000), false, {0, 0}},
        {"PNG claiming 8000 x 8000", PngClaiming(8000, 8000), false, {0, 0}},
        {"BMP claiming 30000 x 20000", BmpClaiming(30000, 20000), false, {0, 0}},
        {"BMP claiming a negative width", BmpClaiming(-5, 2), false, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TPicture picture;
        TBitmap before(5, 5);
        picture.SetGraphic(&before);  // whatever was there goes
        EXPECT_EQ(rgLoadReportPicture(c.bytes, picture), c.loads);
        EXPECT_EQ(QSize(picture.Width(), picture.Height()), c.size);
        if (c.loads) {
            EXPECT_EQ(QColor(picture.Graphic()->ToImage().pixel(10, 10)).red() > 200, true);
        }
    }
}

TEST(ReportPicture, DamagedBytesGiveAPictureOrNothingNeverACrash)
{
    // Bytes of each format with a few bytes changed, cut or repeated, from a
    // fixed seed: whatever the library makes of them, the result is either
    // a picture within the pixel limit or an empty one.
    std::mt19937 random(20261210);
    const QImage source = Filled(33, 17, Qt::darkCyan);
    for (const char* format : {"PNG", "JPEG", "BMP"}) {
        const QByteArray original = Encoded(source, format);
        for (int round = 0; round < 150; ++round) {
            QByteArray bytes = original;
            const int edits = 1 + int(random() % 6);
            for (int e = 0; e < edits; ++e) {
                const qsizetype at = qsizetype(random() % uint32_t(bytes.size()));
                switch (random() % 3) {
                case 0: bytes[at] = char(random()); break;
                case 1: bytes.truncate(std::max<qsizetype>(at, 1)); break;
                default: bytes.insert(at, bytes.mid(at, 16)); break;
                }
            }
            TPicture picture;
            const bool loaded = rgLoadReportPicture(bytes, picture);
            if (loaded) {
                EXPECT_GT(picture.Width(), 0);
                EXPECT_LE(int64_t(picture.Width()) * picture.Height(), kMaxReportPicturePixels);
            } else {
                EXPECT_EQ(picture.Graphic(), nullptr) << format << " round " << round;
            }
        }
    }
}

TEST(ImageComponent, AutoSizeTakesThePictureSizeAndRefreshRules)
{
    TrgImage image(nullptr);
    EXPECT_EQ(image.GetPixelWidth(), 50);
    EXPECT_TRUE(image.Center());
    EXPECT_FALSE(image.Stretch());
    EXPECT_FALSE(image.MaintainAspectRatio());
    TBitmap bitmap(120, 80);
    TPicture picture;
    picture.SetGraphic(&bitmap);
    image.SetPixelBounds(7, 9, 50, 50);
    image.SetPicture(picture);
    EXPECT_EQ(image.GetPixelWidth(), 50);  // no AutoSize yet
    image.SetAutoSize(true);
    EXPECT_EQ(QRect(image.GetPixelLeft(), image.GetPixelTop(), image.GetPixelWidth(), image.GetPixelHeight()),
              QRect(7, 9, 120, 80));

    const int refreshes = image.RefreshCount();
    image.SetCenter(true);
    EXPECT_EQ(image.RefreshCount(), refreshes);  // unchanged: nothing happens
    image.SetStretch(false);
    EXPECT_EQ(image.RefreshCount(), refreshes + 1);  // Stretch always refreshes
    image.SetCenter(false);
    EXPECT_EQ(image.RefreshCount(), refreshes + 2);

    TrgDBImage data(nullptr);
    data.SetAutoSize(true);
    data.SetPicture(picture);
    EXPECT_EQ(data.GetPixelWidth(), 50);  // a data image never resizes
}

TEST(ImageComponent, PictureFromAFileAndTheStreamForm)
{
    rgRegisterImageComponentClasses();
    QTemporaryDir dir;
    const QString file = dir.filePath("bild.png");
    ASSERT_TRUE(Filled(30, 10, Qt::blue).save(file));
    TrgImage image(nullptr);
    image.Name = QStringLiteral("Bild1");
    ASSERT_TRUE(image.LoadPictureFromFile(file));
    image.SetStretch(true);
    image.SetMaintainAspectRatio(true);
    const QString text = ComponentTextForm(&image);
    EXPECT_TRUE(text.contains("Stretch = True"));
    EXPECT_FALSE(text.contains("Center ="));  // default
    TrgImage copy(nullptr);
    ReadComponentTextForm(text, &copy);
    EXPECT_EQ(copy.Picture()->Width(), 30);
    EXPECT_EQ(copy.Picture()->Height(), 10);
    EXPECT_TRUE(copy.Stretch());
    EXPECT_TRUE(copy.MaintainAspectRatio());

    EXPECT_FALSE(image.LoadPictureFromFile(dir.filePath("fehlt.png")));
    EXPECT_EQ(image.Picture()->Graphic(), nullptr);
}

// An album-like DBF table whose memo field "BILD" holds picture bytes; its
// pipeline reports that field as a graphic, as a pipeline over picture
// fields does, and counts the reads of it.
class TPicturePipeline : public TrgBDEPipeline {
public:
    TPicturePipeline(const std::filesystem::path& Dir, const std::vector<QByteArray>& Pictures)
        : TrgBDEPipeline(nullptr)
    {
        static int tables = 0;
        const QString tableName = QStringLiteral("BILDER%1.DBF").arg(++tables);
        const std::string file = (Dir / tableName.toStdString()).string();
        const uint16_t area = dbe_CreateNew(file.c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, 2);
        EXPECT_NE(area, 0) << dbe_LastError();
        dbe_CreateField("NAME", 'C', 10, 0);
        dbe_CreateField("BILD", 'M', 10, 0);
        EXPECT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
        for (size_t i = 0; i < Pictures.size(); ++i) {
            EXPECT_EQ(dbe_AppendBlank(), 1);
            const std::string name = QStringLiteral("Satz %1").arg(i + 1).toStdString();
            dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str());
            if (!Pictures[i].isEmpty()) {
                const std::string bytesFile = (Dir / "bild.bin").string();
                QFile out(QString::fromStdString(bytesFile));
                EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
                out.write(Pictures[i]);
                out.close();
                dbe_Replace("BILD", DBE_REPL_FILEBLOB, bytesFile.c_str());
            }
        }
        dbe_Commit();
        dbe_Close();
        table_.Name = QStringLiteral("Bilder");
        table_.SetDatabaseName(LinuxToWinOrSelf(QString::fromStdString(Dir.string())));
        table_.SetTableName(tableName);
        SetDataSource(&source_);
    }
    ~TPicturePipeline() override { SetDataSource(nullptr); }
    int PictureReads = 0;
    TrgDataType GetFieldDataType(const QString& Name) override
    {
        return Name == QStringLiteral("BILD") ? dtGraphic : TrgBDEPipeline::GetFieldDataType(Name);
    }
    TBlobField* GetFieldAsObject(const QString& Name) override
    {
        ++PictureReads;
        return TrgBDEPipeline::GetFieldAsObject(Name);
    }

private:
    TTable table_;
    TDataSource source_{&table_};
};

class ImageReportTest : public TPdfEngineTest {
protected:
    void SetUp() override
    {
        TPdfEngineTest::SetUp();
        rgRegisterImageComponentClasses();
        ASSERT_EQ(InstallDatabaseBridge(), DBIERR_NONE);
    }
    void TearDown() override
    {
        UninstallDatabaseBridge();
        TPdfEngineTest::TearDown();
    }
    std::filesystem::path Folder() const { return std::filesystem::path(dir.path().toStdString()); }
    // The data image on Band (the detail band when none is given).
    TrgDBImage* MakeDataImageReport(TPicturePipeline* Rows, TrgBand* Band = nullptr)
    {
        report->SetDataPipeline(Rows);
        if (!detail)
            detail = AddBand<TrgDetailBand>(MM(12));
        auto* image = new TrgDBImage(&form);
        image->SetBand(Band ? Band : detail);
        image->SetDataPipeline(Rows);
        image->SetDataField(QStringLiteral("BILD"));
        image->SetmmBounds(MM(5), MM(1), MM(20), MM(10));
        // The picture sizes of the final pages' image commands.
        PdfReport()->OnFinalPage = [this](TrgPage* Page) {
            for (int i = 0; i < Page->GetDrawCommandCount(); ++i)
                if (const auto* drawn = dynamic_cast<const TrgDrawImage*>(Page->GetDrawCommand(i)))
                    sizes.push_back(QSize(drawn->Picture.Width(), drawn->Picture.Height()));
        };
        return image;
    }
    std::vector<QSize> sizes;
};

TEST_F(ImageReportTest, EachRecordPrintsItsPictureAndABadOneAnEmptyBox)
{
    TPicturePipeline rows(Folder(), {Encoded(Filled(40, 20, Qt::red), "PNG"), QByteArray("\x89PNG\r\n\x1a\n kaputt"),
                           QByteArray(), Encoded(Filled(16, 32, Qt::green), "JPEG"), PngClaiming(60000, 60000),
                           Encoded(Filled(8, 8, Qt::blue), "BMP")});
    MakeDataImageReport(&rows);
    const std::vector<QString> pages = PrintAll();
    ASSERT_FALSE(pages.empty());
    const std::vector<QSize> expected = {{40, 20}, {0, 0}, {0, 0}, {16, 32}, {0, 0}, {8, 8}};
    EXPECT_EQ(sizes, expected);
    // Every record still has its box on the page.
    EXPECT_EQ(QStringList(pages.begin(), pages.end()).join('\n').count("TrgDrawImage"), 6);
}

TEST_F(ImageReportTest, NoRecordsATextFieldAndOnGetPicture)
{
    {
        // An open pipeline without records.
        TPicturePipeline empty(Folder(), {});
        TrgDBImage image(nullptr);
        image.SetDataPipeline(&empty);
        image.SetDataField(QStringLiteral("BILD"));
        empty.Open();
        TBitmap old(4, 4);
        image.Picture()->SetGraphic(&old);
        ASSERT_TRUE(empty.IsActive());
        EXPECT_EQ(image.GetPicture()->Graphic(), nullptr);
        image.SetDataPipeline(nullptr);
    }
    sizes.clear();
    TPicturePipeline rows(Folder(), {Encoded(Filled(40, 20, Qt::red), "PNG"), Encoded(Filled(40, 20, Qt::red), "PNG")});
    TrgDBImage* image = MakeDataImageReport(&rows);
    // A text field leaves the picture as it was.
    TBitmap kept(3, 5);
    image->SetDataField(QStringLiteral("NAME"));
    image->Picture()->SetGraphic(&kept);
    PrintAll();
    EXPECT_EQ(sizes, (std::vector<QSize>{{3, 5}, {3, 5}}));

    // With OnGetPicture the pipeline is not read, also without AutoDisplay.
    sizes.clear();
    image->SetDataField(QStringLiteral("BILD"));
    image->SetAutoDisplay(false);
    rows.PictureReads = 0;
    int calls = 0;
    image->OnGetPicture = [&](TObject* Sender, TPicture* Picture) {
        EXPECT_EQ(Sender, image);
        TBitmap made(10 + calls++, 7);
        Picture->SetGraphic(&made);
    };
    PrintAll();
    EXPECT_EQ(rows.PictureReads, 0);
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(sizes[0].height(), 7);
    EXPECT_NE(sizes[0].width(), sizes[1].width());
}

TEST_F(ImageReportTest, PrintedPicturesAreListedAndPlaced)
{
    if (!HaveTools({"pdfimages", "pdftoppm"}))
        GTEST_SKIP() << "poppler-utils is not installed (scripts/setup installs it)";
    TPicturePipeline rows(Folder(), {Encoded(Filled(40, 20, Qt::red), "PNG")});
    TrgDBImage* data = MakeDataImageReport(&rows);
    data->SetStretch(true);  // fills 20 x 10 mm
    auto* logo = new TrgImage(&form);
    logo->SetBand(detail);
    const QString file = dir.filePath("logo.bmp");
    ASSERT_TRUE(Filled(24, 12, Qt::blue).save(file));
    ASSERT_TRUE(logo->LoadPictureFromFile(file));
    logo->SetmmBounds(MM(40), MM(1), MM(30), MM(10));  // centred, unscaled
    auto* kept = new TrgImage(&form);
    kept->SetBand(detail);
    {
        TBitmap wide(40, 20);
        wide.SetImage(Filled(40, 20, Qt::green));
        kept->Picture()->SetGraphic(&wide);
    }
    kept->SetStretch(true);
    kept->SetMaintainAspectRatio(true);
    kept->SetmmBounds(MM(72), MM(1), MM(8), MM(10));  // 8 x 4 mm of picture at the top
    PrintToPdf();

    const QString list = rgtest::ToolOutput("pdfimages", {"-list", Pdf()});
    QStringList imageLines;
    for (const QString& line : list.split('\n'))
        if (rgtest::Matches(line, "^\\s+1\\s+\\d+\\s+image"))
            imageLines << line.simplified();
    ASSERT_EQ(imageLines.size(), 3) << list.toStdString();
    EXPECT_EQ(imageLines[0].split(' ').mid(3, 2), QStringList({"40", "20"})) << imageLines[0].toStdString();
    EXPECT_EQ(imageLines[1].split(' ').mid(3, 2), QStringList({"24", "12"})) << imageLines[1].toStdString();

    const std::vector<QImage> pages = Rasterise();
    ASSERT_EQ(pages.size(), 1u);
    auto colourAt = [&](double xMM, double yMM) {
        return QColor(pages[0].pixel(PagePixel(MM(xMM)), PagePixel(MM(yMM))));
    };
    const double left = kMargin / 1000.0, top = kMargin / 1000.0;
    // The stretched picture reaches the corners of its box.
    EXPECT_GT(colourAt(left + 5.3, top + 1.3).red(), 200);
    EXPECT_LT(colourAt(left + 5.3, top + 1.3).green(), 60);
    EXPECT_GT(colourAt(left + 24.7, top + 10.7).red(), 200);
    // The unscaled picture, 24 x 12 screen pixels = 6.35 x 3.175 mm, sits in
    // the middle of its 30 x 10 mm box and leaves the box's corner white.
    EXPECT_GT(colourAt(left + 55, top + 6).blue(), 200);
    EXPECT_LT(colourAt(left + 55, top + 6).red(), 60);
    EXPECT_GT(colourAt(left + 55 - 3.0, top + 6 - 1.4).blue(), 200);
    EXPECT_EQ(colourAt(left + 55 - 3.4, top + 6).name(), QColor(Qt::white).name());
    EXPECT_EQ(colourAt(left + 41, top + 2).name(), QColor(Qt::white).name());
    // Kept in proportion: 8 mm wide makes 4 mm high, from the box's top.
    EXPECT_GT(colourAt(left + 76, top + 1.5).green(), 100);
    EXPECT_LT(colourAt(left + 76, top + 1.5).red(), 60);
    EXPECT_GT(colourAt(left + 76, top + 4.7).green(), 100);
    EXPECT_EQ(colourAt(left + 76, top + 5.5).name(), QColor(Qt::white).name());
}

}  // namespace
