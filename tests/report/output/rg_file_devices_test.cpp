// File devices: text files byte for byte from tables of saved fields, the
// save-text hook and its position flags, progress messages; archive files
// checked from outside by a Python reader of the layout, read back, the
// temporary page file gone after the job; damaged archives refused with a
// clear message.
#include "report/output/rg_file_devices.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <random>

#include "page_fixtures.h"
#include "report/output/rg_publisher.h"
#include "report/output/rg_strings.h"

using namespace rgtest;

namespace {

struct Field {
    int band, field;
    QString text;
    int length = 0;
    TAlignment alignment = taLeftJustify;
};
using PageFields = std::vector<Field>;

class FileDeviceTest : public PageTest {
protected:
    QString Path(const QString& name) const { return dir_.filePath(name); }

    static void FillPage(TrgPage& page, int number, bool last, const PageFields& fields)
    {
        page.FreeDrawCommands();
        page.AbsolutePageNo = page.PageNo = number;
        page.FirstPage = number == 1;
        page.LastPage = last;
        page.Final = true;
        for (const Field& f : fields) {
            TrgDrawText* text = AddText(page, f.text, f.band, f.field);
            text->SaveLength = f.length;
            text->Alignment = f.alignment;
        }
    }

    // The file's bytes after a job over the pages, the last one last.
    QByteArray WriteText(TrgFileType type, const std::vector<PageFields>& pages,
                         TrgTextFileDevice* device = nullptr)
    {
        TrgTextFileDevice own(nullptr);
        TrgTextFileDevice& d = device ? *device : own;
        d.SetFileName(Path(QStringLiteral("liste.txt")));
        d.SetFileType(type);
        d.StartJob();
        TrgPage page(nullptr);
        for (size_t i = 0; i < pages.size(); ++i) {
            FillPage(page, int(i) + 1, i + 1 == pages.size(), pages[i]);
            d.ReceivePage(&page);
        }
        d.EndJob();
        return ReadFile(Path(QStringLiteral("liste.txt")));
    }

