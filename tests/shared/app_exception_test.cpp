// TAppException: the error log entries (read back as bytes) and the
// exception shown afterwards.

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/core/exceptions.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win_path.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/test_input.h"
#include "shared/app_exception.h"
#include "test_environment.h"

namespace {

struct AppExceptionFixture : ::testing::Test {
    AppExceptionFixture() { SetClockForTests(EncodeDate(2026, 12, 9) + EncodeTime(14, 3, 5, 0)); }
    ~AppExceptionFixture() override { SetClockForTests(std::nullopt); }
    QString WinName(const std::string& name) { return LinuxToWinOrSelf(QString::fromStdString((dir / name).string())); }
    lxtest::TempDir dir;
};

}  // namespace

TEST_F(AppExceptionFixture, FirstExceptionCreatesTheLogWithOneEntryAndShowsIt)
{
    TAppException log(nullptr);
    log.SetErrorLog(WinName("LumadexLog.txt"));
    log.SetUserName("anna");
    TPromptScript script;
    script.Answer(TPromptKind::Exception, mrOk, "Datei fehlt.");
    log.HandleException(nullptr, Exception("Datei fehlt"));
    EXPECT_EQ(lxtest::ReadFile(dir / "LumadexLog.txt"), "User: anna\r\n09.12.2026 14:03:05\r\nDatei fehlt\r\n\r\n");
}

TEST_F(AppExceptionFixture, EntriesAppendOlderFirstAndWithoutUserHaveThreeLines)
{
    TAppException log(nullptr);
    log.SetErrorLog(WinName("LumadexLog.txt"));
    TPromptScript script;
    script.Answer(TPromptKind::Exception, mrOk).Answer(TPromptKind::Exception, mrOk);
    log.HandleException(nullptr, std::runtime_error("erster"));
    SetClockForTests(EncodeDate(2026, 12, 9) + EncodeTime(14, 4, 0, 0));
    log.HandleException(nullptr, Exception("Zugriff verweigert: Müller"));
    EXPECT_EQ(lxtest::ReadFile(dir / "LumadexLog.txt"),
              "09.12.2026 14:03:05\r\nerster\r\n\r\n"
              "09.12.2026 14:04:00\r\nZugriff verweigert: M\xFCller\r\n\r\n");  // Windows-1252
}

TEST_F(AppExceptionFixture, CharactersOutsideTheCodePageStayReadable)
{
    TAppException log(nullptr);
    log.SetErrorLog(WinName("LumadexLog.txt"));
    TPromptScript script;
    script.Answer(TPromptKind::Exception, mrOk);
    log.HandleException(nullptr, Exception(QString::fromUtf8("Bild 中.jpg fehlt")));
    EXPECT_EQ(lxtest::ReadFile(dir / "LumadexLog.txt"), "09.12.2026 14:03:05\r\nBild <U+4E2D>.jpg fehlt\r\n\r\n");
}

TEST_F(AppExceptionFixture, UnwritableOrEmptyLogIsPassedOverAndTheExceptionStillShows)
{
    TPromptScript script;
    script.Answer(TPromptKind::Exception, mrOk, "kaputt").Answer(TPromptKind::Exception, mrOk, "leer");
    TAppException log(nullptr);
    log.SetErrorLog(WinName("fehlt/LumadexLog.txt"));  // folder missing: neither append nor create
    log.HandleException(nullptr, Exception("kaputt"));
    log.SetErrorLog("");
    log.HandleException(nullptr, Exception("leer"));
    EXPECT_FALSE(std::filesystem::exists(dir / "fehlt"));
    EXPECT_EQ(script.Records().size(), 2u);
}

TEST_F(AppExceptionFixture, InstalledItCatchesWhatEscapesEventHandlers)
{
    TForm form(nullptr);
    auto* box = new TPaintBox(&form);
    box->SetParent(&form);
    box->OnClick = [](TObject*) { throw EInOutError("Laufwerk D: nicht bereit"); };
    form.Show();
    {
        TAppException log(nullptr);
        log.SetErrorLog(WinName("LumadexLog.txt"));
        log.SetUserName("anna");
        log.Install();
        TPromptScript script;
        script.Answer(TPromptKind::Exception, mrOk, "Laufwerk D: nicht bereit.");
        lxui_test::SendClick(box->Handle(), QPoint(3, 3));
        // The silent exception ends an operation without log or message.
        box->OnClick = [](TObject*) { throw EAbort("abgebrochen"); };
        lxui_test::SendClick(box->Handle(), QPoint(3, 3));
    }
    EXPECT_FALSE(Application->OnException);  // taken off with the component
    EXPECT_EQ(lxtest::ReadFile(dir / "LumadexLog.txt"),
              "User: anna\r\n09.12.2026 14:03:05\r\nLaufwerk D: nicht bereit\r\n\r\n");
    form.Hide();
}

TEST(AppException, DefaultLogLiesInTheProgramFolder)
{
    QString name = DefaultErrorLogName();
    EXPECT_TRUE(name.endsWith("\\LumadexLog.txt"));
    auto linux = WinToLinux(name);
    ASSERT_TRUE(linux.has_value());
    EXPECT_TRUE(linux->startsWith(qEnvironmentVariable("LUMADEX_HOME")));
}
