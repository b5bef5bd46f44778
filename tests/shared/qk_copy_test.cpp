// Guards the copy component: dates and attributes kept, overwrite rules and read-only targets.
#include <gtest/gtest.h>

#include <QStringList>
#include <filesystem>
#include <memory>

#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/streams.h"
#include "platform/ui/prompt_script.h"
#include "routines_test_support.h"
#include "shared/qk_copy.h"
#include "shared/qk_gauge.h"
#include "test_environment.h"

namespace fs = std::filesystem;
using lxtest::ReadFile;
using lxtest::WriteFile;

namespace {

class QKCopy : public testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(dir / "ziel");
        copy.OnStart = [this](TObject* s) {
            EXPECT_EQ(s, &copy);
            events << "Start";
        };
        copy.OnEnd = [this](TObject*) { events << "Ende"; };
        copy.OnChange = [this](TObject*, int files, const QString& source, const QString& dest) {
            events << QString("%1 %2 -> %3").arg(files).arg(ExtractFileName(source), Rel(dest));
        };
    }
    void TearDown() override
    {
        UseDrives({{"C", "/"}});
    }
    QString W(const QString& name) const { return Win(dir.path()) + u'\\' + name; }
    QString Rel(const QString& path) const { return path.mid(Win(dir.path()).size() + 1); }
    QStringList Texts(const TPromptScript& script) const
    {
        QStringList texts;
        for (const TPromptRecord& r : script.Records())
            texts << r.Text;
        return texts;
    }

    lxtest::TempDir dir;
    TQKCopy copy{nullptr};
    QStringList events;
};

TEST(QKCopyProperties, DefaultsAndWriters)
{
    TQKCopy copy(nullptr);
    EXPECT_EQ(copy.About_Quillkit(), "25.04.98");
    copy.SetAbout_Quillkit("x");
    EXPECT_EQ(copy.About_Quillkit(), "25.04.98");
    EXPECT_EQ(copy.BufferSize(), 8192);
    EXPECT_EQ(copy.DialogCaption, "Kopiere Dateien...");
    EXPECT_TRUE(copy.OverWriteMsg);
    EXPECT_FALSE(copy.OverWrite || copy.CopyAttrib || copy.CopyDate || copy.ProcessMessages ||
                 copy.ShowCopyDialog);

    const std::pair<int, int> sizes[] = {{100, 1024}, {60000, 16384}, {1024, 1024}, {16384, 16384}, {5000, 5000}};
    for (auto [in, out] : sizes) {
        copy.SetBufferSize(in);
        EXPECT_EQ(copy.BufferSize(), out) << in;
    }

    const std::pair<QString, QString> dests[] = {
        {"C:\\Ziel", "C:\\Ziel\\"},
        {"C:\\Ziel\\", "C:\\Ziel\\"},
        {"C:\\Ziel\\Bild.jpg", "C:\\Ziel\\Bild.jpg"},  // a dot makes it a file name
        {"/tmp", "C:\\tmp\\"},                        // a Linux path in Windows form
    };
    for (const auto& [in, out] : dests) {
        copy.SetDest(in);
        EXPECT_EQ(copy.Dest(), out) << in.toStdString();
    }
    copy.SetSource("C:\\Quelle\\Bild.jpg");
    EXPECT_EQ(copy.Source(), "C:\\Quelle\\Bild.jpg");  // the case on disk is kept
}

TEST_F(QKCopy, OneFileIntoAFolderWithDateAndAttributes)
{
    WriteFile(dir / "a.jpg", std::string(20000, 'a'));
    const TDateTime date = EncodeDate(2001, 2, 3) + EncodeTime(4, 5, 6, 0);
    ASSERT_TRUE(FileSetDateTime(W("a.jpg"), date));
    ASSERT_EQ(FileSetAttr(W("a.jpg"), faReadOnly), 0);
    copy.SetSource(W("a.jpg"));
    copy.SetDest(W("ziel"));
    copy.CopyDate = true;
    copy.CopyAttrib = true;
    copy.SetBufferSize(1024);
    EXPECT_TRUE(copy.Execute());
    EXPECT_EQ(events, QStringList({"Start", "1 a.jpg -> ziel\\a.jpg", "Ende"}));
    EXPECT_EQ(ReadFile(dir / "ziel" / "a.jpg"), std::string(20000, 'a'));
    EXPECT_NEAR(FileDateTime(W("ziel\\a.jpg")), date, 1.0 / 86400);
    EXPECT_TRUE(FileGetAttr(W("ziel\\a.jpg")) & faReadOnly);
}

