// Our CDX files read by an independent reader: Perl's XBase::Index (Debian
// package libdbd-xbase-perl) lists each tag's keys and record numbers, and
// the header bytes are checked here against the documented layout.

#include "platform/dbf/cdx_file.h"
#include "platform/dbf/expr_key.h"
#include "outside_readers.h"
#include "test_environment.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <sstream>

using namespace dbfcdx;

namespace {

// Numeric keys in the form the expression layer makes them.
std::string NumberKey(double value)
{
    std::uint8_t bytes[dbfexpr::kNumericKeyLength];
    dbfexpr::ExprNumericKey(value, bytes);
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

std::string Hex(std::string_view bytes) { return outside::Hex(std::string(bytes)); }

std::string TrimBlanks(std::string key)
{
    while (!key.empty() && key.back() == ' ')
        key.pop_back();
    return key;
}

std::string RunPerl(const std::string& script, const std::string& args)
{
    lxtest::WriteFile(lxtest::TestRoot() / "cdx_dump.pl", script);
    const std::string command = "perl " + (lxtest::TestRoot() / "cdx_dump.pl").string() + " " + args + " 2>&1";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, n);
        ::pclose(pipe);
    }
    return output;
}

// For each tag given as NAME:TYPE: "TAG name header-offset", then one line
// "key|recno" per key in index order (character keys in hex, numbers as %.3f).
const char* kDumpScript = R"PERL(
use strict;
use XBase::Index;
my $file = shift;
for my $spec (@ARGV) {
    my ($tag, $type) = split /:/, $spec;
    my $idx = XBase::Index->new($file, tag => $tag, type => $type)
        or die "cannot open $tag: " . XBase::Index->errstr;
    print "TAG $tag $idx->{'adjusted_offset'}\n";
    $idx->prepare_select;
    while (my ($key, $recno) = $idx->fetch) {
        if ($type eq 'N') { printf "%.3f|%d\n", $key, $recno; }
        else { print unpack('H*', $key), "|$recno\n"; }
    }
}
print "END\n";
)PERL";

struct Dumped {
    std::uint32_t header = 0;
    std::vector<std::string> lines;
};

std::map<std::string, Dumped> ParseDump(const std::string& output)
{
    std::map<std::string, Dumped> tags;
    std::istringstream in(output);
    std::string line;
    Dumped* current = nullptr;
    while (std::getline(in, line)) {
        if (line.rfind("TAG ", 0) == 0) {
            std::istringstream words(line.substr(4));
            std::string name;
            words >> name;
            current = &tags[name];
            words >> current->header;
        } else if (current && line != "END") {
            current->lines.push_back(line);
        }
    }
    return tags;
}

std::uint16_t Le16(const std::string& b, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

}  // namespace

