// The album's file layout read back by outside readers: the table by
// python3-dbfread, the compound index by Perl's XBase::Index and by its
// header bytes.
#include "main_form_fixture.h"

#include "album/album_record.h"
#include "shared/status4_form.h"

#include <map>
#include <set>
#include <sstream>

namespace {

TEST(AlbumRecord, PictureTypeCodesFromTheNameSuffix)
{
    const std::vector<std::pair<QString, int>> cases = {
        {"C:\\Bilder\\urlaub.jpeg", 1}, {"C:\\Bilder\\a.JPG", 1}, {"C:\\Bilder\\scan.TIFF", 3},
        {"C:\\Bilder\\x.y.gif", 5},     {"C:\\Bilder\\ohne", 0},  {"C:\\Bil.der\\ohne", 0},
        {"C:\\Bilder\\icon.ico", 11},   {"C:\\Bilder\\c.wmf", 10}, {"C:\\Bilder\\p.pcx", 6},
        {"C:\\Bilder\\k.scm", 9},       {"C:\\Bilder\\t.txt", 0},
    };
    for (const auto& [name, code] : cases)
        EXPECT_EQ(BilderFileTypeErmitteln(name), code) << name.toStdString();
    EXPECT_TRUE(IstInternesBildFormat("a.jpeg"));
    EXPECT_TRUE(IstInternesBildFormat("a.pcx"));
    EXPECT_FALSE(IstInternesBildFormat("a.ico"));
    EXPECT_FALSE(IstInternesBildFormat("a.pcd"));
    // One character per code: digits for 0 to 9, letters for WMF and ICO,
    // and the pick list names them again.
    std::set<QString> texte;
    for (uint8_t code = 0; code <= 11; ++code) {
        const QString text = BildTypText(code);
        EXPECT_EQ(text.size(), 1);
        EXPECT_EQ(BildTypAusText(text), code);
        texte.insert(text);
    }
    EXPECT_EQ(texte.size(), 12u);
    EXPECT_EQ(BildTypText(7), "7");
    EXPECT_EQ(BildTypName(BildTypAusText("W")), "WMF");
    EXPECT_EQ(BildTypName(BildTypAusText("I")), "ICO");
    EXPECT_EQ(BildTypName(BildTypAusText("1")), "JPG");
    EXPECT_EQ(BildTypName(0), "Unknown");
}

const char* kDbfLayout = R"PY(
import sys
from dbfread import DBF
t = DBF(sys.argv[1], load=False)
for f in t.fields:
    print("%s %s %d %d" % (f.name, f.type, f.length, f.decimal_count))
)PY";

TEST_F(MainFormTest, NewAlbumHasTheTwentyNineFieldsForAnOutsideReader)
{
    ASSERT_EQ(form->ErzeugeBilderDatenbank(form->BereichBilder().Ordner(), "NEU.DBF"), 0);
    ASSERT_TRUE(std::filesystem::exists(dir / "NEU.DBF"));
    EXPECT_TRUE(std::filesystem::exists(dir / "NEU.FPT"));
    EXPECT_FALSE(std::filesystem::exists(dir / "NEU.CDX"));
    const std::string out = RunScript("/usr/bin/python3", "layout.py", kDbfLayout, File("NEU.DBF"));
    std::istringstream in(out);
    for (const TAlbumFeld& f : kAlbumFelder) {
        std::string name, type;
        int width = -1, dec = -1;
        in >> name >> type >> width >> dec;
        const std::string expected = QString::fromLatin1(f.Name).toUpper().left(10).toStdString();
        EXPECT_EQ(name, expected) << out;
        EXPECT_EQ(type, std::string(1, f.Typ)) << name;
        EXPECT_EQ(width, f.Breite) << name;
        EXPECT_EQ(dec, f.Dezimal) << name;
    }
    std::string rest;
    EXPECT_FALSE(in >> rest) << "more fields than 29: " << out;
    EXPECT_NE(out.find("LABELKENNU C 14 0"), std::string::npos);
    EXPECT_NE(out.find("ZOOMFACTOR N 4 2"), std::string::npos);
}

