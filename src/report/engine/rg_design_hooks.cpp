#include "report/engine/rg_design_hooks.h"

TrgDesignHooks& rgDesignHooks()
{
    static TrgDesignHooks hooks;
    return hooks;
}
