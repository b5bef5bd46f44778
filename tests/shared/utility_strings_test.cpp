// Guards the string utilities: backslashes, file-name parts, replacing, tokens and mask lists.
#include <gtest/gtest.h>

#include "routines_test_print.h"
#include "shared/utility_strings.h"

namespace {

TEST(UtilityStrings, AddBackslash)
{
    EXPECT_EQ(AddBackslash(""), "");
    EXPECT_EQ(AddBackslash("C:\\Bilder"), "C:\\Bilder\\");
    EXPECT_EQ(AddBackslash("C:\\Bilder\\"), "C:\\Bilder\\");
}

TEST(UtilityStrings, SplitFileName)
{
    struct Case { const char* file; const char* folder; const char* name; const char* suffix; };
    const Case cases[] = {
        {"C:\\Bilder\\urlaub.2001.jpg", "C:\\Bilder\\", "urlaub", ".2001.jpg"},
        {"C:bild.jpg", "C:", "bild", ".jpg"},
        {"C:\\Bil.der\\README", "C:\\Bil.der\\", "", ""},
        {"bild.jpg", "", "bild", ".jpg"},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        QString folder = "x", name = "x", suffix = "x";
        SplitFileName(c.file, folder, name, suffix);
        EXPECT_EQ(folder, c.folder) << c.file;
        EXPECT_EQ(name, c.name) << c.file;
        EXPECT_EQ(suffix, c.suffix) << c.file;
    }
}

TEST(UtilityStrings, ReplaceCharAndReplaceAll)
{
    QString text = "a:b:c";
    qktReplaceChar(text, u':', u'.');
    EXPECT_EQ(text, "a.b.c");
    qktReplaceChar(text, u'.', u'.');
    EXPECT_EQ(text, "a.b.c");

    text = "a     b  c";
    ReplaceAll(text, "  ", " ");
    EXPECT_EQ(text, "a b c");

    // A new text that contains the old one must not loop forever.
    text = "a.b.c";
    ReplaceAll(text, ".", "..");
    EXPECT_EQ(text, "a..b..c");
    text = "abc";
    ReplaceAll(text, "", "x");
    EXPECT_EQ(text, "abc");
}

TEST(UtilityStrings, Tokens)
{
    EXPECT_EQ(qktGetToken("a;b;c", u';', 1), "a");
    EXPECT_EQ(qktGetToken("a;b;c", u';', 3), "c");
    EXPECT_EQ(qktGetToken("a;b;c", u';', 4), "");
    EXPECT_EQ(qktGetToken("a;;c", u';', 2), "");
    EXPECT_EQ(qktGetToken("abc", u';', 1), "abc");
    EXPECT_EQ(qktGetToken("a;b", u';', 0), "");

    QString result = "alt";
    qktGetTokenEx("a;b;c", u';', 3, result, false);
    EXPECT_EQ(result, "");
    qktGetTokenEx("a;b;c", u';', 2, result, false);
    EXPECT_EQ(result, "b");
    qktGetTokenEx("a;b;c", u';', 1, result, true);
    EXPECT_EQ(result, "a;b");
    qktGetTokenEx("a.b.c.d", u'.', 2, result, true);
    EXPECT_EQ(result, "b.c");
    // Without any separator the result stays as it was.
    result = "alt";
    qktGetTokenEx("abc", u';', 1, result, false);
    EXPECT_EQ(result, "alt");
}

TEST(UtilityStrings, CountCharIsNotCutToEightBits)
{
    EXPECT_EQ(qktCountChar("C:\\a\\b\\", u'\\'), 3);
    EXPECT_EQ(qktCountChar(QString(300, u'x'), u'x'), 300);
}

TEST(UtilityStrings, MaskList)
{
    struct Case { const char* name; const char* masks; bool matches; };
    const Case cases[] = {
        {"IMG01.JPG", "*.GIF;*.JPG", true},
        {"IMG01.JPG", "IMG??.JPG", true},
        {"IMG01.JPG", "IMG*.JPG", false},  // a star in the middle matches nothing
        {"X.TXT", "*.*", true},
        {"README", "*.*", false},
        {"URLAUB2001.JPG", "*2001*", true},
        {"IMG01.JPG", "IMG*", true},
        {"IMG01.JPG", "*.J?G", true},
        {"A.JPG", "*LONGER.JPG", false},
        {"IMG", "IMG??.JPG", true},   // mask characters beyond the name are ignored
        {"IMG001.JPG", "IMG??.JPG", false},
        {"A.JPG", "A.JPG", true},
        {"A.JPG", "a.jpg", false},    // byte-exact
        {"A.JPG", "", false},
        {"", "", true},
        {"A.JPG", "*.GIF;", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qktMatchesMaskList(c.name, c.masks), c.matches) << c.name << " / " << c.masks;
}

TEST(UtilityStrings, ClampInt)
{
    int v = 20;
    ClampInt(v, 0, 10);
    EXPECT_EQ(v, 10);
    v = -3;
    ClampInt(v, 0, 10);
    EXPECT_EQ(v, 0);
    v = 5;
    ClampInt(v, 0, 10);
    EXPECT_EQ(v, 5);
}

}  // namespace
