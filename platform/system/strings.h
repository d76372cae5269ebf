// The program's string table: texts found by a numeric id.
#pragma once

#include <string>

#include "platform/base/types.h"

// The framework's id of the application title.
constexpr UINT AFX_IDS_APP_TITLE = 0xE000;

namespace platform {
// Makes `text` the string `id`, in place of any registered before.
void RegisterString(UINT id, std::u16string text);
// Forgets string `id`.
void RemoveString(UINT id);
}  // namespace platform

// Puts string `id` in `text`; FALSE (and `text` emptied) when the program has none.
BOOL LoadStringResource(UINT id, std::u16string& text);
