// Loading and saving the settings record as the settings file.
#pragma once

#include "app/config_data.h"
#include "platform/base/types.h"

class CUtility;

// The settings file's name in the working directory.
inline constexpr const char16_t* kConfigFileName = u"ZEL-Rerovora.cfg";

// Fills `cfg` from the file at `path`. When the file exists, its first bytes (up
// to the record's size) replace the front of the record; when it cannot be read,
// the record gets the defaults and stderr says so. When it does not exist, the
// record gets the defaults and is saved. A link is followed: a link to nothing is taken as a
// file not made yet, so the defaults are saved where it points (and stderr says
// so). Anything else that is not a regular file (a pipe, a device, a folder, a
// loop of links, a place that cannot be looked at) is not opened: the record
// gets the defaults, the save leaves the place alone, and stderr says why.
// Either way the stack count is then 12. Errors are otherwise silent.
void LoadConfigFile(const CString& path, ConfigData& cfg, CUtility& utility);

// Writes `cfg` to `path`, replacing the old file in one step, so that a process
// that dies half-way leaves the old file or the new one, never a part (in place
// only where the folder takes no new file). A read-only file, a pipe or a device
// is left alone. Failures are silent to the operator; the result says whether
// the file was written.
bool SaveConfigFile(const CString& path, const ConfigData& cfg);
