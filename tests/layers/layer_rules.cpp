#include "layer_rules.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> words(std::string const& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// A project header named by an #include.
struct Include {
    std::string file;
    int line;
    std::string spelled; // as written, with its quotes or brackets
    std::string row;     // the row the header belongs to
};

// The header an #include line names, with its quotes or brackets; empty for
// any other line.
std::string included(std::string const& line) {
    size_t hash = line.find_first_not_of(" \t");
    if (hash == std::string::npos || line[hash] != '#') {
        return "";
    }
    size_t word = line.find_first_not_of(" \t", hash + 1);
    if (word == std::string::npos || line.compare(word, 7, "include") != 0) {
        return "";
    }
    size_t open = line.find_first_not_of(" \t", word + 7);
    if (open == std::string::npos || (line[open] != '"' && line[open] != '<')) {
        return "";
    }
    size_t close = line.find(line[open] == '"' ? '"' : '>', open + 1);
    return close == std::string::npos ? "" : line.substr(open, close - open + 1);
}

// A quoted name is looked up beside the including file first, as the
// compiler does; anything else is a path from an include directory.
std::string resolve(std::string const& file, std::string const& name, bool quoted,
                    std::set<std::string> const& known) {
    if (quoted) {
        std::string beside =
            (fs::path(file).parent_path() / name).lexically_normal().generic_string();
        if (known.count(beside)) {
            return beside;
        }
    }
    return name;
}

std::vector<Include> project_includes(std::vector<SourceFile> const& sources,
                                      LayerTable const& table) {
    std::set<std::string> known;
    for (SourceFile const& source : sources) {
        known.insert(source.path);
    }
    std::vector<Include> found;
    for (SourceFile const& source : sources) {
        std::istringstream lines(source.text);
        std::string text;
        for (int line = 1; std::getline(lines, text); line++) {
            std::string spelled = included(text);
            if (spelled.empty()) {
                continue;
            }
            std::string name = spelled.substr(1, spelled.size() - 2);
            std::string row = table.row_of(resolve(source.path, name, spelled[0] == '"', known));
            if (!row.empty()) {
                found.push_back({source.path, line, spelled, row});
            }
        }
    }
    return found;
}

// Every cycle of a graph of folders, each once, as the folders along it
// with the first one repeated at the end: one per edge that leads back to a
// folder still being walked.
using Graph = std::map<std::string, std::set<std::string>>;

void walk(Graph const& graph, std::string const& folder, std::vector<std::string>& path,
          std::set<std::string>& done, std::vector<std::vector<std::string>>& cycles) {
    path.push_back(folder);
    auto edges = graph.find(folder);
    for (std::string const& next : edges == graph.end() ? std::set<std::string>{} : edges->second) {
        auto open = std::find(path.begin(), path.end(), next);
        if (open != path.end()) {
            std::vector<std::string> cycle(open, path.end());
            cycle.push_back(next);
            cycles.push_back(cycle);
        } else if (!done.count(next)) {
            walk(graph, next, path, done, cycles);
        }
    }
    path.pop_back();
    done.insert(folder);
}

std::vector<std::vector<std::string>> cycles_of(Graph const& graph) {
    std::vector<std::string> path;
    std::set<std::string> done;
    std::vector<std::vector<std::string>> cycles;
    for (auto const& entry : graph) {
        if (!done.count(entry.first)) {
            walk(graph, entry.first, path, done, cycles);
        }
    }
    return cycles;
}

std::string joined(std::vector<std::string> const& parts, std::string const& separator) {
    std::string text;
    for (std::string const& part : parts) {
        text += (text.empty() ? "" : separator) + part;
    }
    return text;
}

bool holds(std::string const& folder, std::string const& path) {
    return path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

} // namespace

LayerTable::LayerTable(std::string const& text, std::string const& name) {
    std::istringstream lines(text);
    std::string line;
    std::map<std::string, int> row_lines;
    for (int number = 1; std::getline(lines, line); number++) {
        std::string where = name + ":" + std::to_string(number) + ": ";
        std::string content = line.substr(0, line.find('#'));
        if (words(content).empty()) {
            continue;
        }
        size_t colon = content.find(':');
        std::vector<std::string> folder = words(content.substr(0, colon));
        if (colon == std::string::npos || folder.size() != 1) {
            throw std::runtime_error(where + "expected \"<folder>: <folders it may include>\"");
        }
        if (!row_lines.emplace(folder[0], number).second) {
            throw std::runtime_error(where + "a second row for " + folder[0]);
        }
        Row& row = rows[folder[0]];
        for (std::string const& allowed : words(content.substr(colon + 1))) {
            row.any = row.any || allowed == "*";
            row.allowed.insert(allowed);
        }
        if (row.any && row.allowed.size() > 1) {
            throw std::runtime_error(where + "\"*\" stands alone");
        }
        if (row.any) {
            row.allowed.clear();
        }
    }
    for (auto const& [folder, row] : rows) {
        for (std::string const& allowed : row.allowed) {
            if (!rows.count(allowed)) {
                throw std::runtime_error(name + ":" + std::to_string(row_lines[folder]) + ": " +
                                         folder + " allows " + allowed + ", which has no row");
            }
        }
    }
    Graph allowed;
    for (auto const& [folder, row] : rows) {
        allowed[folder] = row.allowed;
    }
    std::vector<std::vector<std::string>> const cycles = cycles_of(allowed);
    if (!cycles.empty()) {
        throw std::runtime_error(name + ":" + std::to_string(row_lines[cycles[0][0]]) +
                                 ": the rows make a cycle: " + joined(cycles[0], " -> "));
    }
}

