// Answers the next colour dialog that opens, from the event loop it runs.
#pragma once

#include <optional>

#include "platform/base/types.h"

// When a colour dialog is open (checked every few milliseconds for up to five
// seconds), picks `colour` and presses OK, or presses Cancel when `colour` is
// empty. Returns at once; the answer comes while the dialog runs.
void AnswerNextColourDialog(std::optional<COLORREF> colour);
// Whether a colour dialog was seen (and answered) since the last AnswerNextColourDialog.
bool ColourDialogWasAnswered();
// The colour the open dialog started from, as seen when it was answered.
COLORREF ColourDialogStartColour();
