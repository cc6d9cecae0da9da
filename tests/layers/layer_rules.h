#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

// Which folders the files of each folder may include and its targets may
// link, read from rows "<folder>: <folder> ..." ('#' starts a comment, "*"
// allows any folder). A path belongs to the row of the longest folder that
// holds it; headers under include/<folder>/ belong to <folder>.
class LayerTable {
public:
    // `name` is used in messages; a malformed row, or rows that allow each
    // other round a cycle, throw std::runtime_error naming the line.
    LayerTable(std::string const& text, std::string const& name);

    // The row a path relative to the source root belongs to; empty for none.
    std::string row_of(std::string const& path) const;
    bool allows(std::string const& from, std::string const& to) const;
    // The folders a row names, "*" rows excepted.
    std::set<std::string> const& allowed(std::string const& row) const;
    std::vector<std::string> folders() const;

private:
    struct Row {
        bool any = false;
        std::set<std::string> allowed;
    };
    std::map<std::string, Row> rows;
};

// A source file: its path relative to the source root, and its text.
struct SourceFile {
    std::string path;
    std::string text;
};

// The sources of every folder of the table, include/<folder> too.
std::vector<SourceFile> read_sources(std::filesystem::path const& root, LayerTable const& table);

// One line per #include of a folder of the table that the including file's
// row does not allow: "<file>:<line>: ...".
std::vector<std::string> include_breaches(std::vector<SourceFile> const& sources,
                                          LayerTable const& table);

// One line per cycle of folders including each other, "*" rows too, naming
// an include that makes each step.
std::vector<std::string> include_cycles(std::vector<SourceFile> const& sources,
                                        LayerTable const& table);

// One line per folder a row allows that none of its files includes.
std::vector<std::string> unused_permissions(std::vector<SourceFile> const& sources,
                                            LayerTable const& table);

// `links` holds lines "<folder> <target> <linked folder>", one per project
// target that a target links; one line per link the table does not allow.
std::vector<std::string> link_breaches(std::string const& links, LayerTable const& table);
