#pragma once
// How the engine's concrete forms are registered. The engine's core knows
// only the abstract forms and asks the form registry for the concrete one; it
// never names the preview, the print and cancel dialogs, the template dialogs
// or the bar code dialog. Whoever prints installs their registration here
// once at start-up (rgInstallEngineForms), as the designer side installs the
// design hooks, and rgRegisterBuiltInComponentClasses runs it with the
// component classes. While nothing is installed it registers no form.

#include <functional>

struct TrgFormHooks {
    // Registers the concrete forms for their abstract classes. A form
    // registered later for the same abstract class replaces the one it
    // registers (a test's substitute).
    std::function<void()> RegisterForms;
};

// The installed hooks.
TrgFormHooks& rgFormHooks();
