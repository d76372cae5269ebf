// The folder boundaries of the source tree: who may include what.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Include {
    fs::path file;
    int line;
    std::string target;
};

std::vector<Include> IncludesUnder(const std::string& folder) {
    std::vector<Include> out;
    const fs::path root = fs::path(REROVORA_SOURCE_DIR) / folder;
    if (!fs::exists(root)) return out;
    static const std::regex include(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const auto ext = entry.path().extension();
        if (ext != ".h" && ext != ".cpp" && ext != ".hpp" && ext != ".in") continue;
        std::ifstream in(entry.path());
        std::string text;
        int n = 0;
        while (std::getline(in, text)) {
            ++n;
            std::smatch m;
            if (std::regex_search(text, m, include)) out.push_back({entry.path(), n, m[1]});
        }
    }
    return out;
}

bool IsQtHeader(const std::string& target) {
    // <QWidget>, <QtCore/QString>, <qglobal.h> ...
    static const std::regex qt(R"(^(Q[A-Z]\w*|Qt\w*/.*|q\w+\.h)$)");
    return std::regex_match(target, qt);
}

}  // namespace

TEST(Layering, OnlyThePlatformLayerIncludesQt) {
    for (const char* folder : {"app", "controls", "grid", "res", "tools"}) {
        for (const Include& inc : IncludesUnder(folder)) {
            EXPECT_FALSE(IsQtHeader(inc.target))
                << inc.file << ":" << inc.line << " includes the Qt header " << inc.target;
        }
    }
}

TEST(Layering, ControlsAndGridNeverReachIntoTheApplication) {
    for (const char* folder : {"controls", "grid", "platform"}) {
        for (const Include& inc : IncludesUnder(folder)) {
            EXPECT_NE(inc.target.rfind("app/", 0), 0u)
                << inc.file << ":" << inc.line << " includes " << inc.target;
        }
    }
    for (const Include& inc : IncludesUnder("platform")) {
        for (const char* other : {"controls/", "grid/", "res/"})
            EXPECT_NE(inc.target.rfind(other, 0), 0u)
                << inc.file << ":" << inc.line << " includes " << inc.target;
    }
}

TEST(Layering, TheQtHeaderCheckRecognisesQtIncludes) {
    EXPECT_TRUE(IsQtHeader("QWidget"));
    EXPECT_TRUE(IsQtHeader("QtCore/QString"));
    EXPECT_TRUE(IsQtHeader("qglobal.h"));
    EXPECT_FALSE(IsQtHeader("platform/wnd.h"));
    EXPECT_FALSE(IsQtHeader("cstdint"));
    EXPECT_FALSE(IsQtHeader("queue"));
}
