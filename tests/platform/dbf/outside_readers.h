// Reads albums the way other programs do: python3-dbfread for the records
// and memos, Perl's XBase::Index for the CDX tags. A missing reader fails
// the test (scripts/setup installs both), it never skips it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "test_environment.h"

namespace outside {

// Output (stdout) of a shell command; its exit status in `status`.
inline std::string Run(const std::string& command, int& status)
{
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) {
        status = -1;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    status = ::pclose(p);
    return out;
}

// Runs `script` (written to a file) with `interpreter` and `args`.
inline std::string RunScript(const char* interpreter, const std::string& name, const std::string& script,
                             const std::string& args, int& status)
{
    const auto file = lxtest::TestRoot() / name;
    lxtest::WriteFile(file, script);
    return Run(std::string(interpreter) + " " + file.string() + " " + args + " 2>&1", status);
}

// One record as dbfread reads it: deletion flag and fields as hex of the
// stored bytes (character fields without trailing blanks, numbers as text,
// memos as their bytes; "-" for an empty number).
struct Record {
    bool deleted = false;
    std::vector<std::string> fields;
    bool operator==(const Record&) const = default;
};
using Table = std::vector<Record>;  // in record number order

// For every table path: its records in order. A table dbfread cannot read
// is missing from the result (its error is in `failures`).
inline std::map<std::string, Table> ReadTables(const std::vector<std::string>& paths, std::string& failures)
{
    static const char* script = R"PY(
import sys, dbfread
def text(v):
    if v is None: return '-'
    if isinstance(v, bytes): return v.hex()
    if isinstance(v, str): return v.encode('cp1252').hex()
    if isinstance(v, float) and v == int(v): v = int(v)
    return str(v)
for path in sys.argv[1:]:
    try:
        t = dbfread.DBF(path, encoding='cp1252', char_decode_errors='strict')
        raw = open(path, 'rb').read()
        hl = int.from_bytes(raw[8:10], 'little'); rl = int.from_bytes(raw[10:12], 'little')
        live, dead = iter(t.records), iter(t.deleted)
        lines = []
        for i in range(int.from_bytes(raw[4:8], 'little')):
            gone = raw[hl + i * rl:hl + i * rl + 1] == b'*'
            rec = next(dead) if gone else next(live)
            lines.append(('*' if gone else ' ') + '|' + '|'.join(text(v) for v in rec.values()))
        print('TABLE ' + path)
        for l in lines: print(l)
    except Exception as e:
        print('FAILED ' + path + ': ' + repr(e))
)PY";
    std::string args;
    for (const std::string& p : paths) args += " '" + p + "'";
    int status = 0;
    const std::string out = RunScript("/usr/bin/python3", "read_tables.py", script, args, status);
    std::map<std::string, Table> tables;
    std::istringstream in(out);
    std::string line;
    Table* current = nullptr;
    while (std::getline(in, line)) {
        if (line.rfind("TABLE ", 0) == 0) {
            current = &tables[line.substr(6)];
        } else if (current && line.size() >= 2 && line[1] == '|') {
            Record r;
            r.deleted = line[0] == '*';
            std::istringstream fields(line.substr(2) + "|");
            for (std::string f; std::getline(fields, f, '|');) r.fields.push_back(f);
            current->push_back(r);
        } else {
            failures += line + "\n";
            current = nullptr;
        }
    }
    if (status != 0) failures += "python3 with dbfread ended with status " + std::to_string(status) + "\n";
    return tables;
}

