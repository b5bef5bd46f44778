#include "report/engine/rg_form_hooks.h"

TrgFormHooks& rgFormHooks()
{
    static TrgFormHooks hooks;
    return hooks;
}
