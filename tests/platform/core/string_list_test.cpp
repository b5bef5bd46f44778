// Guards TStringList: editing, search, names and values, sorting, text forms
// and files.
#include "platform/core/exceptions.h"
#include "platform/core/string_list.h"

#include "test_environment.h"

#include <gtest/gtest.h>

namespace {

QString Q(const std::filesystem::path& p)
{
    return QString::fromStdString(p.string());
}

}  // namespace

TEST(StringList, EditingAndCaseInsensitiveSearch)
{
    TStringList l;
    int changes = 0;
    l.OnChange = [&](TStringList&) { ++changes; };
    l.Add("Bilder");
    l.Add("Urlaub");
    l.Insert(0, "Alben");
    EXPECT_EQ(l.Count(), 3);
    EXPECT_EQ(l[0], "Alben");
    EXPECT_EQ(l.IndexOf("BILDER"), 1);
    EXPECT_EQ(l.IndexOf("Bild"), -1);
    l.Delete(1);
    EXPECT_EQ(l.Text(), "Alben\r\nUrlaub\r\n");
    EXPECT_EQ(changes, 4);
    l.BeginUpdate();
    l.Add("x");
    l.Add("y");
    l.EndUpdate();
    EXPECT_EQ(changes, 5);  // one change for the update
    EXPECT_THROW(l.Delete(9), EStringListError);
    EXPECT_THROW(l.Strings(-1), EStringListError);
    l.SetCaseSensitive(true);
    EXPECT_EQ(l.IndexOf("URLAUB"), -1);
}

TEST(StringList, NamesAndValues)
{
    TStringList l;
    l.SetText("Name=Anna\r\nPfad=C:\\a=b\r\nohne\r\n");
    EXPECT_EQ(l.Names(0), "Name");
    EXPECT_EQ(l.Names(2), "");
    EXPECT_EQ(l.Values("PFAD"), "C:\\a=b");
    EXPECT_EQ(l.ValueFromIndex(1), "C:\\a=b");
    EXPECT_EQ(l.Values("fehlt"), "");
    l.SetValues("name", "Berta");
    l.SetValues("Neu", "1");
    l.SetValues("ohne", "");
    l.SetValues("Pfad", "");
    EXPECT_EQ(l.Text(), "name=Berta\r\nohne\r\nNeu=1\r\n");  // the name as given
    EXPECT_EQ(l.IndexOfName("NEU"), 2);
}

TEST(StringList, SortedListsAndDuplicates)
{
    TStringList l;
    l.SetSorted(true);
    for (const char* s : {"delta", "Alpha", "charlie", "bravo", "ALPHA"})
        l.Add(s);
    EXPECT_EQ(l.CommaText(), "Alpha,bravo,charlie,delta");  // dupIgnore ignores case too
    int index = -1;
    EXPECT_TRUE(l.Find("CHARLIE", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(l.Find("c", index));
    EXPECT_EQ(index, 2);
    EXPECT_THROW(l.Insert(0, "x"), EStringListError);
    l.SetDuplicates(TDuplicates::dupError);
    EXPECT_THROW(l.Add("bravo"), EStringListError);
    l.SetDuplicates(TDuplicates::dupAccept);
    l.Add("BRAVO");
    EXPECT_EQ(l.Count(), 5);
    EXPECT_EQ(l.IndexOf("bravo"), 1);
    TStringList u;
    u.SetText("b\nA\nc");
    u.CustomSort([](const TStringList& list, int a, int b) { return -list[a].compare(list[b], Qt::CaseInsensitive); });
    EXPECT_EQ(u.CommaText(), "c,b,A");
}

TEST(StringList, TextAndCommaText)
{
    TStringList l;
    l.SetText("eins\r\nzwei\nvier\rfünf");
    EXPECT_EQ(l.Count(), 4);
    EXPECT_EQ(l.Text(), "eins\r\nzwei\r\nvier\r\nfünf\r\n");
    l.SetText("");
    EXPECT_EQ(l.Count(), 0);
    l.SetText("a\r\n\r\n");
    EXPECT_EQ(l.Count(), 2);  // an empty line, then the end

    l.Clear();
    for (const char* s : {"einfach", "mit Blank", "mit,Komma", "mit \"Quote\"", ""})
        l.Add(s);
    const QString comma = l.CommaText();
    EXPECT_EQ(comma, "einfach,\"mit Blank\",\"mit,Komma\",\"mit \"\"Quote\"\"\",");
    TStringList back;
    back.SetCommaText(comma);
    EXPECT_EQ(back.ToQStringList(), l.ToQStringList());
    back.SetCommaText("a b, c");  // blanks separate outside quotes
    EXPECT_EQ(back.ToQStringList(), QStringList({"a", "b", "c"}));
    back.Delimiter = u';';
    back.SetDelimitedText("*.JPG;*.GIF");
    EXPECT_EQ(back.Count(), 2);
    EXPECT_EQ(back.DelimitedText(), "*.JPG;*.GIF");
}

TEST(StringList, FilesAreWindows1252)
{
    lxtest::TempDir tmp;
    TStringList l;
    l.Add("Größe");
    l.Add("€ 5");
    l.SaveToFile(Q(tmp / "liste.txt"));
    EXPECT_EQ(lxtest::ReadFile(tmp / "liste.txt"), "Gr\xF6\xDF" "e\r\n\x80 5\r\n");
    TStringList back;
    lxtest::WriteFile(tmp / "lf.txt", "Gr\xF6\xDF" "e\n\x80 5");  // LF, no final line end
    back.LoadFromFile(Q(tmp / "lf.txt"));
    EXPECT_EQ(back.ToQStringList(), l.ToQStringList());
    // Text the code page cannot hold: an error, and the old file stays.
    l.Add("Łódź");
    EXPECT_THROW(l.SaveToFile(Q(tmp / "liste.txt")), EEncodingError);
    EXPECT_EQ(lxtest::ReadFile(tmp / "liste.txt"), "Gr\xF6\xDF" "e\r\n\x80 5\r\n");
    EXPECT_THROW(back.LoadFromFile(Q(tmp / "fehlt.txt")), EFOpenError);
}
