#pragma once
// The framework's edit masks applied to text for display ("!\(999\)\ 000\-0000;0; ":
// mask, whether the text holds the literals, blank character).

#include <QString>

#include "platform/core/sys_utils.h"

// Value formatted by the mask. When the mask's second field is "0" Value
// holds only the characters typed into the mask's input positions, which
// are filled in order; otherwise Value holds the literals as well and both
// run side by side. Input positions without a character show a blank; with
// "!" in the mask a short Value fills the last positions, so the blanks lead.
// ">" and "<" turn the following characters to upper or lower case ("<>"
// ends that), "\" takes the next character as a literal, ":" and "/" are the
// time and date separators of the format settings and "_" is a blank.
// Characters are placed without checking them against their position's kind.
QString FormatMaskText(const QString& EditMask, const QString& Value,
                       const TFormatSettings& fs = FormatSettings());
