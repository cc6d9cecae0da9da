#pragma once

#include <string>
#include <vector>

// A file of the page, built into the program so that nothing is fetched or
// looked up at run time.
struct PageAsset {
    std::string path; // "/", "/panel.js", ...
    std::string content;
    std::string mime;
};

std::vector<PageAsset> const& page_assets();
