// The code's layering as the compiler sees it: a header and its source file
// make one unit, and no chain of includes between units leads back to where
// it started. A cycle means two units can only be understood, tested and
// changed together (the main window and its dialogs were such a knot).

#include <gtest/gtest.h>

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

TEST(IncludeGraph, FindsACycleItIsShown) {
    const Graph knot = {{"app/A", {"app/B"}}, {"app/B", {"core/C"}}, {"core/C", {"app/A"}}};
    EXPECT_EQ(FindCycle(knot), "app/A -> app/B -> core/C -> app/A");
    EXPECT_EQ(FindCycle({{"a", {"b"}}, {"b", {"c"}}, {"c", {}}, {"d", {"b"}}}), "");
}

TEST(IncludeGraph, TheSourcesHaveNoCycle) {
    const Graph graph = IncludeGraph(fs::path(QZT_SOURCE_DIR) / "src");
    ASSERT_GT(graph.size(), 50u);
    EXPECT_EQ(FindCycle(graph), "");
}

}  // namespace
