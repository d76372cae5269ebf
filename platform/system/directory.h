// Making folders.
#pragma once

#include "platform/base/types.h"

// Makes the folder `path` (its parent must exist). FALSE when it could not be
// made, also when it exists already. The security attributes are accepted and
// ignored: the folder gets the process's default permissions.
BOOL CreateDirectoryW(LPCWSTR path, void* securityAttributes);
