#pragma once
// The line's page: index.html, app.js, style.css and Chart.js, read once
// from the web folder installed with plx71line and served at / with no
// token (they hold no data; the page asks the API with its token).
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace httplib {
class Server;
}

namespace plx71::line {

struct PageFile {
    std::string type; // Content-Type
    std::string body;
};

struct PageFiles {
    std::filesystem::path folder;
    std::map<std::string, PageFile> files; // by name ("index.html")
    std::string error;                     // why the page cannot be served; empty when it can
};

// Where the web folder is looked for, in order: "web" beside the program
// (a build folder, the Windows zip), then <prefix>/share/plx71/web for an
// installed program (found from the program's own folder, as the device
// table is).
std::vector<std::filesystem::path> webFolderCandidates(const std::filesystem::path& executable);
// The page's files from the first candidate that holds index.html.
PageFiles loadPageFiles(const std::vector<std::filesystem::path>& candidates);

// GET / and the page's files; without the files, / says where they were looked for.
void addPageRoutes(httplib::Server& http, const PageFiles& page);

} // namespace plx71::line
