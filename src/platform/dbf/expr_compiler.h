// Internal: compiles expression text into an ExprProgram (see the grammar in
// expr_expression.h). Parses into a small tree, then checks the types and
// emits the instructions in one walk over it.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "platform/dbf/expr_program.h"
#include "platform/dbf/expr_types.h"

namespace dbfexpr {

std::unique_ptr<ExprProgram> ExprCompile(std::string_view text, std::span<const ExprField> fields,
                                         const ExprCompileOptions& options, ExprError& error);

}  // namespace dbfexpr
