// Guards the settings component: where its file lies, Windows-1252 text and typed reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/core/exceptions.h"
#include "platform/core/ini_file.h"
#include "platform/core/string_list.h"
#include "platform/os/folders.h"
#include "platform/ui/forms.h"
#include "platform/ui/graphics.h"
#include "routines_test_support.h"
#include "shared/qk_ini.h"
#include "test_environment.h"

namespace fs = std::filesystem;
using lxtest::ReadFile;
using lxtest::WriteFile;

namespace {

// A form holding a TQKINI on a file of its own.
class QKINI : public testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(10, 20, 300, 200);
        ini = new TQKINI(form.get());
        ini->Name = "QKINI1";
        ini->SetINIFileName(Win(dir / "Test.ini"));
    }
    std::string File() const { return ReadFile(dir / "Test.ini"); }
    void Write(const std::string& bytes) const { WriteFile(dir / "Test.ini", bytes); }

    lxtest::TempDir dir;
    std::unique_ptr<TForm> form;
    TQKINI* ini = nullptr;  // owned by the form
};

TEST(QKINIFileName, BareNamesLandInTheProgramFolder)
{
    TQKINI ini(nullptr);
    EXPECT_EQ(ini.INIFileName(), "Default.INI");
    EXPECT_EQ(ini.IniPath(), ProgramFolder() + "Default.INI");

    struct Case {
        QString assigned, fileName, path;
    } cases[] = {
        {"", "Default.INI", ProgramFolder() + "Default.INI"},
        {"My.ini", "My.ini", ProgramFolder() + "My.ini"},
        {"C:\\X\\My.ini", "C:\\X\\My.ini", "C:\\X\\My.ini"},
        {"C:My.ini", "C:My.ini", ProgramFolder() + "My.ini"},  // no "\": only the name part counts
    };
    for (const Case& c : cases) {
        ini.SetINIFileName(c.assigned);
        EXPECT_EQ(ini.INIFileName(), c.fileName) << c.assigned.toStdString();
        EXPECT_EQ(ini.IniPath(), c.path) << c.assigned.toStdString();
    }
}

TEST(QKINIFileName, ABareNameIsWrittenBesideTheProgram)
{
    TQKINI ini(nullptr);
    ini.SetINIFileName("Eigene.INI");
    ini.INIWriteString("S", "K", "V");
    EXPECT_EQ(ReadFile(fs::path(ProgramFolderLinux().toStdString()) / "Eigene.INI"), "[S]\r\nK=V\r\n");
    EXPECT_FALSE(fs::exists(fs::path(WindowsFolderLinux().toStdString()) / "Eigene.INI"));
}

TEST(QKINIProperties, AboutAndCaption)
{
    TQKINI ini(nullptr);
    ini.Name = "QKINI7";
    EXPECT_EQ(ini.About_Quillkit(), "29.07.98");
    ini.SetAbout_Quillkit("01.01.01");
    EXPECT_EQ(ini.About_Quillkit(), "29.07.98");
    EXPECT_EQ(ini.Caption(), "");
    ini.SetCaption("Main");
    EXPECT_EQ(ini.Caption(), "Main");
    ini.SetCaption("");  // the name at the time of the assignment
    EXPECT_EQ(ini.Caption(), "QKINI7");
    ini.Name = "Anders";
    EXPECT_EQ(ini.Caption(), "QKINI7");
    EXPECT_EQ(ini.SaveWinPos, swpNone);
    EXPECT_FALSE(ini.SaveLastRes);
}

// Everything the component writes, read back byte for byte: Windows-1252,
// CR LF, sections in the order of their first write.
TEST_F(QKINI, WrittenFileIsWindows1252WithCrLf)
{
    ini->SaveWinPos = swpSizePosition;
    ini->WriteINI();
    ini->INIWriteString("Einstellungen", "Pfad", "C:\\Bilder\\Größe");
    ini->INIWriteInteger("Einstellungen", "Zahl", -42);
    ini->INIWriteBool("Einstellungen", "An", true);
    ini->INIWriteBool("Einstellungen", "Aus", false);
    TFont font;
    font.SetName("Arial");
    font.SetSize(10);
    font.SetColor(255);
    font.SetStyle(TFontStyles{fsBold, fsItalic});
    ini->INISaveFont("Schrift", "Grid", &font);

    const std::string expected =
        "[WinPos]\r\n"
        "QKINI1_WindowState=0\r\n"
        "QKINI1_Top=20\r\n"
        "QKINI1_Left=10\r\n"
        "QKINI1_Height=200\r\n"
        "QKINI1_Width=300\r\n"
        "\r\n"
        "[Einstellungen]\r\n"
        "Pfad=C:\\Bilder\\Gr\xF6\xDF" "e\r\n"
        "Zahl=-42\r\n"
        "An=1\r\n"
        "Aus=0\r\n"
        "\r\n"
        "[Schrift]\r\n"
        "Grid_Name=Arial\r\n"
        "Grid_Size=10\r\n"
        "Grid_Color=255\r\n"
        "Grid_Style=BI\r\n";
    EXPECT_EQ(File(), expected);
    EXPECT_EQ(ini->Caption(), "QKINI1");

    // And back through the component.
    EXPECT_EQ(ini->INIReadString("einstellungen", "PFAD", ""), "C:\\Bilder\\Größe");
    EXPECT_EQ(ini->INIReadInteger("Einstellungen", "Zahl", 0), -42);
    EXPECT_TRUE(ini->INIReadBool("Einstellungen", "An", false));
    EXPECT_FALSE(ini->INIReadBool("Einstellungen", "Aus", true));
}