TEST_F(MainFormTest, NewAlbumInAFolderThatCannotBeMadeIsReported)
{
    lxtest::WriteFile(dir / "datei", "x");
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk, "konnte(n) nicht angelegt werden!");
    EXPECT_EQ(form->ErzeugeBilderDatenbank(Win(dir / "datei") + "\\unter\\", "NEU.DBF"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "datei" / "unter"));
}

// Per tag: "TAG name header-offset", then the record numbers in key order.
const char* kTagDump = R"PERL(
use strict;
use XBase::Index;
my $file = shift;
for my $tag (@ARGV) {
    my $idx = XBase::Index->new($file, tag => $tag, type => 'C')
        or die "cannot open $tag: " . XBase::Index->errstr;
    print "TAG $tag $idx->{'adjusted_offset'}\n";
    $idx->prepare_select;
    while (my ($key, $recno) = $idx->fetch) { print "$recno\n"; }
}
print "END\n";
)PERL";

struct TTagDump {
    uint32_t header = 0;
    std::set<int> records;
};

uint16_t Le16(const std::string& b, size_t at)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

TEST_F(MainFormTest, OpeningBuildsTheFortyThreeTagsThatOutsideReadersSee)
{
    // Records 1 and 4 reachable, 2 not reachable, 3 deleted.
    AlbumAnlegen("TEST.DBF", {{"erstes"}, {"zweites", false}, {"drittes", true, true}, {"viertes"}});
    ManagerAnlegen();
    StatusGesamt = 0;
    {
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
    EXPECT_EQ(StatusSchritte, 34);
    EXPECT_EQ(StatusGesamt, 4300);  // one finished step per tag
    ASSERT_TRUE(std::filesystem::exists(dir / "TEST.CDX"));
    ASSERT_EQ(form->BereichBilder().Tags().Count(), 43);
    for (int i = 0; i < 43; ++i)
        EXPECT_EQ(form->BereichBilder().Tags()[i].toUpper(), QString::fromLatin1(kAlbumTags[i].Name).toUpper());
    form.reset();  // the outside reader sees the closed files
    dbe_CloseAll();

    std::string args = File("TEST.CDX");
    for (const TAlbumTag& t : kAlbumTags) {
        args += ' ';
        args += QString::fromLatin1(t.Name).toUpper().toStdString();
    }
    const std::string out = RunScript("perl", "tags.pl", kTagDump, args);
    ASSERT_NE(out.find("END"), std::string::npos) << out;
    std::map<std::string, TTagDump> tags;
    std::istringstream in(out);
    std::string line;
    TTagDump* current = nullptr;
    while (std::getline(in, line)) {
        if (line.rfind("TAG ", 0) == 0) {
            std::istringstream w(line.substr(4));
            std::string name;
            w >> name;
            current = &tags[name];
            w >> current->header;
        } else if (current && line != "END") {
            current->records.insert(std::stoi(line));
        }
    }
    const std::string cdx = lxtest::ReadFile(dir / "TEST.CDX");
    uint32_t previous = 0;
    for (int i = 0; i < kAlbumTagAnzahl; ++i) {
        const std::string name = QString::fromLatin1(kAlbumTags[i].Name).toUpper().toStdString();
        ASSERT_TRUE(tags.count(name)) << name << "\n" << out;
        const TTagDump& d = tags.at(name);
        EXPECT_GT(d.header, previous) << name << " not in the order of creation";
        previous = d.header;
        const std::string header = cdx.substr(d.header, 1024);
        const std::string pool = header.substr(512);
        EXPECT_EQ(std::string(pool.c_str() + Le16(header, 508)), kAlbumTags[i].Schluessel) << name;
        EXPECT_EQ(std::string(pool.c_str() + Le16(header, 504)), kAlbumTags[i].Bedingung) << name;
        const bool nurImZugriff = i >= 21 && i < 42;
        const std::set<int> expected = nurImZugriff ? std::set<int>{1, 4} : std::set<int>{1, 2, 4};
        EXPECT_EQ(d.records, expected) << name;
    }
}

}  // namespace
