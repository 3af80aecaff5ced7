// The shape of the sources. Their layering as the compiler sees it: a header
// and its source file make one unit, no chain of includes between units
// leads back to where it started (a cycle means two units can only be
// understood, tested and changed together; the main window and its dialogs
// were such a knot), and every include points down the layers. And no function body, lambdas
// included, runs over 80 lines: a longer one does several things that want names of their own.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Graph = std::map<std::string, std::set<std::string>>;

// Unit ("app/TfrmMain") -> the units its header and source include.
Graph IncludeGraph(const fs::path& root) {
    const std::regex include(R"re(^\s*#\s*include\s+"([^"]+)\.(h|hpp|cpp)")re");
    Graph graph;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const fs::path& path = entry.path();
        if (path.extension() != ".h" && path.extension() != ".cpp") {
            continue;
        }
        const std::string unit = fs::relative(path, root).replace_extension().generic_string();
        std::set<std::string>& edges = graph[unit];
        std::ifstream in(path);
        std::smatch match;
        for (std::string line; std::getline(in, line);) {
            if (std::regex_search(line, match, include) && match[1] != unit &&
                fs::exists(root / (match[1].str() + "." + match[2].str()))) {
                edges.insert(match[1]);
            }
        }
    }
    return graph;
}

// A cycle as "a -> b -> a", or nothing.
std::string FindCycle(const Graph& graph) {
    enum class Mark { Open, Done };
    std::map<std::string, Mark> marks;
    std::vector<std::string> path;
    std::string found;
    std::function<bool(const std::string&)> visit = [&](const std::string& unit) {
        marks[unit] = Mark::Open;
        path.push_back(unit);
        if (const auto edges = graph.find(unit); edges != graph.end()) {
            for (const std::string& next : edges->second) {
                const auto mark = marks.find(next);
                if (mark != marks.end() && mark->second == Mark::Open) {
                    for (auto at = std::find(path.begin(), path.end(), next); at != path.end();
                         ++at) {
                        found += *at + " -> ";
                    }
                    found += next;
                    return true;
                }
                if (mark == marks.end() && visit(next)) {
                    return true;
                }
            }
        }
        marks[unit] = Mark::Done;
        path.pop_back();
        return false;
    };
    for (const auto& [unit, edges] : graph) {
        if (!marks.contains(unit) && visit(unit)) {
            break;
        }
    }
    return found;
}

// Bodies longer than `limit` lines, as "file:line (lines)". A body starts at
// a line that ends a signature with ") {" (also ") const {", a constructor's
// last initializer, a lambda) and is not a statement; it ends where its
// braces balance. Good enough for this code's formatting, which
// clang-format keeps uniform.
std::vector<std::string> LongFunctions(const fs::path& root, std::size_t limit) {
    const std::regex opening(
        R"re(^\s*[A-Za-z_~\[].*\)\s*(const)?\s*(override)?\s*(noexcept)?\s*(->\s*[\w:<>&]+)?\s*\{\s*$)re");
    const std::regex statement(R"re(^\s*(\} )?(if|for|while|switch|else|do|catch)\b)re");
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const fs::path& path = entry.path();
        if (path.extension() != ".h" && path.extension() != ".cpp") {
            continue;
        }
        std::vector<std::string> lines;
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (!std::regex_match(lines[i], opening) || std::regex_search(lines[i], statement) ||
                lines[i].find("namespace") != std::string::npos) {
                continue;
            }
            long depth = 0;
            std::size_t end = i;
            for (; end < lines.size(); ++end) {
                depth += std::count(lines[end].begin(), lines[end].end(), '{') -
                         std::count(lines[end].begin(), lines[end].end(), '}');
                if (depth <= 0) {
                    break;
                }
            }
            if (end - i + 1 > limit) {
                found.push_back(fs::relative(path, root).generic_string() + ":" +
                                std::to_string(i + 1) + " (" + std::to_string(end - i + 1) +
                                " lines)");
            }
        }
    }
    return found;
}