TEST(CdxOutside, PerlXBaseReadsOurTagsKeysAndRecordNumbers)
{
    lxtest::TempDir dir;
    const std::string path = (dir / "ALBUM.CDX").string();
    std::map<std::string, std::set<std::pair<std::string, std::uint32_t>>> model;
    std::set<std::pair<double, std::uint32_t>> numbers;
    {
        auto file = CdxFile::Create(path);
        // Many keys (several levels), shared prefixes, duplicates, blanks.
        CdxTagSpec pfad;
        pfad.name = "Pfad";
        pfad.keyExpression = "Upper(Left(Pfad,160))";
        pfad.forExpression = ".not. deleted()";
        pfad.keyLength = 60;
        CdxKeySet keys(60);
        std::mt19937 rng(5);
        for (std::uint32_t i = 1; i <= 20000; ++i) {
            std::string key = "C:\\BILDER\\ORDNER" + std::to_string(rng() % 40) + "\\BILD" + std::to_string(rng() % 3000) + ".JPG";
            if (i % 50 == 0)
                key.clear();
            keys.Add(key, i);
            key.resize(60, ' ');
            model["PFAD"].insert({key, i});
        }
        file->AddTag(pfad, keys);

        CdxTagSpec label;
        label.name = "Label";
        label.keyExpression = "Lower(Label)";
        label.unique = true;
        label.keyLength = 30;
        CdxKeySet labels(30);
        for (std::uint32_t i = 1; i <= 500; ++i)
            labels.Add("cd" + std::to_string(i % 120), i);
        CdxTag& labelTag = file->AddTag(label, labels);
        for (std::uint32_t i = 1; i <= 500; ++i)
            if (i <= 120) {
                std::string key = "cd" + std::to_string(i % 120);
                key.resize(30, ' ');
                model["LABEL"].insert({key, i});
            }

        CdxTagSpec bytes;
        bytes.name = "Bytes";
        bytes.keyExpression = "Bytes";
        bytes.keyLength = 8;
        bytes.keyType = CdxKeyType::Numeric;
        CdxKeySet numberKeys(8, '\0');
        for (std::uint32_t i = 1; i <= 3000; ++i) {
            const double value = (static_cast<int>(i % 301) - 150) * 1024.5;
            numberKeys.Add(NumberKey(value), i);
            numbers.insert({value, i});
        }
        file->AddTag(bytes, numberKeys);

        // Pages changed after the build (splits, removals) must read as well.
        CdxTag& tag = *file->FindTag("PFAD");
        for (std::uint32_t i = 0; i < 3000; ++i) {
            std::string key = "D:\\NEU\\" + std::to_string(rng() % 100000);
            const std::uint32_t recno = 20001 + i;
            ASSERT_TRUE(tag.Insert(key, recno));
            key.resize(60, ' ');
            model["PFAD"].insert({key, recno});
        }
        for (std::uint32_t i = 1; i <= 20000; i += 3) {
            auto it = std::find_if(model["PFAD"].begin(), model["PFAD"].end(),
                                   [&](const auto& e) { return e.second == i; });
            ASSERT_TRUE(tag.Delete(it->first, i));
            model["PFAD"].erase(it);
        }
        ASSERT_TRUE(labelTag.Delete("cd5", 5));
        model["LABEL"].erase({std::string("cd5").append(27, ' '), 5});
        file->Close();
    }

    const std::string output = RunPerl(kDumpScript, path + " PFAD:C LABEL:C BYTES:N");
    ASSERT_NE(output.find("END"), std::string::npos) << output.substr(0, 500);
    const auto dumped = ParseDump(output);
    ASSERT_EQ(dumped.size(), 3u);

    for (const std::string name : {"PFAD", "LABEL"}) {
        SCOPED_TRACE(name);
        std::vector<std::string> expected;
        for (const auto& [key, recno] : model[name])
            expected.push_back(Hex(TrimBlanks(key)) + "|" + std::to_string(recno));
        EXPECT_EQ(dumped.at(name).lines, expected);
    }
    std::vector<std::string> expectedNumbers;
    for (const auto& [value, recno] : numbers) {
        char line[64];
        std::snprintf(line, sizeof line, "%.3f|%u", value, recno);
        expectedNumbers.push_back(line);
    }
    EXPECT_EQ(dumped.at("BYTES").lines, expectedNumbers);

    // Header bytes, read straight from the file.
    const std::string file = lxtest::ReadFile(path);
    EXPECT_EQ(static_cast<unsigned char>(file[14]) & 0x60, 0x60);  // compact, compound
    EXPECT_EQ(Le16(file, 12), 10);                                  // tag names: 10 bytes
    struct HeaderCase {
        std::string name;
        int keyLength;
        int options;
        std::string key;
        std::string forExpression;
    };
    const std::vector<HeaderCase> headers = {{"PFAD", 60, 0x28, "Upper(Left(Pfad,160))", ".not. deleted()"},
                                             {"LABEL", 30, 0x21, "Lower(Label)", ""},
                                             {"BYTES", 8, 0x20, "Bytes", ""}};
    std::uint32_t previous = 0;
    for (const auto& h : headers) {
        SCOPED_TRACE(h.name);
        const std::uint32_t at = dumped.at(h.name).header;
        ASSERT_EQ(at % 512, 0u);
        EXPECT_GT(at, previous);  // headers lie in the order of creation
        previous = at;
        const std::string header = file.substr(at, 1024);
        EXPECT_EQ(Le16(header, 12), h.keyLength);
        EXPECT_EQ(static_cast<unsigned char>(header[14]), h.options);
        EXPECT_EQ(Le16(header, 502), 0);  // ascending
        const std::string pool = header.substr(512);
        EXPECT_EQ(std::string(pool.c_str() + Le16(header, 508)), h.key);
        EXPECT_EQ(Le16(header, 510), h.key.size() + 1);
        EXPECT_EQ(std::string(pool.c_str() + Le16(header, 504)), h.forExpression);
        EXPECT_EQ(Le16(header, 506), h.forExpression.size() + 1);
    }
}

// A key that continues where the key before it ends in blanks: the shared
// bytes never reach into those blanks, so a reader that restores trailing
// bytes as zeros (as XBase::Index does) reads the same keys as we do.
TEST(CdxOutside, SharedBytesStopAtThePreviousKeysBlanks)
{
    lxtest::TempDir dir;
    const std::string path = (dir / "SHORT.CDX").string();
    const std::vector<std::string> built = {"A", "A B", "A  C", "AB", "AB D", "B", "B         "};
    const std::vector<std::string> inserted = {"A A", "A   E", "AB  X"};
    std::set<std::pair<std::string, std::uint32_t>> model;
    {
        auto file = CdxFile::Create(path);
        CdxTagSpec spec;
        spec.name = "Kurz";
        spec.keyExpression = "Kurz";
        spec.keyLength = 10;
        CdxKeySet keys(10);
        std::uint32_t recno = 0;
        for (const std::string& key : built) {
            keys.Add(key, ++recno);
            model.insert({TrimBlanks(key), recno});
        }
        CdxTag& tag = file->AddTag(spec, keys);
        for (const std::string& key : inserted) {
            ASSERT_TRUE(tag.Insert(key, ++recno));
            model.insert({TrimBlanks(key), recno});
        }
        file->Close();
    }
    const std::string output = RunPerl(kDumpScript, path + " KURZ:C");
    ASSERT_NE(output.find("END"), std::string::npos) << output.substr(0, 500);
    std::vector<std::string> expected;
    for (const auto& [key, recno] : model)
        expected.push_back(Hex(key) + "|" + std::to_string(recno));
    EXPECT_EQ(ParseDump(output).at("KURZ").lines, expected);
}
