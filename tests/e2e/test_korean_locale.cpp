// The real program under the locale a Korean site runs (ko_KR.EUC-KR, made with
// localedef): names from a Windows site's settings file, in code page 949, reach
// the data server byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/made_locale.h"
#include "tests/support/relay_settings.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

TEST(KoreanLocale, NamesFromAWindowsSiteReachTheServerByteForByte) {
    const MadeLocale korean("ko_KR", "EUC-KR");
    if (!korean.ok()) GTEST_SKIP() << korean.Why();
    const ScopedEnv path("LOCPATH", korean.folder().c_str());
    const ScopedEnv lc("LC_ALL", korean.name().c_str());

    Simulator instruments("instrument_sim", {"--port", "4000", "--address", "127.0.0.1-127.0.0.12", "--values", "270,3.5"});
    ASSERT_TRUE(instruments.ready()) << instruments.Stderr();
    Simulator sink("server_sink", {"--port", "0"});
    ASSERT_TRUE(sink.ready()) << sink.Stderr();
    // 햏햏 and 똠방 exist only in code page 949, 바람 in EUC-KR as well; C9 A1 is
    // the user-defined area's first character.
    const std::vector<std::string> names = {"\xC1\x64\xC1\x64", "\x8C\x63\xB9\xE6 1", "\xB9\xD9\xB6\xF7", "QC\xC9\xA1"};
    RelaySettings settings;
    settings.names = names;
    settings.title = "\xC1\x64 \xB9\xD9\xB6\xF7";
    settings.serverPort = sink.port();
    TempDir dir;
    settings.WriteTo(dir.path());
    ChildProcess program(std::filesystem::path(REROVORA_BINARY_DIR) / "rerovora", {}, dir.path());

    auto answered = [](const SinkRecord& r) { return r.fields.size() > 2 && r.fields[2] == "3.5"; };
    ASSERT_TRUE(WaitFor(
        [&] {
            const auto records = ParseSinkOutput(sink.Stdout());
            return std::count_if(records.begin(), records.end(), answered) >= 2;
        },
        20000))
        << "program:\n" << program.Stderr() << "\nsink:\n" << sink.Stdout();
    for (const SinkRecord& r : ParseSinkOutput(sink.Stdout())) {
        ASSERT_EQ(r.fields.size(), 1u + 12 * 3) << r.record;
        for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(r.fields[1 + i * 3], names[i]) << r.record;
        EXPECT_EQ(r.fields[1 + 4 * 3], "QC1105");
    }
}
