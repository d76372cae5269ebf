#include "platform/system/directory.h"

#include "platform/base/path_text.h"

#include <sys/stat.h>

#include <string>

BOOL CreateDirectoryW(LPCWSTR path, void*) {
    if (!path || !*path) return FALSE;
    const std::string native = platform::PathToBytes(path);
    return ::mkdir(native.c_str(), 0777) == 0 ? TRUE : FALSE;
}
