// Shared types of the xBase expression module: the field list an expression
// is compiled against, the evaluation context, result values and errors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace dbfexpr {

// Result type of an expression. The first three values are the answers of
// the engine's expression type test (1 character, 2 numeric, 3 logical).
enum class ExprType : std::uint8_t {
    Character = 1,
    Numeric = 2,
    Logical = 3,
    Date = 4,
};

// Date formats in the engine's order of codes (0 = American ... 6 = Spanish).
enum class ExprDateFormat : std::uint8_t {
    American = 0,  // mm/dd/yy
    Ansi = 1,      // yy.mm.dd
    British = 2,   // dd/mm/yy
    French = 3,    // dd/mm/yy
    German = 4,    // dd.mm.yy
    Italian = 5,   // dd-mm-yy
    Spanish = 6,   // dd-mm-yy
};

// One field of the table as the expression sees it. Offset is the 0-based
// position in the record buffer (byte 0 is the deletion flag, so the first
// field starts at offset 1).
struct ExprField {
    std::string name;          // upper or mixed case; matched ignoring case
    char type = 'C';           // C N F D L M I B Y T G
    std::uint32_t offset = 0;  // 0-based, in the record buffer
    std::uint32_t width = 0;
    std::uint8_t decimals = 0;
};

// Reads the text of a memo field of the current record. `fieldBytes` are the
// field's bytes in the record buffer (the block reference). Returns false when
// the memo cannot be read; `out` is reused between calls.
using ExprMemoReader =
    std::function<bool(const ExprField& field, std::string_view fieldBytes, std::string& out)>;

// Gives today's date as a Julian day number. Tests install a fixed clock.
using ExprClock = std::function<std::int32_t()>;

// Settings that take effect when an expression is compiled: the form of
// {..} date literals and the fixed width of DTOC() for key lengths.
struct ExprCompileOptions {
    ExprDateFormat dateFormat = ExprDateFormat::German;
    bool century = true;
};

// Everything an evaluation needs beside the record buffer.
struct ExprContext {
    std::uint32_t recNo = 0;  // RECNO()
    bool exact = false;       // SET EXACT for "=" on character values
    ExprDateFormat dateFormat = ExprDateFormat::German;
    bool century = true;
    ExprClock clock;            // DATE(); the system date when unset
    ExprMemoReader memoReader;  // memo fields; they read as empty when unset
};

// Value of an evaluation. Character text points into the record buffer, the
// expression or its scratch space: valid until the next evaluation of the
// same expression or a change of the record buffer.
struct ExprValue {
    ExprType type = ExprType::Logical;
    double number = 0;  // Numeric; Date: Julian day number, 0 = empty date
    bool logical = false;
    std::string_view text;
};

// Why an expression was refused or an evaluation failed. Position is the
// 1-based character position in the expression text (0 = not tied to one).
struct ExprError {
    std::size_t position = 0;
    std::string message;
};

}  // namespace dbfexpr