// For every index file: for each tag "NAME:TYPE" (C or N) the lines
// "key|recno" in index order, character keys in hex without trailing
// blanks, numbers as %.3f.
using Tags = std::map<std::string, std::vector<std::string>>;
inline std::map<std::string, Tags> ReadTags(const std::vector<std::string>& paths,
                                             const std::vector<std::string>& tags, std::string& failures)
{
    static const char* script = R"PERL(
use strict;
use XBase::Index;
my @tags = split /,/, shift;
for my $file (@ARGV) {
    print "FILE $file\n";
    for my $spec (@tags) {
        my ($tag, $type) = split /:/, $spec;
        my $idx = XBase::Index->new($file, tag => $tag, type => $type);
        if (!$idx) { print "FAILED $file $tag: " . XBase::Index->errstr . "\n"; next; }
        print "TAG $tag\n";
        $idx->prepare_select;
        while (my ($key, $recno) = $idx->fetch) {
            if ($type eq 'N') { printf "%.3f|%d\n", $key, $recno; }
            else { $key =~ s/[ \0]+$//; print unpack('H*', $key), "|$recno\n"; }
        }
    }
}
)PERL";
    std::string list;
    for (const std::string& t : tags) list += (list.empty() ? "" : ",") + t;
    std::string args = list;
    for (const std::string& p : paths) args += " '" + p + "'";
    int status = 0;
    const std::string out = RunScript("perl", "read_tags.pl", script, args, status);
    std::map<std::string, Tags> files;
    std::istringstream in(out);
    std::string line;
    Tags* file = nullptr;
    std::vector<std::string>* tag = nullptr;
    while (std::getline(in, line)) {
        if (line.rfind("FILE ", 0) == 0) {
            file = &files[line.substr(5)];
            tag = nullptr;
        } else if (file && line.rfind("TAG ", 0) == 0) {
            tag = &(*file)[line.substr(4)];
        } else if (tag && line.find('|') != std::string::npos) {
            tag->push_back(line);
        } else {
            failures += line + "\n";
        }
    }
    if (status != 0) failures += "perl with XBase::Index ended with status " + std::to_string(status) + "\n";
    return files;
}

inline std::string Hex(const std::string& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// The lines a character tag on field `field` (no FOR condition, ascending)
// holds for `table`: every record, by key bytes then record number.
inline std::vector<std::string> ExpectedTextTag(const Table& table, std::size_t field, std::size_t width)
{
    std::vector<std::pair<std::string, std::size_t>> keys;
    for (std::size_t i = 0; i < table.size(); ++i) {
        std::string key = table[i].fields[field];  // hex, padded with blanks as the key is
        while (key.size() < 2 * width) key += "20";
        keys.push_back({key, i + 1});
    }
    std::sort(keys.begin(), keys.end());
    std::vector<std::string> lines;
    for (const auto& [key, recno] : keys) {
        std::string trimmed = key;
        while (trimmed.size() >= 2 && trimmed.compare(trimmed.size() - 2, 2, "20") == 0) trimmed.resize(trimmed.size() - 2);
        lines.push_back(trimmed + "|" + std::to_string(recno));
    }
    return lines;
}

// The same for a tag with the condition ".NOT. DELETED()": live records only.
inline std::vector<std::string> ExpectedLiveTextTag(const Table& table, std::size_t field, std::size_t width)
{
    std::vector<std::string> lines;
    for (const std::string& line : ExpectedTextTag(table, field, width)) {
        const std::size_t recno = std::stoul(line.substr(line.find('|') + 1));
        if (!table[recno - 1].deleted) lines.push_back(line);
    }
    return lines;
}

// The same for a numeric tag (an empty number counts as 0).
inline std::vector<std::string> ExpectedNumberTag(const Table& table, std::size_t field)
{
    std::vector<std::pair<double, std::size_t>> keys;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::string& v = table[i].fields[field];
        keys.push_back({v == "-" ? 0.0 : std::stod(v), i + 1});
    }
    std::sort(keys.begin(), keys.end());
    std::vector<std::string> lines;
    for (const auto& [value, recno] : keys) {
        char line[64];
        std::snprintf(line, sizeof line, "%.3f|%zu", value, recno);
        lines.push_back(line);
    }
    return lines;
}

}  // namespace outside
