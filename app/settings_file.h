// Loading and saving the settings record as the settings file.
#pragma once

#include <string>

#include "app/config_data.h"
#include "platform/base/types.h"

class CUtility;

// The settings file's name in the working directory.
inline constexpr const char16_t* kConfigFileName = u"ZEL-Rerovora.cfg";

// Fills `cfg` from the file at `path`. When the file exists, its first bytes (up
// to the record's size) replace the front of the record, and a file of another
// size than the record is taken so but said on stderr; when it cannot be read,
// the record gets the defaults and stderr says so. When it does not exist, the
// record gets the defaults and is saved. A link is followed as the kernel follows
// it (platform::FilePlace): a link to nothing is taken as a file not made yet, so
// the defaults are saved where it points (and stderr says so). Anything else
// that is not a regular file (a pipe, a device, a folder, a loop of links, a
// place that cannot be looked at, a link another account planted in a shared
// folder) is not opened: the record gets the defaults, the save leaves the place
// alone, and stderr says why. Either way the stack count is then 12. The result
// says whether a save may stand for the file: false when the defaults were taken
// in place of something there that could not be read as settings.
bool LoadConfigFile(const CString& path, ConfigData& cfg, CUtility& utility);

// Writes `cfg` to `path`, replacing the old file in one step, so that a process
// that dies half-way leaves the old file or the new one, never a part (in place
// only where the folder refuses a new file by its rights). Nothing is written
// over a file that cannot be read now (settings the program could not read), a
// read-only file, or anything that is not a file. A save that fails leaves the
// old file as it was and says so on stderr; the result says whether the file
// was written, and `why`, when given, takes the reason of a failure.
bool SaveConfigFile(const CString& path, const ConfigData& cfg, std::string* why = nullptr);
