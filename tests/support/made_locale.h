// A locale made for a test with localedef into a folder of its own (the
// folder to give as LOCPATH), so the tests need only the locale sources of
// Debian's `locales`, not locales installed on the machine.
#pragma once

#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

class MadeLocale {
public:
    // Makes `source`.`charset` (e.g. "ko_KR", "EUC-KR" gives ko_KR.EUC-KR).
    MadeLocale(const std::string& source, const std::string& charset)
        : m_name(source + "." + charset) {
        const std::filesystem::path out = m_dir.path() / m_name;
        const std::string cmd = "localedef -i " + source + " -f " + charset + " '" + out.string() + "' >/dev/null 2>&1";
        std::system(cmd.c_str());  // may report warnings and still make the locale
        m_ok = std::filesystem::exists(out / "LC_CTYPE");
    }

    bool ok() const { return m_ok; }
    const std::string& name() const { return m_name; }
    std::string folder() const { return m_dir.path().string(); }
    // Why a test cannot run, for its skip message.
    std::string Why() const {
        return "locale " + m_name + " cannot be made here (localedef or its source from the 'locales' package is missing)";
    }

private:
    TempDir m_dir;
    std::string m_name;
    bool m_ok = false;
};
