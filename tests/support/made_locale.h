// A locale made for a test with localedef into a folder of its own (the
// folder to give as LOCPATH), so the tests need only the locale sources of
// Debian's `locales`, not locales installed on the machine.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

// Makes `source`.`charset` (e.g. "ko_KR", "EUC-KR" gives ko_KR.EUC-KR) in
// `folder`; whether it is there now.
inline bool MakeLocale(const std::string& source, const std::string& charset, const std::filesystem::path& folder) {
    const std::filesystem::path out = folder / (source + "." + charset);
    const std::string cmd = "localedef -i " + source + " -f " + charset + " '" + out.string() + "' >/dev/null 2>&1";
    std::system(cmd.c_str());  // may report warnings and still make the locale
    return std::filesystem::exists(out / "LC_CTYPE");
}

// Why a test cannot run without the locale `name`, for its skip message.
inline std::string CannotMakeLocale(const std::string& name) {
    return "locale " + name + " cannot be made here (localedef or its source from the 'locales' package is missing)";
}

class MadeLocale {
public:
    MadeLocale(const std::string& source, const std::string& charset)
        : m_name(source + "." + charset), m_ok(MakeLocale(source, charset, m_dir.path())) {}

    bool ok() const { return m_ok; }
    const std::string& name() const { return m_name; }
    std::string folder() const { return m_dir.path().string(); }
    std::string Why() const { return CannotMakeLocale(m_name); }

private:
    TempDir m_dir;
    std::string m_name;
    bool m_ok;
};
