#include "platform/dbf/dbf_format.h"

#include <cstring>
#include <ctime>

namespace dbf {

namespace {

std::uint16_t Le16(const unsigned char* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
void PutLe16(char* p, std::uint32_t v)
{
    p[0] = char(v & 0xFF);
    p[1] = char((v >> 8) & 0xFF);
}
void PutLe32(char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = char((v >> (8 * i)) & 0xFF);
}

}  // namespace

std::string UpperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return out;
}

bool FieldNameEquals(std::string_view stored, std::string_view asked)
{
    if (asked.size() > kMaxNameLength) asked = asked.substr(0, kMaxNameLength);
    // Callers may pass names with trailing blanks.
    while (!asked.empty() && asked.back() == ' ') asked.remove_suffix(1);
    if (stored.size() != asked.size()) return false;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        char a = stored[i], b = asked[i];
        if (a >= 'a' && a <= 'z') a = char(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = char(b - 'a' + 'A');
        if (a != b) return false;
    }
    return true;
}

std::optional<TableHeader> ParseHeader(std::string_view bytes, std::string& error)
{
    if (bytes.size() < kHeaderSize + 1) {
        error = "Tabellenkopf unvollständig (Datei zu kurz)";
        return std::nullopt;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    TableHeader h;
    h.version = p[0];
    h.year = 1900 + p[1];
    h.month = p[2];
    h.day = p[3];
    h.recordCount = Le32(p + 4);
    h.headerLength = Le16(p + 8);
    h.recordLength = Le16(p + 10);
    h.encrypted = p[15] != 0;
    h.tableFlags = p[28];
    h.codePage = p[29];
    if (h.headerLength < kHeaderSize + kDescriptorSize + 1) {
        error = "Tabellenkopf beschädigt: Kopflänge " + std::to_string(h.headerLength) + " zu klein";
        return std::nullopt;
    }
    if (h.headerLength > bytes.size()) {
        error = "Tabellenkopf beschädigt: Kopflänge " + std::to_string(h.headerLength) +
                " größer als die Datei";
        return std::nullopt;
    }
    if (h.recordLength < 2) {
        error = "Tabellenkopf beschädigt: Satzlänge " + std::to_string(h.recordLength);
        return std::nullopt;
    }
    std::uint32_t offset = 1;
    std::size_t pos = kHeaderSize;
    for (;;) {
        if (pos >= h.headerLength) {
            error = "Tabellenkopf beschädigt: Feldbeschreibungen ohne Abschluss";
            return std::nullopt;
        }
        if (p[pos] == static_cast<unsigned char>(kHeaderEnd)) break;
        if (pos + kDescriptorSize > h.headerLength) {
            error = "Tabellenkopf beschädigt: Feldbeschreibung reicht über den Kopf hinaus";
            return std::nullopt;
        }
        const unsigned char* d = p + pos;
        FieldDef f;
        std::size_t n = 0;
        while (n < 11 && d[n] != 0) ++n;
        f.name.assign(reinterpret_cast<const char*>(d), n);
        while (!f.name.empty() && f.name.back() == ' ') f.name.pop_back();
        f.name = UpperAscii(f.name);
        f.type = char(d[11]);
        if (f.type >= 'a' && f.type <= 'z') f.type = char(f.type - 'a' + 'A');
        f.width = d[16];
        f.decimals = d[17];
        f.flags = d[18];
        if (f.name.empty() || f.width == 0) {
            error = "Tabellenkopf beschädigt: Feld " + std::to_string(h.fields.size() + 1) +
                    " ohne Namen oder Breite";
            return std::nullopt;
        }
        f.offset = offset;
        offset += f.width;
        if (offset > h.recordLength) {
            error = "Tabellenkopf beschädigt: Felder länger als die Satzlänge " +
                    std::to_string(h.recordLength);
            return std::nullopt;
        }
        h.fields.push_back(std::move(f));
        pos += kDescriptorSize;
    }
    if (h.fields.empty()) {
        error = "Tabellenkopf beschädigt: keine Felder";
        return std::nullopt;
    }
    return h;
}

std::string BuildFixedHeader(const TableHeader& h)
{
    std::string out(kHeaderSize, '\0');
    out[0] = char(h.version);
    out[1] = char(h.year >= 1900 ? (h.year - 1900) & 0xFF : 0);
    out[2] = char(h.month);
    out[3] = char(h.day);
    PutLe32(&out[4], h.recordCount);
    PutLe16(&out[8], h.headerLength);
    PutLe16(&out[10], h.recordLength);
    out[28] = char(h.tableFlags);
    out[29] = char(h.codePage);
    return out;
}

std::string BuildHeader(const TableHeader& h)
{
    std::string out = BuildFixedHeader(h);
    for (const FieldDef& f : h.fields) {
        char d[kDescriptorSize] = {};
        std::memcpy(d, f.name.data(), std::min<std::size_t>(f.name.size(), kMaxNameLength));
        d[11] = f.type;
        PutLe32(d + 12, f.offset);
        d[16] = char(f.width);
        d[17] = char(f.decimals);
        d[18] = char(f.flags);
        out.append(d, kDescriptorSize);
    }
    out.push_back(kHeaderEnd);
    if (out.size() < h.headerLength) out.resize(h.headerLength, '\0');
    return out;
}

TableHeader MakeHeader(std::vector<FieldDef> fields)
{
    TableHeader h;
    std::uint32_t offset = 1;
    bool memo = false;
    for (FieldDef& f : fields) {
        f.offset = offset;
        offset += f.width;
        memo = memo || f.IsMemo();
    }
    h.fields = std::move(fields);
    h.version = memo ? kVersionFoxMemo : kVersionNoMemo;
    h.recordLength = std::uint16_t(offset);
    h.headerLength = std::uint16_t(kHeaderSize + kDescriptorSize * h.fields.size() + 1);
    h.codePage = kCodePage1252;
    StampToday(h);
    return h;
}

void StampToday(TableHeader& h)
{
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    h.year = tm.tm_year + 1900;
    h.month = tm.tm_mon + 1;
    h.day = tm.tm_mday;
}

}  // namespace dbf
