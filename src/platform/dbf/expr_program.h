// Internal: the compiled form of an expression. A flat list of instructions
// for a stack machine; jumps implement .AND., .OR. and IIF() without
// evaluating the branch that is not taken.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dbf/expr_types.h"

namespace dbfexpr {

enum class ExprOp : std::uint8_t {
    Const,  // push constant a
    // Field loads, FieldChar to FieldMemo in one run (IsSingleField relies on it).
    FieldChar,
    FieldNum,
    FieldDate,
    FieldLogical,
    FieldInt,       // 4-byte little-endian integer
    FieldDouble,    // 8-byte little-endian double
    FieldCurrency,  // 8-byte integer, 4 implied decimals
    FieldDateTime,  // 4-byte Julian day, 4-byte milliseconds
    FieldMemo,
    Deleted,
    RecNo,
    Today,
    Not,
    Neg,
    JumpFalseKeep,  // top false: jump to a, keep it; else drop it
    JumpTrueKeep,   // top true: jump to a, keep it; else drop it
    JumpFalsePop,   // drop top; jump to a when it was false
    Jump,
    AddNum,
    SubNum,
    MulNum,
    DivNum,
    ModNum,
    PowNum,
    AddDateNum,
    AddNumDate,
    SubDateNum,
    SubDateDate,
    Concat,
    ConcatTrim,  // "-" on texts
    CmpNum,      // sub: ExprRel; also dates
    CmpStr,
    CmpLogical,
    Contains,
    Call,  // sub: ExprFn, argc arguments on the stack
};

enum class ExprRel : std::uint8_t { Eq, ExactEq, Ne, Lt, Le, Gt, Ge };

enum class ExprFn : std::uint8_t {
    Upper, Lower, Left, Right, Substr, Trim, LTrim, AllTrim, Len, At, Space, Replicate,
    PadL, PadR, Chr, Asc, Str, Val, Dtos, Dtoc, Ctod, Year, Month, Day,
    Int, Abs, Round, Mod,
    EmptyChar, EmptyNum, EmptyLogical,
    MinNum, MaxNum, MinChar, MaxChar,
    BetweenNum, BetweenChar, BetweenLogical,
};

struct ExprInstr {
    ExprOp op;
    std::uint8_t sub = 0;
    std::uint8_t argc = 0;
    std::int32_t a = 0;         // constant, field or jump target
    std::uint32_t position = 0; // 1-based position in the text, for run-time errors
};

// One stack slot; the static type of each slot is known from the code.
struct ExprSlot {
    double d = 0;            // numeric, date (Julian day), logical (0/1)
    const char* p = nullptr; // character
    std::size_t n = 0;
};

struct ExprProgram {
    std::string text;
    ExprType type = ExprType::Logical;
    std::size_t width = 0;  // fixed character width, 0 = not fixed
    bool widthFixed = false;
    std::size_t recordSizeNeeded = 1;
    std::vector<ExprInstr> code;
    std::vector<ExprField> fields;     // fields used, by index a
    std::vector<double> constNumbers;  // constant a: number
    std::vector<std::string> constTexts;  // constant a: text
    std::vector<std::string> scratch;     // per instruction: its text result
    std::vector<ExprSlot> stack;          // sized to the maximal depth
};

}  // namespace dbfexpr