TEST_F(QKCopy, OneFileOntoAFileNameAndEmptyFiles)
{
    WriteFile(dir / "a.jpg", "abc");
    WriteFile(dir / "leer.txt", "");
    copy.SetSource(W("a.jpg"));
    copy.SetDest(W("ziel\\Neu.jpg"));
    EXPECT_TRUE(copy.Execute());
    EXPECT_EQ(ReadFile(dir / "ziel" / "Neu.jpg"), "abc");
    EXPECT_FALSE(fs::exists(dir / "ziel" / "a.jpg"));
    EXPECT_FALSE(FileGetAttr(W("ziel\\Neu.jpg")) & faReadOnly);

    copy.SetSource(W("leer.txt"));
    copy.SetDest(W("ziel"));
    EXPECT_TRUE(copy.Execute());
    ASSERT_TRUE(fs::exists(dir / "ziel" / "leer.txt"));
    EXPECT_EQ(fs::file_size(dir / "ziel" / "leer.txt"), 0u);
}

TEST_F(QKCopy, SourceEqualToDestFailsWithoutCopying)
{
    WriteFile(dir / "a.jpg", "abc");
    copy.SetSource(W("a.jpg"));
    copy.SetDest(W("A.JPG"));
    EXPECT_FALSE(copy.Execute());
    EXPECT_EQ(events, QStringList({"Start", "Ende"}));
    copy.SetSource("");
    events.clear();
    EXPECT_FALSE(copy.Execute());
    EXPECT_EQ(events, QStringList({"Start", "Ende"}));
}

TEST_F(QKCopy, ExistingTargetsFollowTheOverwriteRules)
{
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.txt"})
        WriteFile(dir / n, std::string("neu ") + n);
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"})
        WriteFile(dir / "ziel" / n, "alt");
    copy.SetSource(W("*.jpg"));
    copy.SetDest(W("ziel"));

    // OverWrite off: existing targets are left alone and the run succeeds.
    EXPECT_TRUE(copy.Execute());
    EXPECT_EQ(ReadFile(dir / "ziel" / "a.jpg"), "alt");

    // No skips a, All takes b and every later one without asking.
    copy.OverWrite = true;
    {
        TPromptScript script;
        script.Answer(mrNo).Answer(mrAll);
        EXPECT_TRUE(copy.Execute());
        const QString t = Win(dir / "ziel") + "\\";
        EXPECT_EQ(Texts(script), QStringList({"Datei " + t + "a.jpg schon vorhanden. Soll sie überschrieben werden ?",
                                              "Datei " + t + "b.jpg schon vorhanden. Soll sie überschrieben werden ?"}));
        EXPECT_EQ(script.Records().at(0).DlgType, mtWarning);
        EXPECT_EQ(script.Records().at(0).Buttons, (TMsgDlgButtons{mbYes, mbNo, mbAll}));
    }
    EXPECT_EQ(ReadFile(dir / "ziel" / "a.jpg"), "alt");
    EXPECT_EQ(ReadFile(dir / "ziel" / "b.jpg"), "neu b.jpg");
    EXPECT_EQ(ReadFile(dir / "ziel" / "c.jpg"), "neu c.jpg");
    EXPECT_FALSE(fs::exists(dir / "ziel" / "d.txt"));

    // "All" lasts one run only; OverWriteMsg off replaces without asking.
    {
        TPromptScript script;
        script.Answer(mrYes, "a.jpg").Answer(mrNo, "b.jpg").Answer(mrNo, "c.jpg");
        EXPECT_TRUE(copy.Execute());
    }
    copy.OverWriteMsg = false;
    WriteFile(dir / "ziel" / "c.jpg", "alt");
    EXPECT_TRUE(copy.Execute());
    EXPECT_EQ(ReadFile(dir / "ziel" / "c.jpg"), "neu c.jpg");
}

