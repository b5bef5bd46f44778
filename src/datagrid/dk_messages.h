#pragma once
// Misuse and configuration errors of the data-aware library: one message
// box with an OK button, through the prompt service.

#include "platform/ui/prompt_service.h"

void dkShowMessage(TMsgDlgType type, const QString& text);
// dkShowMessage with the warning sign and caption.
void dkShowWarning(const QString& text);