TEST_F(QKINI, TypedReadsFallBackToTheirDefaults)
{
    Write("[S]\r\nText=abc\r\nFuenf=5\r\nLeer=\r\n");
    EXPECT_EQ(ini->INIReadInteger("S", "Text", 7), 7);
    EXPECT_EQ(ini->INIReadInteger("S", "Fehlt", 8), 8);
    EXPECT_EQ(ini->INIReadInteger("Fehlt", "Fuenf", 9), 9);
    EXPECT_TRUE(ini->INIReadBool("S", "Fuenf", false));  // any integer other than 0
    EXPECT_TRUE(ini->INIReadBool("S", "Fehlt", true));
    EXPECT_EQ(ini->INIReadString("S", "Fehlt", "def"), "def");
    EXPECT_EQ(ini->INIReadString("S", "Leer", "def"), "");
}

TEST_F(QKINI, ReadsSeeWhatOthersWroteSinceTheLastRead)
{
    TQKINI other(nullptr);
    other.SetINIFileName(ini->INIFileName());
    EXPECT_EQ(ini->INIReadInteger("S", "K", 0), 0);
    other.INIWriteInteger("S", "K", 5);
    EXPECT_EQ(ini->INIReadInteger("S", "K", 0), 5);
    Write("[S]\r\nK=6\r\n");  // another program
    EXPECT_EQ(ini->INIReadInteger("S", "K", 0), 6);
    ini->INIWriteString("S", "L", "x");
    EXPECT_EQ(File(), "[S]\r\nK=6\r\nL=x\r\n");  // nothing of the other program lost
}

