#pragma once
// The whole component framework in one include.
//
// How the program's forms and components are written against it:
// - A form is a class derived from TForm whose constructor builds its
//   components in code: `Label1 = new TLabel(this); Label1->SetParent(this);
//   Label1->SetBounds(...)`, then sets its events
//   (`Button1->OnClick = [this](TObject* s) { Button1Click(s); };`) and ends
//   with `Loaded(); DoCreate();` (Loaded reaches every owned component,
//   DoCreate fires OnCreate).
// - The owner frees what it owns; a windowed control also frees its child
//   controls. Free a form with `delete` or Release(); never delete a control's
//   Qt widget yourself.
// - Properties are Get/Set pairs (`Width()`, `SetWidth(v)`), events are
//   std::function members named as the framework names them; key handlers
//   get the framework's virtual key codes (VK_ESCAPE = 27) and TShiftState.
// - A self-painted control overrides Paint and draws through Canvas().
// - An exception escaping an event handler goes to
//   Application->HandleException (OnException, else a message box); it
//   never leaves the event loop. EAbort passes silently.
// - Every message box, question, input box, common dialog and modal form
//   goes through the prompt service (prompt_service.h). Tests install a
//   TPromptScript (prompt_script.h) and feed input with test_input.h.
// - Long operations in the GUI thread call Application->ProcessMessages()
//   (or EscapePressed()) per step and hold a TBusyGuard against re-entry.
//   Any other wait that lets events through (a process, a sound, a loop of
//   its own) does so through LetEventsThrough or inside a TEventWait
//   (platform/core/event_wait.h), so the application counts it.

#include "platform/ui/buttons.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/component.h"
#include "platform/ui/control.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/framework_types.h"
#include "platform/ui/gauges.h"
#include "platform/ui/graphics.h"
#include "platform/ui/grids.h"
#include "platform/ui/menus.h"
#include "platform/ui/prompt_service.h"
#include "platform/ui/std_ctrls.h"