TEST(SourceShape, NoIncludeCycle) {
    // The finder names a cycle it is shown, and none where there is none.
    const Graph knot = {{"app/A", {"app/B"}}, {"app/B", {"core/C"}}, {"core/C", {"app/A"}}};
    ASSERT_EQ(FindCycle(knot), "app/A -> app/B -> core/C -> app/A");
    ASSERT_EQ(FindCycle({{"a", {"b"}}, {"b", {"c"}}, {"c", {}}, {"d", {"b"}}}), "");
    const Graph graph = IncludeGraph(fs::path(QZT_SOURCE_DIR) / "src");
    ASSERT_GT(graph.size(), 50u);
    EXPECT_EQ(FindCycle(graph), "");
}

// The layers, lowest first: a unit may include units of its own folder and
// of folders in lower layers, never of a layer above or beside its own.
// Folders of one layer know nothing of each other (the file commands and
// the link; the backends of each system's routes: tty and usb on Linux, com
// and d2xx on Windows; the simulator and the device commands; the series and
// the session; the two programs).
const std::vector<std::vector<std::string>> kLayers = {
    {"text"},
    {"config"},
    {"core"},
    {"files", "device/link"},
    {"device/sysfs"},
    {"device/tty", "device/usb", "device/com", "device/d2xx"},
    {"device"},
    {"device/sim", "device/commands"},
    {"series", "session"},
    {"cli", "app"},
};

int LayerOf(const std::string& folder) {
    for (std::size_t layer = 0; layer < kLayers.size(); ++layer) {
        if (std::find(kLayers[layer].begin(), kLayers[layer].end(), folder) !=
            kLayers[layer].end()) {
            return static_cast<int>(layer);
        }
    }
    return -1;
}

// Includes that do not point down, as "from -> to"; a folder no layer names
// is reported too.
std::vector<std::string> IncludesNotPointingDown(const Graph& graph) {
    auto folderOf = [](const std::string& unit) { return unit.substr(0, unit.rfind('/')); };
    std::vector<std::string> found;
    for (const auto& [unit, edges] : graph) {
        const std::string from = folderOf(unit);
        for (const std::string& next : edges) {
            const std::string to = folderOf(next);
            if (to != from &&
                (LayerOf(from) < 0 || LayerOf(to) < 0 || LayerOf(to) >= LayerOf(from))) {
                found.push_back(unit + " -> " + next);
            }
        }
    }
    return found;
}

TEST(SourceShape, IncludesPointDown) {
    const Graph wrong = {{"device/DeviceDiscovery", {"device/sim/SimUnitFile", "text/Text"}},
                         {"files/FileCommands", {"device/link/D2xx"}},
                         {"extra/Thing", {"text/Text"}}};
    ASSERT_EQ(IncludesNotPointingDown(wrong),
              (std::vector<std::string>{"device/DeviceDiscovery -> device/sim/SimUnitFile",
                                        "extra/Thing -> text/Text",
                                        "files/FileCommands -> device/link/D2xx"}));
    const Graph graph = IncludeGraph(fs::path(QZT_SOURCE_DIR) / "src");
    std::string all;
    for (const std::string& include : IncludesNotPointingDown(graph)) {
        all += include + "\n";
    }
    EXPECT_EQ(all, "");
}

TEST(SourceShape, NoFunctionOverEightyLines) {
    // The finder on a file of its own: a long function, a short one with a
    // long statement block inside (counted as the function's), a lambda.
    const fs::path scratch =
        fs::temp_directory_path() / ("qzt-shape-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    {
        std::ofstream out(scratch / "Shapes.cpp");
        out << "int Long(int a) {\n" << std::string(85, '\n') << "}\n";
        out << "void Short() const {\n    if (x) {\n" << std::string(5, '\n') << "    }\n}\n";
        out << "auto f = [&](int b) {\n" << std::string(90, '\n') << "};\n";
    }
    const std::vector<std::string> shapes = LongFunctions(scratch, 80);
    fs::remove_all(scratch);
    ASSERT_EQ(shapes.size(), 2u);
    EXPECT_EQ(shapes[0], "Shapes.cpp:1 (87 lines)");
    const std::vector<std::string> longer = LongFunctions(fs::path(QZT_SOURCE_DIR) / "src", 80);
    std::string all;
    for (const std::string& f : longer) {
        all += f + "\n";
    }
    EXPECT_EQ(all, "");
}

}  // namespace
