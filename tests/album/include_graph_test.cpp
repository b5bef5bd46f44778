// The folders of src/ form layers: a folder includes only from folders below
// it. These tests read the include lines of every source file, so a header
// that reaches upwards fails here before it ties two libraries together.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Folder -> the folders its files include from (itself left out), and for
// each such edge one file that makes it, for the failure message.
struct IncludeGraph {
    std::map<std::string, std::set<std::string>> edges;
    std::map<std::pair<std::string, std::string>, std::string> witness;
};

IncludeGraph ReadGraph(const fs::path& root)
{
    IncludeGraph graph;
    const std::regex includeLine(R"(^\s*#\s*include\s*"([^"]+)\")");
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const auto ext = entry.path().extension();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp"))
            continue;
        const std::string folder = entry.path().parent_path().lexically_relative(root).generic_string();
        if (folder == ".")
            continue;  // the program's main stands above every folder
        graph.edges[folder];
        std::ifstream in(entry.path());
        std::string line;
        std::smatch match;
        while (std::getline(in, line)) {
            if (!std::regex_search(line, match, includeLine))
                continue;
            const fs::path included(match[1].str());
            const std::string target = included.parent_path().generic_string();
            if (target.empty() || target == folder || !fs::exists(root / included))
                continue;  // a neighbour, or a generated or outside header
            graph.edges[folder].insert(target);
            graph.witness.emplace(std::pair(folder, target),
                                  entry.path().lexically_relative(root).generic_string());
        }
    }
    return graph;
}

const IncludeGraph& SourceGraph()
{
    static const IncludeGraph graph = ReadGraph(LUMADEX_SOURCE_DIR);
    return graph;
}

// The folders of `graph` reachable from `from`, `from` itself only if a
// path leads back to it.
std::set<std::string> Reachable(const IncludeGraph& graph, const std::string& from)
{
    std::set<std::string> seen;
    std::vector<std::string> open{from};
    while (!open.empty()) {
        const std::string folder = open.back();
        open.pop_back();
        const auto it = graph.edges.find(folder);
        if (it == graph.edges.end())
            continue;
        for (const auto& next : it->second)
            if (seen.insert(next).second)
                open.push_back(next);
    }
    return seen;
}

bool StartsWith(const std::string& folder, const std::string& top)
{
    return folder == top || folder.rfind(top + "/", 0) == 0;
}

TEST(IncludeGraph, ReadsTheSourceFolders)
{
    // A graph read from the wrong place would let every other test pass.
    const auto& edges = SourceGraph().edges;
    for (const char* folder : {"album", "dialogs", "mainwindow", "storage", "platform/core"})
        EXPECT_TRUE(edges.count(folder)) << folder;
    EXPECT_TRUE(edges.at("mainwindow").count("album"));
    EXPECT_TRUE(edges.at("album").count("storage"));
}

TEST(IncludeGraph, FoldersIncludeNothingFromAbove)
{
    struct Case {
        const char* folder;
        std::vector<const char*> above;
    };
    const std::vector<Case> cases{
        {"album", {"dialogs", "mainwindow", "app", "report", "controls", "datacontrols", "imaging"}},
        {"dialogs", {"mainwindow", "app"}},
        {"mainwindow", {"app"}},
    };
    const IncludeGraph& graph = SourceGraph();
    for (const auto& c : cases) {
        for (const auto& target : graph.edges.at(c.folder)) {
            for (const char* top : c.above) {
                EXPECT_FALSE(StartsWith(target, top))
                    << c.folder << " includes from " << target << " in "
                    << graph.witness.at({c.folder, target});
            }
        }
    }
}

TEST(IncludeGraph, NoFolderReachesItself)
{
    const IncludeGraph& graph = SourceGraph();
    for (const auto& [folder, targets] : graph.edges) {
        if (!Reachable(graph, folder).count(folder))
            continue;
        std::string via;
        for (const auto& target : targets)
            if (Reachable(graph, target).count(folder))
                via += " " + target + " (" + graph.witness.at({folder, target}) + ")";
        ADD_FAILURE() << folder << " comes back to itself through" << via;
    }
}

}  // namespace
