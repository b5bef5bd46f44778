// Internal: compiles expression text into an ExprProgram (see the grammar in
// expr_expression.h). Parses into a small tree, then checks the types and
// emits the instructions in one walk over it.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dbf/expr_program.h"
#include "platform/dbf/expr_types.h"

namespace dbfexpr {

std::unique_ptr<ExprProgram> ExprCompile(std::string_view text, std::span<const ExprField> fields,
                                         const ExprCompileOptions& options, ExprError& error);

// The logical frame of a condition as an index can answer it: .AND., .OR.
// and .NOT. over parts. A part that compares an expression (the subject)
// with a constant, on the right of the operator or as a BETWEEN() with two
// constants (an .AND. of two comparisons), is a Compare part carrying the
// subject's own program; a lone logical subject compares equal to .T.
// Every other part is Other.
struct ExprCondition {
    enum class Kind { And, Or, Not, Compare, Other };
    Kind kind = Kind::Other;
    std::vector<ExprCondition> parts;      // And, Or: two; Not: one
    std::unique_ptr<ExprProgram> subject;  // Compare
    ExprRel relation = ExprRel::Eq;
    ExprType constantType = ExprType::Logical;
    double number = 0;  // numeric, date (Julian day), logical (0/1)
    std::string text;   // character
};

// The frame of `text`, which must compile (false with `error` otherwise).
bool ExprConditionOf(std::string_view text, std::span<const ExprField> fields,
                     const ExprCompileOptions& options, ExprCondition& condition, ExprError& error);

// The program of `text` and its frame from one parse (null with `error`
// when the text does not compile; `condition` is then left as it was).
std::unique_ptr<ExprProgram> ExprCompileCondition(std::string_view text, std::span<const ExprField> fields,
                                                  const ExprCompileOptions& options, ExprCondition& condition,
                                                  ExprError& error);

// Whether two programs compute the same value from every record: the same
// instructions over the same field bytes and constants.
bool ExprSameComputation(const ExprProgram& a, const ExprProgram& b);

// Whether `key` is UPPER() or LOWER() of what `subject` computes; `upper`
// tells which.
bool ExprCaseFoldOf(const ExprProgram& key, const ExprProgram& subject, bool& upper);

// Whether `outer` is DTOS() of `inner` and `inner` loads one date field
// (so both take every value in the same order: the empty date first as
// blanks, then the days as "yyyymmdd").
bool ExprDtosOfDateField(const ExprProgram& outer, const ExprProgram& inner);

// Whether a program never fails at run time and reads nothing but fixed
// field bytes: loads, concatenation, case changes, cuts, date and number
// conversions. (No memo, division, RECNO(), DELETED() or DATE().)
bool ExprCannotFail(const ExprProgram& program);

}  // namespace dbfexpr
