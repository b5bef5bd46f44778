// The DBF file layout (FoxPro form): the 32-byte table header, the 32-byte
// field descriptors and the record image. Pure functions on bytes, no I/O,
// so every check of a damaged header is testable on its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbf {

constexpr std::uint8_t kVersionNoMemo = 0x03;    // FoxBASE+/FoxPro table without memo
constexpr std::uint8_t kVersionFoxMemo = 0xF5;   // FoxPro table with FPT memo
constexpr std::uint8_t kCodePage1252 = 0x03;     // language driver mark: Windows ANSI 1252
constexpr std::uint8_t kFlagProductionCdx = 0x01;  // table flags: a structural .CDX exists
constexpr char kHeaderEnd = 0x0D;
constexpr char kFileEnd = 0x1A;
constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kDescriptorSize = 32;
constexpr std::size_t kMaxNameLength = 10;

struct FieldDef {
    std::string name;         // upper case as stored
    char type = 'C';
    std::uint32_t offset = 0; // 0-based in the record image (byte 0 = deletion flag)
    std::uint32_t width = 0;
    std::uint8_t decimals = 0;
    std::uint8_t flags = 0;   // descriptor byte 18, kept as read

    // M text, G general, P picture; B is a binary memo except the 8-byte
    // double of later FoxPro versions.
    bool IsMemo() const
    {
        return type == 'M' || type == 'G' || type == 'P' || (type == 'B' && width != 8);
    }
};

struct TableHeader {
    std::uint8_t version = kVersionNoMemo;
    int year = 0, month = 0, day = 0;  // date of last update (full year)
    std::uint32_t recordCount = 0;
    std::uint16_t headerLength = 0;
    std::uint16_t recordLength = 0;
    std::uint8_t tableFlags = 0;
    std::uint8_t codePage = kCodePage1252;
    bool encrypted = false;
    std::vector<FieldDef> fields;
};

// Parses the header and field descriptors from the first bytes of a file
// (`bytes` holds at least the header length, or the whole file if shorter).
// Gives nullopt and a German reason when the header is damaged: lengths out
// of range, descriptors past the header, fields beyond the record length.
std::optional<TableHeader> ParseHeader(std::string_view bytes, std::string& error);

// Bytes of the header (32 bytes + descriptors + 0x0D), header length as in
// `header` (computed when 0).
std::string BuildHeader(const TableHeader& header);

// The 32 fixed bytes only (for rewriting count and date in place).
std::string BuildFixedHeader(const TableHeader& header);

// Lays out `fields` (names, types, widths, decimals given): offsets, record
// length, header length, version byte (0xF5 with memo fields, 0x03 without).
TableHeader MakeHeader(std::vector<FieldDef> fields);

// Today's date into the header's date of last update.
void StampToday(TableHeader& header);

// Case-insensitive ASCII compare of a field name with a caller's name cut to
// 10 characters.
bool FieldNameEquals(std::string_view stored, std::string_view asked);
std::string UpperAscii(std::string_view text);

}  // namespace dbf
