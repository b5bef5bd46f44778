// xBase expressions over DBF records: index keys, FOR conditions and the
// engine's query filters.
//
// Grammar (keywords, field and function names ignore case):
//
//   expr     := or
//   or       := and { ".OR." and }
//   and      := not { ".AND." not }
//   not      := ( ".NOT." | "!" ) not | relation
//   relation := sum [ relop sum ]        relop: = == <> # != < > <= >= $
//   sum      := product { ( "+" | "-" ) product }
//   product  := unary { ( "*" | "/" | "%" ) unary }
//   unary    := ( "+" | "-" ) unary | power
//   power    := primary [ ( "^" | "**" ) unary ]
//   primary  := number | string | date | logical | "(" expr ")"
//             | name "(" [ expr { "," expr } ] ")"      function call
//             | [ alias "->" ] name                       field (alias ignored)
//   string   := "..." | '...' | [...]
//   date     := "{" dd.mm.yyyy "}" (in the compile-time date format)
//             | "{^" yyyy-mm-dd "}" | "{}" (empty date)
//   logical  := .T. | .F. | .Y. | .N.
//
// Function names may be shortened to four letters (SUBS, ALLT, REPL). A
// field name longer than ten letters finds the field of its first ten, as
// DBF files keep field names cut to ten ("LabelKennung" is LABELKENNU).
//
// Types are character (bytes), numeric (double), date (Julian day number,
// 0 = empty) and logical; they are checked when the expression is compiled,
// so the result type is known before any record is read. Character "="
// follows SET EXACT: off, the left text must begin with the right one; on,
// both are compared with trailing blanks ignored. "==" compares exactly.
// "a - b" on texts moves the trailing blanks of a to the end of the result.
//
// Functions: DELETED RECNO DATE IIF EMPTY BETWEEN MIN MAX
//   character: UPPER LOWER LEFT RIGHT SUBSTR TRIM RTRIM LTRIM ALLTRIM LEN AT
//              SPACE REPLICATE PADL PADR CHR ASC STR VAL
//   dates:     DTOS DTOC CTOD YEAR MONTH DAY
//   numbers:   INT ABS ROUND MOD
//
// A compiled expression keeps its own scratch space and value stack, so an
// evaluation allocates nothing for the common cases. It is not thread-safe:
// one evaluation at a time per Expression object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dbf/expr_types.h"

namespace dbfexpr {

struct ExprProgram;
struct ExprCondition;

class Expression {
public:
    ~Expression();
    Expression(const Expression&) = delete;
    Expression& operator=(const Expression&) = delete;

    // Compiles `text` against the table's fields. Gives nullptr and fills
    // `error` (position and reason) when the text is not a valid expression.
    static std::unique_ptr<Expression> Compile(std::string_view text,
                                               std::span<const ExprField> fields,
                                               ExprError& error,
                                               const ExprCompileOptions& options = {});

    // The same, with the frame of the condition as an index can answer it
    // (see ExprConditionOf) taken from the same parse.
    static std::unique_ptr<Expression> CompileCondition(std::string_view text,
                                                        std::span<const ExprField> fields,
                                                        ExprError& error, const ExprCompileOptions& options,
                                                        ExprCondition& condition);

    const std::string& Text() const;
    ExprType Type() const;

    // Width of a character result as far as it is fixed by the expression
    // (field widths, LEFT(x, 160), STR(x, 10), ...); 0 when not fixed.
    std::size_t Width() const;

    // Bytes of record buffer the expression reads (deletion flag included).
    std::size_t RecordSizeNeeded() const;

    // The fields the expression reads, in the order of their first use
    // (the key field of an index tag is the first of them).
    const std::vector<ExprField>& FieldsUsed() const;

    // True when the whole expression is one field (an alias prefix aside).
    bool IsSingleField() const;

    // Evaluates over a record buffer (deletion flag byte, then the fields).
    // False with `error` filled on a run-time error (short record buffer,
    // unreadable memo, division by zero, too long a result).
    bool Evaluate(const std::uint8_t* record, std::size_t recordSize, const ExprContext& context,
                  ExprValue& result, ExprError* error = nullptr);

    // A logical expression's result; false with `error` for another type.
    bool EvaluateLogical(const std::uint8_t* record, std::size_t recordSize,
                         const ExprContext& context, bool& result, ExprError* error = nullptr);

    // The result as text: character as it is, numeric as STR() gives it
    // (10 wide, no decimals), date "yyyymmdd" (blanks when empty), logical
    // ".T." / ".F.".
    bool EvaluateText(const std::uint8_t* record, std::size_t recordSize,
                      const ExprContext& context, std::string& text, ExprError* error = nullptr);

    // Index key support. KeyLength: the fixed key width (character: the
    // expression's width, at most kMaxKeyLength; numeric and date: 8;
    // logical: 1); 0 with `error` when the expression cannot be a key.
    static constexpr std::size_t kMaxKeyLength = 240;
    std::size_t KeyLength(ExprError* error = nullptr) const;

    // The key bytes of the record: character padded with blanks (or cut) to
    // KeyLength, numeric and date in the sortable 8-byte form of expr_key.h,
    // logical "T" or "F".
    bool MakeKey(const std::uint8_t* record, std::size_t recordSize, const ExprContext& context,
                 std::string& key, ExprError* error = nullptr);

    // The compiled form (for the query optimiser's comparisons).
    const ExprProgram& Program() const { return *program_; }

private:
    explicit Expression(std::unique_ptr<ExprProgram> program);
    std::unique_ptr<ExprProgram> program_;
};

// The character comparison of the relational operators: <0, 0, >0. Without
// `exact` only as many characters as `b` has are compared; blanks pad the
// shorter text.
int ExprCompareText(std::string_view a, std::string_view b, bool exact);
// Whether a comparison result (<0, 0, >0) satisfies the relation.
enum class ExprRel : std::uint8_t;  // expr_program.h
bool ExprRelate(int comparison, ExprRel relation);

// "Fehler an Position 12: ')' erwartet" (without position when it is 0).
std::string ExprErrorText(const ExprError& error);

// The key bytes of a value, as MakeKey builds them; `keyLength` applies to
// character values only.
void ExprKeyFromValue(const ExprValue& value, std::size_t keyLength, std::string& key);

}  // namespace dbfexpr
