#pragma once
// The engine's own concrete forms at start-up: the one place that names them
// all. The core reaches them only through the form registry, and registers
// them through the hook this module installs (rg_form_hooks.h).

// Registers the engine's concrete forms for their abstract classes: the
// preview, the print and cancel dialogs, the template dialogs and the bar
// code dialog. A form registered later in a place (a test's substitute)
// replaces the one here.
void rgRegisterEngineForms();

// Installs rgRegisterEngineForms as the core's form registration, so that
// every rgRegisterBuiltInComponentClasses registers these forms too. The
// program's print path calls it before it builds a report. Safe to call again.
void rgInstallEngineForms();