std::string LayerTable::row_of(std::string const& path) const {
    std::string inside =
        holds("include", path) ? path.substr(std::string("include/").size()) : path;
    std::string best;
    for (auto const& entry : rows) {
        if (holds(entry.first, inside) && entry.first.size() > best.size()) {
            best = entry.first;
        }
    }
    return best;
}

bool LayerTable::allows(std::string const& from, std::string const& to) const {
    Row const& row = rows.at(from);
    return from == to || row.any || row.allowed.count(to);
}

std::set<std::string> const& LayerTable::allowed(std::string const& row) const {
    return rows.at(row).allowed;
}

std::vector<std::string> LayerTable::folders() const {
    std::vector<std::string> all;
    for (auto const& entry : rows) {
        all.push_back(entry.first);
    }
    return all;
}

std::vector<SourceFile> read_sources(fs::path const& root, LayerTable const& table) {
    static std::set<std::string> const extensions = {".h", ".hpp", ".c", ".cc", ".cpp"};
    std::map<std::string, std::string> texts; // nested rows are walked twice
    for (std::string const& folder : table.folders()) {
        for (fs::path dir : {root / folder, root / "include" / folder}) {
            if (!fs::is_directory(dir)) {
                continue;
            }
            for (fs::directory_entry const& entry : fs::recursive_directory_iterator(dir)) {
                if (entry.is_regular_file() && extensions.count(entry.path().extension())) {
                    std::ifstream in(entry.path(), std::ios::binary);
                    texts[entry.path().lexically_relative(root).generic_string()] =
                        std::string(std::istreambuf_iterator<char>(in), {});
                }
            }
        }
    }
    std::vector<SourceFile> sources;
    for (auto& [path, text] : texts) {
        sources.push_back({path, std::move(text)});
    }
    return sources;
}

std::vector<std::string> include_breaches(std::vector<SourceFile> const& sources,
                                          LayerTable const& table) {
    std::vector<std::string> breaches;
    for (Include const& include : project_includes(sources, table)) {
        std::string from = table.row_of(include.file);
        if (!table.allows(from, include.row)) {
            breaches.push_back(include.file + ":" + std::to_string(include.line) + ": " +
                               include.spelled + " is in " + include.row + ", which the row of " +
                               from + " does not allow");
        }
    }
    return breaches;
}

std::vector<std::string> unused_permissions(std::vector<SourceFile> const& sources,
                                            LayerTable const& table) {
    std::set<std::pair<std::string, std::string>> used;
    for (Include const& include : project_includes(sources, table)) {
        used.emplace(table.row_of(include.file), include.row);
    }
    std::vector<std::string> unused;
    for (std::string const& row : table.folders()) {
        for (std::string const& allowed : table.allowed(row)) {
            if (!used.count({row, allowed})) {
                unused.push_back("the row of " + row + " allows " + allowed + ", but nothing in " +
                                 row + " includes it");
            }
        }
    }
    return unused;
}

std::vector<std::string> link_breaches(std::string const& links, LayerTable const& table) {
    std::istringstream lines(links);
    std::string line;
    std::vector<std::string> breaches;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields = words(line);
        if (fields.empty()) {
            continue;
        }
        if (fields.size() != 3) {
            throw std::runtime_error("malformed link line \"" + line + "\"");
        }
        std::string const &folder = fields[0], &target = fields[1], &linked = fields[2];
        std::string from = table.row_of(folder), to = table.row_of(linked);
        std::string link = folder + ": " + target + " links a target of " + linked;
        if (from.empty() || to.empty()) {
            breaches.push_back(link + ", but " + (from.empty() ? folder : linked) + " has no row");
        } else if (!table.allows(from, to)) {
            breaches.push_back(link + ", which the row of " + from + " does not allow");
        }
    }
    return breaches;
}

std::vector<std::string> include_cycles(std::vector<SourceFile> const& sources,
                                        LayerTable const& table) {
    Graph graph;
    std::map<std::pair<std::string, std::string>, std::string> first; // an include per edge
    for (Include const& include : project_includes(sources, table)) {
        std::string from = table.row_of(include.file);
        if (from != include.row) {
            graph[from].insert(include.row);
            first.emplace(std::make_pair(from, include.row), include.file + ":" +
                                                                 std::to_string(include.line) +
                                                                 " includes " + include.spelled);
        }
    }
    std::vector<std::string> found;
    for (std::vector<std::string> const& cycle : cycles_of(graph)) {
        std::vector<std::string> witnesses;
        for (size_t i = 0; i + 1 < cycle.size(); i++) {
            witnesses.push_back(first.at({cycle[i], cycle[i + 1]}));
        }
        found.push_back("a cycle between folders: " + joined(cycle, " -> ") + " (" +
                        joined(witnesses, "; ") + ")");
    }
    return found;
}