TEST_F(QKCopy, ReadOnlyTargets)
{
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) {
        WriteFile(dir / n, "neu");
        WriteFile(dir / "ziel" / n, "alt");
        ASSERT_EQ(FileSetAttr(W(QString("ziel\\") + n), faReadOnly), 0);
    }
    copy.SetSource(W("*.jpg"));
    copy.SetDest(W("ziel"));
    copy.OverWrite = true;
    copy.OverWriteMsg = false;
    TPromptScript script;
    script.Answer(mrNo).Answer(mrYes).Answer(mrAll);  // a kept, b replaced, c and later replaced
    EXPECT_TRUE(copy.Execute());
    EXPECT_EQ(Texts(script).at(0),
              "Datei " + Win(dir / "ziel") + "\\a.jpg Schreibgeschützt. Soll sie überschrieben werden ?");
    EXPECT_EQ(ReadFile(dir / "ziel" / "a.jpg"), "alt");
    EXPECT_TRUE(FileGetAttr(W("ziel\\a.jpg")) & faReadOnly);
    for (const char* n : {"b.jpg", "c.jpg"}) {
        EXPECT_EQ(ReadFile(dir / "ziel" / n), "neu") << n;
        EXPECT_FALSE(FileGetAttr(W(QString("ziel\\") + n)) & faReadOnly) << n;
    }
}

