#pragma once
// The built-in palette of printable component classes (each registered by
// name through rgRegisterComponentClass, so templates naming it can be read).
//
// Event properties of the engine's classes are streamed as method names and
// bound, when read, to the methods the owner form publishes
// (TrgMethodOwner); rgRegisterBuiltInComponentClasses describes them too.

#include "platform/stream/class_registry.h"
#include "report/engine/rg_component.h"
#include "report/engine/rg_method_owner.h"

// Describes the engine's classes (report, bands, groups, components) with
// their event and data pipeline properties, registers every printable
// component class of the built-in palette and the concrete forms whose
// registration was installed (rg_form_hooks.h; the engine's own through
// rgInstallEngineForms). The program calls it when it starts to print.
// Safe to call again.
void rgRegisterBuiltInComponentClasses();
