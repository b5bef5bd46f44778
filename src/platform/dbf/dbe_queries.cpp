// The dbe_ functions of expressions and queries.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/dbf/dbe.h"
#include "platform/dbf/dbe_internal.h"
#include "platform/dbf/dbf_table.h"
#include "platform/dbf/engine_settings.h"
#include "platform/dbf/field_codec.h"
#include "platform/dbf/file_io.h"
#include "platform/dbf/table_indexes.h"
#include "platform/dbf/work_area.h"

using namespace dbf;
using namespace dbf::engine;

// ---------------------------------------------------------------------------
// Expressions and queries
// ---------------------------------------------------------------------------

int dbe_EvalTest(const char* expr)
{
    const EngineLock engineLock;
    WorkArea* a = Need();
    if (!a) return 0;
    std::string error;
    auto e = a->Compile(expr ? expr : "", error);
    if (!e) return Fail(error);
    return int(e->Type());
}

const char* dbe_EvalString(const char* expr)
{
    const EngineLock engineLock;
    Engine& e = E();
    e.evalText.clear();
    WorkArea* a = Need();
    if (!a) return e.evalText.c_str();
    std::string error;
    auto x = a->Compile(expr ? expr : "", error);
    if (!x) {
        Fail(error);
        return e.evalText.c_str();
    }
    dbfexpr::ExprContext context = a->Context();
    dbfexpr::ExprError fault;
    if (!x->EvaluateText(reinterpret_cast<const std::uint8_t*>(a->buffer()), a->recordLength(),
                         context, e.evalText, &fault)) {
        e.evalText.clear();
        Fail(dbfexpr::ExprErrorText(fault));
    }
    return e.evalText.c_str();
}

int dbe_EvalLogical(const char* expr)
{
    const EngineLock engineLock;
    WorkArea* a = Need();
    if (!a) return 0;
    std::string error;
    auto x = a->Compile(expr ? expr : "", error);
    if (!x) return Fail(error);
    dbfexpr::ExprContext context = a->Context();
    bool result = false;
    dbfexpr::ExprError fault;
    if (!x->EvaluateLogical(reinterpret_cast<const std::uint8_t*>(a->buffer()), a->recordLength(),
                            context, result, &fault))
        return Fail(dbfexpr::ExprErrorText(fault));
    return result ? 1 : 0;
}

int dbe_Query(const char* expr)
{
    const EngineLock engineLock;
    if (Refused()) return 0;
    WorkArea* a = NeedSound();
    if (!a) return 0;
    if (!expr || !*expr) {
        a->ClearQuery();
        return 1;
    }
    std::string error;
    return a->SetQueryExpression(expr, error) ? 1 : Fail(error);
}

uint32_t dbe_QueryRecCount()
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    if (!a) return 0;
    // (0 is a count too: an earlier failure must not stand beside it.)
    SetLastError("");
    bool scoped = a->tagOrder() &&
                  (!a->tagOrder()->scopeLow().empty() || !a->tagOrder()->scopeHigh().empty());
    // A tag with a FOR condition (".not. deleted()") leaves records out too;
    // one that cannot be used fails the count with its reason.
    const dbf::IndexTag* tag = a->tagOrder() ? a->tagOrder()->Tag() : nullptr;
    const bool conditional = a->tagOrder() && (!tag || tag->condition);
    // Every record passes when nothing hides one; hidden deleted records
    // do not pass, so the count agrees with what a walk shows.
    if (!a->queryActive() && !scoped && !conditional && !Settings().deleted) return a->RecCount();
    const uint32_t count = a->VisibleCount();
    const std::string failed = a->TakeReadError();
    return failed.empty() ? count : std::uint32_t(Fail(failed));
}

const char* dbe_DBFilter()
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    E().filterText = a ? a->queryExpression() : std::string();
    return E().filterText.c_str();
}

int dbe_SetQueryBit(uint32_t recno, int flag)
{
    const EngineLock engineLock;
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    // The count is read again from the file (shared use) only past the
    // records known already.
    if (recno == 0 || (recno > a->table().KnownRecordCount() && recno > a->RecCount()))
        return Fail("Satz " + std::to_string(recno) + " gibt es nicht");
    a->SetQueryBit(recno, flag != 0);
    return 1;
}