TEST_F(QKCopy, MissingDestinationFolderIsOffered)
{
    WriteFile(dir / "a.jpg", "abc");
    copy.SetSource(W("a.jpg"));
    copy.SetDest(W("neu\\tief"));
    {
        TPromptScript script;
        script.Answer(mrNo);
        EXPECT_FALSE(copy.Execute());
        EXPECT_EQ(Texts(script),
                  QStringList({"Zielverzeichnis " + W("neu") + "\\tief\\ existiert nicht. Soll es erstellt werden ?"}));
    }
    EXPECT_FALSE(fs::exists(dir / "neu"));
    {
        TPromptScript script;
        script.Answer(mrYes);
        EXPECT_TRUE(copy.Execute());
    }
    EXPECT_EQ(ReadFile(dir / "neu" / "tief" / "a.jpg"), "abc");

    // A folder that cannot be made (a file stands in its way).
    copy.SetDest(W("a.jpg\\unter\\"));
    TPromptScript script;
    script.Answer(mrYes).Answer(TPromptKind::Box, IDOK, "Verzeichnis konnte nicht erstellt werden");
    EXPECT_FALSE(copy.Execute());
    EXPECT_EQ(script.Records().at(1).Caption, "Problem");
    EXPECT_EQ(script.Records().at(1).Flags, MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

TEST_F(QKCopy, DriveNotReadyAndTooLittleSpace)
{
    WriteFile(dir / "a.jpg", std::string(3000, 'a'));
    WriteFile(dir / "b.jpg", std::string(3000, 'b'));
    copy.SetSource(W("*.jpg"));
    copy.SetDest("Q:\\Ziel");
    {
        TPromptScript script;
        script.Answer(mrRetry, "Zieldatenträger nicht bereit").Answer(mrAbort, "Zieldatenträger nicht bereit");
        EXPECT_FALSE(copy.Execute());
        EXPECT_EQ(script.Records().at(0).Buttons, (TMsgDlgButtons{mbAbort, mbRetry}));
    }
    EXPECT_EQ(events, QStringList({"Start", "Ende"}));

    // D: has room for one file only.
    UseDrives({{"C", "/"}, {"D", (dir / "ziel").string(), "DISK", "USB", "00000001", 4000}});
    copy.SetDest("D:\\");
    {
        TPromptScript script;
        script.Answer(mrAbort, "Zu wenig Speicherplatz für alle Dateien");
        EXPECT_FALSE(copy.Execute());
        EXPECT_EQ(script.Records().at(0).Buttons, (TMsgDlgButtons{mbAbort, mbRetry, mbIgnore}));
    }
    {
        // The fake table's free space does not shrink, so the per-file check
        // passes and both files are written.
        TPromptScript script;
        script.Answer(mrIgnore, "Zu wenig Speicherplatz für alle Dateien");
        EXPECT_TRUE(copy.Execute());
    }
    EXPECT_EQ(ReadFile(dir / "ziel" / "b.jpg"), std::string(3000, 'b'));

    WriteFile(dir / "gross.jpg", std::string(5000, 'g'));
    copy.SetSource(W("gross.jpg"));
    TPromptScript script;
    script.Answer(mrIgnore, "alle Dateien").Answer(mrRetry, "Zu wenig Speicherplatz für Datei >D:\\gross.jpg< auf Zieldatenträger")
        .Answer(mrAbort, "für Datei");
    EXPECT_FALSE(copy.Execute());
    EXPECT_FALSE(fs::exists(dir / "ziel" / "gross.jpg"));
}

TEST_F(QKCopy, MissingSourceFile)
{
    copy.SetSource(W("fehlt.jpg"));
    copy.SetDest(W("ziel"));
    {
        TPromptScript script;
        script.Answer(mrRetry, "Datei >" + W("fehlt.jpg") + "< nicht gefunden").Answer(mrAbort);
        EXPECT_FALSE(copy.Execute());
    }
    EXPECT_EQ(events, QStringList({"Start", "Ende"}));

    // Ignore goes on to the open, which fails: the error passes, OnEnd does not fire.
    events.clear();
    copy.ShowCopyDialog = true;
    TPromptScript script;
    script.Answer(mrIgnore);
    try {
        copy.Execute();
        ADD_FAILURE() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message, W("fehlt.jpg"));
    }
    EXPECT_EQ(events, QStringList({"Start", "1 fehlt.jpg -> ziel\\fehlt.jpg"}));
    EXPECT_EQ(TQKCopy::CopyForm(), nullptr);
    EXPECT_FALSE(fs::exists(dir / "ziel" / "fehlt.jpg"));
}

// The user cancels in the progress form while the second of three files is
// being written: that file leaves no target (an older one stays as it was),
// the third is not copied, and the run reports failure.
TEST_F(QKCopy, CancelHalfWayLeavesNoPartialTarget)
{
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"})
        WriteFile(dir / n, std::string(10000, n[0]));
    WriteFile(dir / "ziel" / "b.jpg", "alt");
    copy.SetSource(W("*.jpg"));
    copy.SetDest(W("ziel"));
    copy.OverWrite = true;
    copy.OverWriteMsg = false;
    copy.ShowCopyDialog = true;
    copy.ProcessMessages = true;
    copy.SetBufferSize(1024);
    copy.DialogCaption = "Bilder kopieren";
    TQKGauge runGauge(nullptr), fileGauge(nullptr);
    copy.SetCopyProgressGauge(&runGauge);
    copy.SetFileProgressGauge(&fileGauge);

    auto change = copy.OnChange;
    copy.OnChange = [&](TObject* s, int files, const QString& source, const QString& dest) {
        change(s, files, source, dest);
        TfrmQKCopy* form = TQKCopy::CopyForm();
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->Caption(), "Bilder kopieren");
        EXPECT_TRUE(form->panFile->Visible());  // more than one file
        EXPECT_FALSE(form->panDest->Caption().isEmpty());
        EXPECT_EQ(form->dfgCopy->MaxValue(), 30000);
        EXPECT_EQ(runGauge.MaxValue(), 30000);
        EXPECT_EQ(runGauge.Progress(), (files - 1) * 10000);
        if (files == 2)
            form->Button1->Click();  // the question comes at once; Yes cancels
    };
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrYes, "Kopiervorgang abbrechen ?");
    EXPECT_FALSE(copy.Execute());
    EXPECT_EQ(script.Records().at(0).DlgType, mtConfirmation);
    EXPECT_EQ(copy.Tag, 9999);
    EXPECT_EQ(events, QStringList({"Start", "1 a.jpg -> ziel\\a.jpg", "2 b.jpg -> ziel\\b.jpg", "Ende"}));
    EXPECT_EQ(ReadFile(dir / "ziel" / "a.jpg"), std::string(10000, 'a'));
    EXPECT_EQ(ReadFile(dir / "ziel" / "b.jpg"), "alt");
    EXPECT_FALSE(fs::exists(dir / "ziel" / "c.jpg"));
    EXPECT_EQ(fs::directory_iterator(dir / "ziel") == fs::directory_iterator(), false);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir / "ziel"))
        ++entries;
    EXPECT_EQ(entries, 2);  // no temporary file left behind
    EXPECT_EQ(TQKCopy::CopyForm(), nullptr);

    // The cancel does not carry over into the next run.
    copy.OnChange = nullptr;
    EXPECT_TRUE(copy.Execute());
    EXPECT_EQ(ReadFile(dir / "ziel" / "c.jpg"), std::string(10000, 'c'));
    EXPECT_EQ(runGauge.Progress(), 30000);
    EXPECT_EQ(fileGauge.Progress(), fileGauge.MaxValue());
}

TEST_F(QKCopy, EscAsksAndNoGoesOn)
{
    WriteFile(dir / "a.jpg", std::string(5000, 'a'));
    copy.SetSource(W("a.jpg"));
    copy.SetDest(W("ziel"));
    copy.ShowCopyDialog = true;
    copy.OnChange = [&](TObject*, int, const QString&, const QString&) {
        TfrmQKCopy* form = TQKCopy::CopyForm();
        ASSERT_NE(form, nullptr);
        EXPECT_FALSE(form->panFile->Visible());  // one file only
        QChar key(VK_ESCAPE);
        form->FormKeyPress(form, key);
    };
    TPromptScript script;
    script.Answer(mrNo, "Kopiervorgang abbrechen ?");
    EXPECT_TRUE(copy.Execute());
    EXPECT_EQ(ReadFile(dir / "ziel" / "a.jpg"), std::string(5000, 'a'));
}

