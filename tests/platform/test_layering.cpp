// The folder boundaries of the source tree: who may include what.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
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

bool IsSource(const fs::path& file) {
    const auto ext = file.extension();
    return ext == ".h" || ext == ".cpp" || ext == ".hpp" || ext == ".in";
}

std::vector<Include> IncludesUnder(const std::string& folder) {
    std::vector<Include> out;
    const fs::path root = fs::path(REROVORA_SOURCE_DIR) / folder;
    if (!fs::exists(root)) return out;
    static const std::regex include(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!IsSource(entry.path())) continue;
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

// The layer's folders and the folders each may include: dependencies run one
// way only (base <- system <- gdi <- graphics; gdi <- window <- stdctrl <- runtime;
// window <- ole; base <- net).
const std::map<std::string, std::set<std::string>>& PlatformLayers() {
    static const std::map<std::string, std::set<std::string>> layers = {
        {"base", {"base"}},
        {"system", {"base", "system"}},
        {"gdi", {"base", "system", "gdi"}},
        {"graphics", {"base", "system", "gdi", "graphics"}},
        {"window", {"base", "system", "gdi", "window"}},
        {"stdctrl", {"base", "system", "gdi", "window", "stdctrl"}},
        {"ole", {"base", "system", "gdi", "window", "ole"}},
        {"runtime", {"base", "system", "gdi", "window", "stdctrl", "runtime"}},
        {"net", {"base", "net"}},
    };
    return layers;
}

// The layer folder of an include target or of a file under platform/ ("" if none).
std::string LayerOf(const std::string& path) {
    static const std::regex layer(R"(^platform/([a-z]+)/)");
    std::smatch m;
    return std::regex_search(path, m, layer) ? m[1].str() : std::string();
}

std::string RelativePath(const fs::path& file) {
    return fs::relative(file, fs::path(REROVORA_SOURCE_DIR)).generic_string();
}

// The broken rules among `includes`, one line each.
std::vector<std::string> LayerViolations(const std::vector<Include>& includes) {
    std::vector<std::string> out;
    for (const Include& inc : includes) {
        const std::string from = RelativePath(inc.file);
        const std::string where = from + ":" + std::to_string(inc.line) + " includes " + inc.target;
        const bool inPlatform = from.rfind("platform/", 0) == 0;
        const bool mayUseLayerInsides = inPlatform || from.rfind("tests/", 0) == 0 || from.rfind("bench/", 0) == 0;
        if (!mayUseLayerInsides && IsQtHeader(inc.target)) out.push_back(where + ": only platform/ uses Qt");
        if (!mayUseLayerInsides && inc.target.size() > 7 && inc.target.ends_with("_impl.h"))
            out.push_back(where + ": a layer-private header");
        for (const char* code : {"controls/", "grid/", "platform/"}) {
            if (from.rfind(code, 0) == 0 && inc.target.rfind("app/", 0) == 0)
                out.push_back(where + ": " + code + " never reaches into the application");
        }
        if (!inPlatform) continue;
        for (const char* other : {"controls/", "grid/", "res/"})
            if (inc.target.rfind(other, 0) == 0) out.push_back(where + ": the layer stands below " + other);
        const std::string fromLayer = LayerOf(from), toLayer = LayerOf(inc.target);
        const auto allowed = PlatformLayers().find(fromLayer);
        if (allowed == PlatformLayers().end()) {
            out.push_back(from + ": a layer file outside the layer's folders");
        } else if (inc.target.rfind("platform/", 0) == 0 && !allowed->second.count(toLayer)) {
            out.push_back(where + ": platform/" + fromLayer + " may not include platform/" +
                          (toLayer.empty() ? std::string("(no folder)") : toLayer));
        }
    }
    return out;
}

// The top-level folders of the tree that hold sources, the tests and build
// folders aside. Every one is checked, so a folder that gets its first sources
// (the grid's) is checked from then on without a word here.
std::vector<std::string> SourceFolders() {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(REROVORA_SOURCE_DIR)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_directory() || name.starts_with(".") || name == "tests") continue;
        if (fs::exists(entry.path() / "CMakeCache.txt")) continue;  // a build folder
        for (const auto& file : fs::recursive_directory_iterator(entry.path())) {
            if (file.is_regular_file() && IsSource(file.path())) {
                out.push_back(name);
                break;
            }
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The top-level folders whose sources the build compiles, as CMake lists them.
std::vector<std::string> CompiledFolders() {
    std::vector<std::string> out;
    std::string list = REROVORA_COMPILED_FOLDERS;
    for (std::size_t at = 0; at <= list.size();) {
        const std::size_t comma = std::min(list.find(',', at), list.size());
        if (comma > at) out.push_back(list.substr(at, comma - at));
        at = comma + 1;
    }
    return out;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += "\n  " + line;
    return text;
}

}  // namespace

TEST(Layering, EveryFolderKeepsToItsIncludeRules) {
    std::vector<Include> all;
    const std::vector<std::string> folders = SourceFolders();
    // A folder the build compiles that the check does not find would pass unseen.
    const std::vector<std::string> compiled = CompiledFolders();
    for (const char* always : {"app", "controls", "platform"})
        EXPECT_NE(std::find(compiled.begin(), compiled.end(), always), compiled.end()) << always;
    for (const std::string& folder : compiled)
        EXPECT_NE(std::find(folders.begin(), folders.end(), folder), folders.end())
            << folder << "/ is compiled but not checked";
    for (const std::string& folder : folders) {
        const auto found = IncludesUnder(folder);
        EXPECT_FALSE(found.empty()) << folder << "/ holds sources that include nothing";
        all.insert(all.end(), found.begin(), found.end());
    }
    const auto violations = LayerViolations(all);
    EXPECT_TRUE(violations.empty()) << violations.size() << " broken include rules:" << Lines(violations);
}

TEST(Layering, TheRulesRefuseEveryKindOfWrongInclude) {
    const fs::path root(REROVORA_SOURCE_DIR);
    struct Case {
        const char* file;
        const char* target;
        bool refused;
    };
    const Case cases[] = {
        {"app/main_dlg.cpp", "QWidget", true},
        {"app/main_dlg.cpp", "platform/window/wnd_impl.h", true},
        {"app/main_dlg.cpp", "platform/window/wnd.h", false},
        {"controls/led.cpp", "app/config_data.h", true},
        {"grid/grid_ctrl.cpp", "app/config_data.h", true},
        {"platform/gdi/dc.cpp", "platform/window/wnd_impl.h", true},    // a circle gdi <-> window
        {"platform/graphics/graphics.cpp", "platform/window/wnd.h", true},
        {"platform/base/types.h", "platform/system/file.h", true},
        {"platform/net/socket.cpp", "platform/gdi/gdi.h", true},
        {"platform/window/wnd.cpp", "platform/graphics/graphics.h", true},  // siblings stay apart
        {"platform/window/wnd.cpp", "platform/gdi/dc_impl.h", false},
        {"platform/runtime/app.cpp", "platform/window/wnd_impl.h", false},
        {"platform/window/wnd.cpp", "controls/led.h", true},
        {"platform/window/dialog.cpp", "platform/stdctrl/combobox.h", true},  // the core under its controls
        {"platform/stdctrl/edit.cpp", "platform/window/wnd_impl.h", false},
        {"platform/stdctrl/edit.cpp", "platform/ole/oledata.h", true},
        {"platform/ole/droptarget.cpp", "platform/stdctrl/edit.h", true},
        {"platform/runtime/app.cpp", "platform/stdctrl/button.h", false},
        {"platform/runtime/app.cpp", "platform/ole/oledata.h", true},
        {"platform/wnd.cpp", "platform/base/types.h", true},  // loose files belong in a folder
        {"tests/platform/test_gdi.cpp", "platform/gdi/dc_impl.h", false},
        {"tests/platform/test_gdi.cpp", "QImage", false},
    };
    for (const Case& c : cases) {
        const auto violations = LayerViolations({{root / c.file, 1, c.target}});
        EXPECT_EQ(!violations.empty(), c.refused) << c.file << " including " << c.target << Lines(violations);
    }
}

TEST(Layering, TheQtHeaderCheckRecognisesQtIncludes) {
    EXPECT_TRUE(IsQtHeader("QWidget"));
    EXPECT_TRUE(IsQtHeader("QtCore/QString"));
    EXPECT_TRUE(IsQtHeader("qglobal.h"));
    EXPECT_FALSE(IsQtHeader("platform/window/wnd.h"));
    EXPECT_FALSE(IsQtHeader("cstdint"));
    EXPECT_FALSE(IsQtHeader("queue"));
}