    static QByteArray ReadFile(const QString& name)
    {
        QFile file(name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll();
    }

    // Pages 1..count, each with a text and a line, page count known.
    static std::unique_ptr<TrgPage> ArchivePage(int number, int count)
    {
        auto page = std::make_unique<TrgPage>(nullptr);
        page->AbsolutePageNo = page->PageNo = number;
        page->AbsolutePageCount = page->PageCount = count;
        page->FirstPage = number == 1;
        page->LastPage = number == count;
        page->Final = true;
        page->DocumentName = QStringLiteral("Archiv");
        for (int i = 0; i < number; ++i)  // streams of different sizes
            AddText(*page, QStringLiteral("Zeile %1 auf Seite %2").arg(i).arg(number), i, 0);
        auto* line = new TrgDrawLine(nullptr);
        line->Top = number * 1000;
        line->SetPage(page.get());
        return page;
    }

    QString WriteArchive(int pages, const QString& name = QStringLiteral("bericht.raf"))
    {
        TrgArchiveDevice device(nullptr);
        device.TempDirectory = TempFolder();
        device.SetFileName(Path(name));
        device.StartJob();
        for (int n = 1; n <= pages; ++n)
            device.ReceivePage(ArchivePage(n, pages).get());
        device.EndJob();
        return Path(name);
    }

    QString TempFolder()
    {
        const QString folder = Path(QStringLiteral("tmp"));
        QDir().mkpath(folder);
        return folder;
    }

    static QStringList RunChecker(const QString& archive)
    {
        QProcess python;
        python.start(QStringLiteral("python3"),
                     {QStringLiteral(RG_TEST_SOURCE_DIR "/check_archive.py"), archive});
        EXPECT_TRUE(python.waitForFinished(60000));
        EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
        return QString::fromLatin1(python.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir dir_;
};

}  // namespace

TEST_F(FileDeviceTest, TextFilesFollowTheRecordAndFieldRules)
{
    struct Case {
        const char* name;
        TrgFileType type;
        std::vector<PageFields> pages;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"comma", ftComma, {{{1, 0, "a"}, {1, 1, "b"}, {2, 0, "c"}}}, "a,b\r\nc"},
        {"tab", ftTab, {{{1, 0, "a"}, {1, 1, "b"}, {2, 0, "c"}}}, "a\tb\r\nc"},
        {"custom", ftCustom, {{{1, 0, "a"}, {1, 1, "b"}, {2, 0, "c"}}}, "abc"},
        {"fixed",
         ftFixedLength,
         {{{1, 0, "ab", 5, taCenter}, {1, 1, "xy", 4, taRightJustify}, {1, 2, "abcdefg", 3}, {2, 0, "z", 2}}},
         " ab    xyabc\r\nz "},
        {"unquoted", ftComma, {{{1, 0, "x,y"}, {1, 1, "\"q\""}}}, "x,y,\"q\""},
        {"sorted by key", ftComma, {{{10, 0, "c"}, {9, 1, "b"}, {9, 0, "a"}}}, "a,b\r\nc"},
        {"over pages", ftComma, {{{1, 0, "a"}}, {{2, 0, "b"}}}, "a\r\nb"},
        {"last page empty", ftComma, {{{1, 0, "a"}}, {}}, "a\r\n"},
        {"empty record", ftComma, {{{1, 0, ""}, {2, 0, "c"}}}, "c"},
        {"empty fields", ftComma, {{{1, 0, ""}, {1, 1, ""}, {2, 0, "c"}}}, ",\r\nc"},
        {"Windows-1252", ftComma, {{{1, 0, QString::fromUtf8("Grüße €")}}}, "Gr\xfc\xdf" "e \x80"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WriteText(c.type, c.pages), c.bytes) << c.name;
}

TEST_F(FileDeviceTest, OnlySavedTextsOfWantedFinalPagesAreWritten)
{
    TrgTextFileDevice device(nullptr);
    device.SetFileName(Path(QStringLiteral("t.txt")));
    device.SetPageSetting(psSinglePage);
    device.SetPageRequested(2);
    device.StartJob();
    TrgPage page(nullptr);
    for (int n = 1; n <= 3; ++n) {
        FillPage(page, n, n == 3, {{n, 0, QStringLiteral("seite %1").arg(n)}});
        AddText(page, QStringLiteral("nicht gespeichert"), n, 1)->BandSave = false;
        AddText(page, QStringLiteral("auch nicht"), n, 2)->ComponentSave = false;
        AddCalc(page, ctPageNo, QString::number(n))->BandSave = true;  // saved only with both flags
        page.Final = n != 1;
        device.ReceivePage(&page);
    }
    device.EndJob();
    EXPECT_EQ(ReadFile(Path(QStringLiteral("t.txt"))), "seite 2\r\n");

    // A calculated text with both flags is a field like any other.
    TrgPage calcPage(nullptr);
    FillPage(calcPage, 1, true, {{1, 0, "Seite"}});
    TrgDrawCalc* calc = AddCalc(calcPage, ctPageNo, QStringLiteral("1"));
    calc->BandSave = calc->ComponentSave = true;
    calc->BandSaveNo = 1;
    calc->ComponentSaveNo = 1;
    TrgTextFileDevice other(nullptr);
    other.SetFileName(Path(QStringLiteral("c.txt")));
    other.StartJob();
    other.ReceivePage(&calcPage);
    other.EndJob();
    EXPECT_EQ(ReadFile(Path(QStringLiteral("c.txt"))), "Seite,1");
}

TEST_F(FileDeviceTest, TheSaveTextHookSeesEachFieldInPlaceAndMayChangeIt)
{
    TrgTextFileDevice device(nullptr);
    TComponent producer(nullptr);
    QStringList seen;
    device.OnSaveText = [&](TObject* sender, TComponent* component, QString& text) {
        EXPECT_EQ(sender, &device);
        EXPECT_EQ(component, &producer);
        seen << QStringLiteral("%1 f%2 r%3 %4%5%6%7%8%9")
                    .arg(text)
                    .arg(device.FieldNo())
                    .arg(device.RecordNo())
                    .arg(device.FirstFieldOfRecord() ? "F" : "-")
                    .arg(device.LastFieldOfRecord() ? "L" : "-")
                    .arg(device.LastRecordOfPage() ? "P" : "-")
                    .arg(device.LastRecordOfReport() ? "R" : "-")
                    .arg(device.FirstPage() ? "1" : "-")
                    .arg(device.FirstFieldOfPage() ? "S" : "-");
        text = text.toUpper();
    };
    device.SetFileName(Path(QStringLiteral("h.txt")));
    device.StartJob();
    TrgPage page(nullptr);
    FillPage(page, 1, false, {{1, 0, "a"}, {1, 1, "b"}, {2, 0, "c"}});
    for (int i = 0; i < page.GetDrawCommandCount(); ++i)
        static_cast<TrgDrawText*>(page.GetDrawCommand(i))->Component = &producer;
    device.ReceivePage(&page);
    FillPage(page, 2, true, {{3, 0, "d"}});
    static_cast<TrgDrawText*>(page.GetDrawCommand(0))->Component = &producer;
    device.ReceivePage(&page);
    device.EndJob();

    EXPECT_EQ(seen, (QStringList{"a f0 r0 F---1S", "b f1 r0 -L--1-", "c f0 r1 FLP-1-", "d f0 r2 FLPR-S"}));
    EXPECT_EQ(ReadFile(Path(QStringLiteral("h.txt"))), "A,B\r\nC\r\nD");
    EXPECT_EQ(device.RecordNo(), 0) << "EndJob clears the writing state";
}

TEST_F(FileDeviceTest, ACharacterWindows1252CannotHoldIsReplacedAndTheExportGoesOn)
{
    // Umlauts and the euro sign are Windows-1252; the rest becomes "?", one
    // per UTF-16 unit, so fixed-length fields keep their width.
    EXPECT_EQ(WriteText(ftComma, {{{1, 0, QString::fromUtf8("漢字")}, {1, 1, QString::fromUtf8("Öl €")}},
                                  {{1, 0, QStringLiteral("weiter")}}}),
              QByteArray("??,\xd6l \x80\r\nweiter"));
    EXPECT_EQ(WriteText(ftFixedLength, {{{1, 0, QString::fromUtf8("a\U0001F600"), 5}, {1, 1, QStringLiteral("b"), 2}}}),
              QByteArray("a??  b "));
}

TEST_F(FileDeviceTest, FileSettingsAreFixedWhileAJobRuns)
{
    TrgTextFileDevice device(nullptr);
    device.SetFileName(Path(QStringLiteral("a.txt")));
    device.StartJob();
    device.SetFileName(Path(QStringLiteral("b.txt")));
    device.SetFileType(ftTab);
    EXPECT_EQ(device.FileName(), Path(QStringLiteral("a.txt")));
    EXPECT_EQ(device.FileType(), ftComma);
    device.EndJob();
    device.SetFileType(ftTab);
    EXPECT_EQ(device.FileType(), ftTab);
}

TEST_F(FileDeviceTest, AFileThatCannotBeCreatedRaisesTheStreamError)
{
    TrgTextFileDevice device(nullptr);
    device.SetFileName(Path(QStringLiteral("fehlt/liste.txt")));
    EXPECT_THROW(device.StartJob(), EStreamError);
    EXPECT_TRUE(device.Busy());
    device.EndJob();  // and the device is usable again
    device.SetFileName(Path(QStringLiteral("liste.txt")));
    EXPECT_NO_THROW(device.StartJob());
    device.EndJob();
}

TEST_F(FileDeviceTest, ProgressMessagesNameThePageTheReportAndTheFile)
{
    struct Case {
        TrgPassSettingType pass;
        TrgPageSettingType setting;
        const char* pageMessage;
    };
    for (const Case& c : {Case{psOnePass, psAll, "Printing page 1 for report Liste on the %1"},
                          Case{psTwoPass, psAll, "Printing page 1 of 3 for report Liste on the %1"},
                          Case{psTwoPass, psSinglePage, "Printing page 1 for report Liste on the %1"}}) {
        CountingProgressView view;
        TrgTextFileDevice device(nullptr);
        device.SetCancelDialog(&view);
        device.SetFileName(Path(QStringLiteral("p.txt")));
        device.SetPageSetting(c.setting);
        device.StartJob();
        TrgPage page(nullptr);
        FillPage(page, 1, false, {});
        page.AbsolutePageCount = 3;
        page.PassSetting = c.pass;
        page.DocumentName = QStringLiteral("Liste");
        device.ReceivePage(&page);
        device.ReceivePage(&page);  // the same text is not shown again
        device.EndJob();
        EXPECT_EQ(view.Shown, (QStringList{"Accessing data...",
                                           QString::fromLatin1(c.pageMessage).arg(Path(QStringLiteral("p.txt")))}));
    }
}

TEST_F(FileDeviceTest, AnArchiveHoldsItsIndexAndPageStreamsAsLaidDown)
{
    const QString archive = WriteArchive(3);
    const QByteArray bytes = ReadFile(archive);
    ASSERT_GE(bytes.size(), 28);
    EXPECT_EQ(bytes.left(4), QByteArray("\x1c\x00\x00\x00", 4));  // 4 + 3 x 8

    std::vector<int> sizes;
    for (int n = 1; n <= 3; ++n)
        sizes.push_back(int(StreamOf(ArchivePage(n, 3).get()).size()));
    const QStringList lines = RunChecker(archive);
    EXPECT_EQ(lines, (QStringList{
                         "pages 3 data 28",
                         QStringLiteral("page 1 offset 0 size %1 class TrgPage first AbsolutePageNo=1").arg(sizes[0]),
                         QStringLiteral("page 2 offset %1 size %2 class TrgPage first AbsolutePageNo=2")
                             .arg(sizes[0])
                             .arg(sizes[1]),
                         QStringLiteral("page 3 offset %1 size %2 class TrgPage first AbsolutePageNo=3")
                             .arg(sizes[0] + sizes[1])
                             .arg(sizes[2]),
                     }));
    EXPECT_EQ(bytes.size(), 28 + sizes[0] + sizes[1] + sizes[2]);
}

TEST_F(FileDeviceTest, AnArchiveReadsBackPageForPage)
{
    const QString archive = WriteArchive(3);
    TrgArchiveReader reader(archive);
    ASSERT_EQ(reader.PageCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(reader.AbsolutePageNo(i), i + 1);
        std::unique_ptr<TrgPage> page = reader.ReadPage(i);
        EXPECT_EQ(StreamOf(page.get()), StreamOf(ArchivePage(i + 1, 3).get()));
        EXPECT_EQ(page->GetDrawCommandCount(), i + 2);
    }
    EXPECT_THROW(reader.ReadPage(3), EReadError);

    const QString empty = WriteArchive(0, QStringLiteral("leer.raf"));
    EXPECT_EQ(ReadFile(empty), QByteArray("\x04\x00\x00\x00", 4));
    EXPECT_EQ(TrgArchiveReader(empty).PageCount(), 0);
}

TEST_F(FileDeviceTest, TheTemporaryPageFileIsGoneAfterTheJob)
{
    TrgArchiveDevice device(nullptr);
    device.TempDirectory = TempFolder();
    device.SetFileName(Path(QStringLiteral("a.raf")));
    device.StartJob();
    const QStringList during = QDir(TempFolder()).entryList(QDir::Files);
    ASSERT_EQ(during.size(), 1);
    EXPECT_TRUE(during.front().startsWith(QStringLiteral("arc")));
    device.ReceivePage(ArchivePage(1, 1).get());
    device.EndJob();
    EXPECT_TRUE(QDir(TempFolder()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(TrgArchiveReader(Path(QStringLiteral("a.raf"))).PageCount(), 1);
}

TEST_F(FileDeviceTest, ATemporaryFileThatCannotBeMadeIsAPrintError)
{
    TrgArchiveDevice device(nullptr);
    device.TempDirectory = Path(QStringLiteral("gibt/es/nicht"));
    device.SetFileName(Path(QStringLiteral("a.raf")));
    try {
        device.StartJob();
        FAIL() << "no error";
    } catch (const EPrintError& e) {
        EXPECT_EQ(e.Message, "File Error: " + device.TempDirectory);
    }
}

TEST_F(FileDeviceTest, OnlyWantedPagesGoIntoTheArchive)
{
    TrgPublisher publisher(nullptr);
    TrgArchiveDevice device(nullptr);
    device.TempDirectory = TempFolder();
    device.SetFileName(Path(QStringLiteral("w.raf")));
    TStringList list;
    list.Add(QStringLiteral("1"));
    list.Add(QStringLiteral("3"));
    device.SetPageSetting(psPageList);
    device.SetPageList(list);
    device.SetPublisher(&publisher);
    publisher.OnPageRequest = [&](TObject*, TrgPageSettingType, int, TStringList*) {
        for (int n = 1; n <= 4 && !publisher.RequestSatisfied(); ++n)
            publisher.ReceivePage(ArchivePage(n, 4).get());
    };
    publisher.PublishJob();
    TrgArchiveReader reader(Path(QStringLiteral("w.raf")));
    ASSERT_EQ(reader.PageCount(), 2);
    EXPECT_EQ(reader.AbsolutePageNo(0), 1);
    EXPECT_EQ(reader.AbsolutePageNo(1), 3);
}

TEST_F(FileDeviceTest, ACancelledArchiveIsCompletedWithThePagesWrittenSoFar)
{
    {
        TrgArchiveDevice device(nullptr);
        device.TempDirectory = TempFolder();
        device.SetFileName(Path(QStringLiteral("c.raf")));
        device.StartJob();
        device.ReceivePage(ArchivePage(1, 5).get());
        device.ReceivePage(ArchivePage(2, 5).get());
        device.CancelJob();
        EXPECT_FALSE(device.Busy());
    }
    TrgArchiveReader reader(Path(QStringLiteral("c.raf")));
    EXPECT_EQ(reader.PageCount(), 2);
    EXPECT_EQ(reader.ReadPage(1)->AbsolutePageNo, 2);
    EXPECT_TRUE(QDir(TempFolder()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(RunChecker(Path(QStringLiteral("c.raf"))).size(), 3);
}

TEST_F(FileDeviceTest, DamagedArchivesAreRefusedWithAClearMessage)
{
    const QByteArray good = ReadFile(WriteArchive(3));
    const auto le = [](uint32_t v) {
        QByteArray b;
        TByteEncoder(b).LE(v, 4);
        return b;
    };
    const auto patch = [&](qsizetype at, const QByteArray& with) {
        QByteArray b = good;
        b.replace(at, with.size(), with);
        return b;
    };
    QByteArray unknownClass = good;
    unknownClass.replace("TrgDrawLine", "TrgDrawLXne");
    struct Case {
        const char* name;
        QByteArray bytes;
        int badPage;  // -1: refused on opening
        const char* mentions;
    };
    const Case cases[] = {
        {"shorter than the header", good.left(2), -1, "Kopf"},
        {"index cut off", good.left(20), -1, "Dateigröße"},
        {"data offset beyond the file", patch(0, le(0x7fffffff)), -1, "Dateigröße"},
        {"negative data offset", patch(0, le(0xfffffff0)), -1, "Dateigröße"},
        {"data offset between records", patch(0, le(27)), -1, "Dateigröße"},
        {"page beyond the file", patch(12, le(0x10000000)), -1, "Seite 2"},
        {"pages out of order", patch(20, le(1)), -1, "Seite 3"},
        {"first page not at the start", patch(4, le(5)), -1, "Seite 1"},
        {"last page cut off", good.left(good.size() - 30), 2, "Seite 3"},
        {"unknown draw command", unknownClass, 0, "TrgDrawLXne"},
        {"no page signature", patch(28, "XXXX"), 0, "Seite 1"},
    };
    for (const Case& c : cases) {
        const QString name = Path(QStringLiteral("kaputt.raf"));
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.bytes);
        file.close();
        try {
            TrgArchiveReader reader(name);
            ASSERT_GE(c.badPage, 0) << c.name << ": opened";
            for (int i = 0; i < c.badPage; ++i)
                EXPECT_NO_THROW(reader.ReadPage(i)) << c.name;
            reader.ReadPage(c.badPage);
            ADD_FAILURE() << c.name << ": read";
        } catch (const EReadError& e) {
            EXPECT_TRUE(e.Message.startsWith("Die Archivdatei " + name + " ist beschädigt")) << c.name;
            EXPECT_TRUE(e.Message.contains(QString::fromUtf8(c.mentions))) << c.name << ": " << e.what();
        }
    }
}

TEST_F(FileDeviceTest, RandomlyDamagedArchivesNeverCrashTheReader)
{
    const QByteArray good = ReadFile(WriteArchive(3));
    std::mt19937 random(20261210);
    const QString name = Path(QStringLiteral("mutiert.raf"));
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = good;
        const int changes = 1 + int(random() % 4);
        for (int i = 0; i < changes; ++i) {
            const qsizetype at = qsizetype(random() % uint32_t(bytes.size()));
            // Mostly the index and the first bytes of the streams.
            const qsizetype where = random() % 2 ? at % 64 : at;
            bytes[where] = char(random() % 256);
        }
        if (random() % 5 == 0)
            bytes.truncate(qsizetype(random() % uint32_t(bytes.size())));
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        try {
            TrgArchiveReader reader(name);
            for (int i = 0; i < reader.PageCount(); ++i)
                reader.ReadPage(i);
        } catch (const Exception&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
}

TEST_F(FileDeviceTest, BothFileDevicesAreRegisteredByName)
{
    rgRegisterFileDeviceClasses();
    for (const char* name : {"TrgTextFileDevice", "TrgArchiveDevice"}) {
        const TClassInfo* info = GetClass(QString::fromLatin1(name));
        ASSERT_NE(info, nullptr) << name;
        std::unique_ptr<TComponent> device(info->Create(nullptr));
        EXPECT_NE(dynamic_cast<TrgFileDevice*>(device.get()), nullptr) << name;
        EXPECT_EQ(ClassInfoOf(*device)->ClassName, name);
    }
}