TEST_F(QKCopy, CancelBeforeARunDoesNotFailIt)
{
    WriteFile(dir / "a.jpg", "abc");
    copy.SetSource(W("a.jpg"));
    copy.SetDest(W("ziel"));
    TQKCopy::Cancel();
    EXPECT_TRUE(copy.Execute());
    EXPECT_EQ(ReadFile(dir / "ziel" / "a.jpg"), "abc");
}

TEST_F(QKCopy, FreedGaugeIsDropped)
{
    WriteFile(dir / "a.jpg", "abc");
    copy.SetSource(W("a.jpg"));
    copy.SetDest(W("ziel"));
    auto* gauge = new TQKGauge(nullptr);
    gauge->SetProgress(50);
    copy.SetCopyProgressGauge(gauge);
    EXPECT_EQ(gauge->Progress(), 0);
    delete gauge;
    EXPECT_EQ(copy.CopyProgressGauge(), nullptr);
    EXPECT_TRUE(copy.Execute());
}

// Sizes above 2 GB: the totals stay right and the gauges get them scaled
// into their 32-bit range. The source is a sparse file; the run is cancelled
// after its first buffer, so nothing big is written.
TEST_F(QKCopy, SizesAbove2GBScaleOntoTheGauges)
{
    UseDrives({{"C", "/", "HD", "", "00000000", 1ull << 40}});
    const int64_t big = 5'000'000'000LL;
    WriteFile(dir / "film.avi", "");
    fs::resize_file(dir / "film.avi", uintmax_t(big));
    copy.SetSource(W("film.avi"));
    copy.SetDest(W("ziel"));
    TQKGauge runGauge(nullptr), fileGauge(nullptr);
    copy.SetCopyProgressGauge(&runGauge);
    copy.SetFileProgressGauge(&fileGauge);
    copy.OnChange = [](TObject*, int, const QString&, const QString&) { TQKCopy::Cancel(); };
    EXPECT_FALSE(copy.Execute());
    EXPECT_EQ(runGauge.MaxValue(), int32_t(big >> 2));
    EXPECT_EQ(fileGauge.MaxValue(), int32_t(big >> 2));
    EXPECT_FALSE(fs::exists(dir / "ziel" / "film.avi"));
}

}  // namespace

// A source that cannot be read to its end (a scratched disc, a pulled
// stick): the copy fails, leaves no target (neither a cut-short one nor a
// temporary file) and an existing target stays as it was.
TEST_F(QKCopy, ReadErrorHalfWayFailsAndLeavesNoTarget)
{
    WriteFile(dir / "a.jpg", std::string(20000, 'a'));
    WriteFile(dir / "b.jpg", std::string(20000, 'b'));
    WriteFile(dir / "ziel" / "b.jpg", "alt");
    copy.SetBufferSize(4096);
    copy.OverWrite = true;
    copy.OverWriteMsg = false;
    int reads = 0;
    SetStreamReadFault([&](const QString& name, int64_t position) {
        ++reads;
        return name.endsWith("a.jpg") && position >= 8192;
    });
    copy.SetSource(W("a.jpg"));
    copy.SetDest(W("ziel"));
    EXPECT_FALSE(copy.Execute());
    EXPECT_GE(reads, 3);  // two buffers went through before the fault
    EXPECT_FALSE(fs::exists(dir / "ziel" / "a.jpg"));

    SetStreamReadFault([](const QString& name, int64_t position) { return name.endsWith("b.jpg") && position > 0; });
    copy.SetSource(W("b.jpg"));
    EXPECT_FALSE(copy.Execute());
    EXPECT_EQ(ReadFile(dir / "ziel" / "b.jpg"), "alt");
    SetStreamReadFault(nullptr);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir / "ziel"))
        ++entries;
    EXPECT_EQ(entries, 1);

    // Without the fault the same copy goes through whole.
    copy.SetSource(W("a.jpg"));
    EXPECT_TRUE(copy.Execute());
    EXPECT_EQ(ReadFile(dir / "ziel" / "a.jpg"), std::string(20000, 'a'));
}