// The component reads the file once and answers from memory while it stays
// as it was: with no descriptor left to open it, reads still answer. A write
// that fails leaves file and memory as they were; a file changed by another
// program is read again, and while it cannot be read it is neither answered
// from the old copy nor replaced.
TEST_F(QKINI, ReadsOfAnUnchangedFileComeFromMemory)
{
    struct Clock {
        // No file time falls into the current tick: stamps are trusted.
        Clock() { SetIniFileClockForTests([] { return int64_t(4'000'000'000) * 1'000'000'000; }); }
        ~Clock() { SetIniFileClockForTests(nullptr); }
    } clock;
    Write("[S]\r\nK=1\r\nT=abc\r\n");
    EXPECT_EQ(ini->INIReadInteger("S", "K", 0), 1);
    {
        lxtest::NoFreeDescriptors none;
        EXPECT_EQ(ini->INIReadString("S", "T", ""), "abc");
        EXPECT_EQ(ini->INIReadInteger("S", "K", 0), 1);
        EXPECT_THROW(ini->INIWriteInteger("S", "K", 2), EIniFileException);
    }
    EXPECT_EQ(File(), "[S]\r\nK=1\r\nT=abc\r\n");
    EXPECT_EQ(ini->INIReadInteger("S", "K", 0), 1);

    Write("[S]\r\nK=3\r\n");  // another program
    {
        lxtest::NoFreeDescriptors none;
        EXPECT_EQ(ini->INIReadString("S", "T", "weg"), "weg");
        EXPECT_THROW(ini->INIWriteInteger("S", "L", 4), EIniFileException);
    }
    EXPECT_EQ(File(), "[S]\r\nK=3\r\n");
    EXPECT_EQ(ini->INIReadInteger("S", "K", 0), 3);
    ini->INIWriteInteger("S", "L", 4);
    EXPECT_EQ(File(), "[S]\r\nK=3\r\nL=4\r\n");
}

// An update keeps its writes in memory (reads see them) and writes the
// file once at its end; what another program wrote meanwhile is kept, and a
// cancelled update leaves the file as it was.
TEST_F(QKINI, AnUpdateWritesOnceAndKeepsWhatOthersWroteMeanwhile)
{
    Write("[S]\r\nA=1\r\n");
    ini->BeginUpdate();
    ini->INIWriteInteger("S", "B", 2);
    ini->BeginUpdate();  // nested
    ini->INIWriteString("T", "C", "drei");
    ini->EndUpdate();
    EXPECT_EQ(ini->INIReadInteger("S", "B", 0), 2);
    EXPECT_EQ(File(), "[S]\r\nA=1\r\n");  // not yet
    Write("[S]\r\nA=1\r\n[X]\r\nY=9\r\n");  // another program
    ini->KillSection("S");
    ini->INIWriteInteger("S", "B", 4);
    ini->EndUpdate();
    EXPECT_EQ(File(), "[X]\r\nY=9\r\n\r\n[T]\r\nC=drei\r\n\r\n[S]\r\nB=4\r\n");

    ini->BeginUpdate();
    ini->INIWriteInteger("S", "B", 5);
    ini->CancelUpdate();
    EXPECT_EQ(ini->INIReadInteger("S", "B", 0), 4);
    EXPECT_EQ(File(), "[X]\r\nY=9\r\n\r\n[T]\r\nC=drei\r\n\r\n[S]\r\nB=4\r\n");
    ini->INIWriteInteger("S", "B", 6);  // no update open: written at once
    EXPECT_EQ(ini->INIReadInteger("S", "B", 0), 6);
    EXPECT_NE(File().find("B=6"), std::string::npos);
}

TEST_F(QKINI, TextWindows1252CannotHoldIsRefusedAndTheFileKept)
{
    Write("[S]\r\nK=1\r\n");
    EXPECT_THROW(ini->INIWriteString("S", "K", QString::fromUtf8("Ж")), EEncodingError);
    EXPECT_EQ(File(), "[S]\r\nK=1\r\n");
}

TEST_F(QKINI, ItemLists)
{
    struct Case {
        const char* file;
        QStringList items;
    } cases[] = {
        {"[L]\r\n", {"Leer"}},                                   // no keys at all
        {"[L]\r\nAnzahl=2\r\n1=Mitte\r\n", {"Leer", "Mitte", "Leer"}},
        {"[L]\r\nAnzahl=-1\r\n0=a\r\n", {}},
        {"[L]\r\nAnzahl=1\r\n0=a\r\n1=b\r\n2=c\r\n", {"a", "b"}},  // Anzahl is the highest index
        {"[L]\r\nAnzahl=0\r\n0=\r\n", {""}},                      // an empty item is not missing
    };
    for (const Case& c : cases) {
        Write(c.file);
        TStringList list;
        list.Add("alt");
        ini->INIReadItems("L", &list);
        EXPECT_EQ(list.ToQStringList(), c.items) << c.file;
    }
}

TEST_F(QKINI, SectionsKeysAndValues)
{
    Write("[S]\r\na=1\r\nb=x=y\r\nc=\r\n[T]\r\nd=4\r\n");
    TStringList list;
    ini->INIReadSection("S", &list);
    EXPECT_EQ(list.ToQStringList(), QStringList({"a", "b", "c"}));
    ini->INIReadSectionValues("S", &list);
    EXPECT_EQ(list.ToQStringList(), QStringList({"a=1", "b=x=y", "c="}));
    ini->INIReadRealSectionValues("S", &list);
    EXPECT_EQ(list.ToQStringList(), QStringList({"1", "x=y", ""}));

    ini->KillSection("s");
    EXPECT_EQ(File(), "[T]\r\nd=4\r\n");
    ini->INIReadSection("S", &list);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(QKINI, FontsLoadTheirStyleLettersAnywhere)
{
    Write("[F]\r\nP_Name=Courier New\r\nP_Size=14\r\nP_Color=32768\r\nP_Style=SB\r\n"
          "Q_Style=bius\r\n");
    TFont font;
    font.SetStyle(TFontStyles{fsItalic});
    ini->INILoadFont("F", "P", &font);
    EXPECT_EQ(font.Name(), "Courier New");
    EXPECT_EQ(font.Size(), 14);
    EXPECT_EQ(font.Color(), 32768);
    EXPECT_EQ(font.Style(), (TFontStyles{fsBold, fsStrikeOut}));

    // Missing keys keep the font; lower-case letters are no styles.
    ini->INILoadFont("F", "Q", &font);
    EXPECT_EQ(font.Name(), "Courier New");
    EXPECT_EQ(font.Size(), 14);
    EXPECT_EQ(font.Style(), TFontStyles{});

    Write("[F]\r\nR_Name=" + std::string(300, 'n') + "\r\n");
    ini->INILoadFont("F", "R", &font);
    EXPECT_EQ(font.Name().size(), 255);
}

TEST_F(QKINI, EventsAroundTheWindowPosition)
{
    std::string atWrite;
    bool boundsAtRead = true;
    ini->SaveWinPos = swpPosition;
    ini->OnWriteINI = [&](TObject* sender) {
        EXPECT_EQ(sender, ini);
        atWrite = File();  // the window position is already stored
        ini->INIWriteString("Form", "Eigen", "1");
    };
    ini->WriteINI();
    EXPECT_EQ(atWrite, "[WinPos]\r\nQKINI1_WindowState=0\r\nQKINI1_Top=20\r\nQKINI1_Left=10\r\n");

    form->SetBounds(0, 0, 300, 200);
    ini->OnReadINI = [&](TObject*) { boundsAtRead = form->Top() == 0; };  // before the restore
    ini->ReadINI();
    EXPECT_TRUE(boundsAtRead);
    EXPECT_EQ(form->Top(), 20);
    EXPECT_EQ(form->Left(), 10);
}

TEST_F(QKINI, MaximisedFormKeepsItsLastNormalPosition)
{
    Write("[WinPos]\r\nQKINI1_WindowState=0\r\nQKINI1_Top=5\r\nQKINI1_Left=6\r\n");
    ini->SaveWinPos = swpPosition;
    ini->SaveLastRes = true;
    form->SetWindowState(wsMaximized);
    ini->WriteINI();
    EXPECT_EQ(File(), "[WinPos]\r\nQKINI1_WindowState=2\r\nQKINI1_Top=5\r\nQKINI1_Left=6\r\nQKINI1_LastRes=" +
                          std::to_string(Screen->Width()) + "\r\n");

    // Restored maximised: the stored bounds are not applied.
    auto* other = new TForm(nullptr);
    std::unique_ptr<TForm> guard(other);
    other->SetBounds(1, 2, 3, 4);
    TQKINI reader(other);
    reader.SetCaption("QKINI1");
    reader.SetINIFileName(ini->INIFileName());
    reader.SaveWinPos = swpPosition;
    reader.ReadINI();
    EXPECT_EQ(other->WindowState(), wsMaximized);
    EXPECT_EQ(other->Top(), 2);
}

TEST_F(QKINI, SizeAndPositionComeBack)
{
    Write("[WinPos]\r\nQKINI1_WindowState=0\r\nQKINI1_Top=50\r\nQKINI1_Left=60\r\n"
          "QKINI1_Height=222\r\nQKINI1_Width=333\r\n");
    ini->SaveWinPos = swpPosition;
    ini->ReadINI();
    EXPECT_EQ(form->Top(), 50);
    EXPECT_EQ(form->Left(), 60);
    EXPECT_EQ(form->Height(), 200);  // position only
    ini->SaveWinPos = swpSizePosition;
    ini->ReadINI();
    EXPECT_EQ(form->Height(), 222);
    EXPECT_EQ(form->Width(), 333);

    ini->SaveWinPos = swpNone;  // nothing read at all
    form->SetBounds(1, 1, 100, 100);
    ini->ReadINI();
    EXPECT_EQ(form->Top(), 1);
}

TEST_F(QKINI, OtherScreenWidthCentresTheForm)
{
    struct Case {
        std::string lastRes;
        bool centred;
    } cases[] = {
        {"QKINI1_LastRes=" + std::to_string(Screen->Width() + 1) + "\r\n", true},
        {"", true},  // never stored: the first run centres
        {"QKINI1_LastRes=" + std::to_string(Screen->Width()) + "\r\n", false},
    };
    for (const Case& c : cases) {
        Write("[WinPos]\r\nQKINI1_WindowState=1\r\nQKINI1_Top=50\r\nQKINI1_Left=60\r\n" + c.lastRes);
        form->SetWindowState(wsNormal);
        form->Position = poDesigned;
        form->SetBounds(10, 20, 300, 200);
        ini->SaveWinPos = swpSizePosition;
        ini->SaveLastRes = true;
        ini->ReadINI();
        EXPECT_EQ(form->WindowState(), wsMinimized) << c.lastRes;
        EXPECT_EQ(form->Position == poScreenCenter, c.centred) << c.lastRes;
        EXPECT_EQ(form->Top(), c.centred ? 20 : 50) << c.lastRes;
    }
}

TEST_F(QKINI, UnknownWindowStateKeepsTheCurrentOne)
{
    Write("[WinPos]\r\nQKINI1_WindowState=7\r\nQKINI1_Top=50\r\n");
    ini->SaveWinPos = swpPosition;
    form->SetWindowState(wsNormal);
    ini->ReadINI();
    EXPECT_EQ(form->WindowState(), wsNormal);
    EXPECT_EQ(form->Top(), 50);
}

}  // namespace
