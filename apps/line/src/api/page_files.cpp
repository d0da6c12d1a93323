#include "api/page_files.hpp"

#include "plx71/devices/table_lookup.hpp"
#include "plx71/files/regular_file.hpp"

#include <httplib.h>

#include <memory>

namespace plx71::line {

namespace {

struct Known {
    const char* name;
    const char* type;
};
constexpr Known kFiles[] = {
    {"index.html", "text/html; charset=utf-8"},
    {"app.js", "text/javascript; charset=utf-8"},
    {"style.css", "text/css; charset=utf-8"},
    {"chart.min.js", "text/javascript; charset=utf-8"},
};

// Scripts and styles from this server only, no frames, no plugins: a label
// that slipped into the page as markup still could not run anything.
constexpr const char* kPolicy = "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:;"
                                " connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

// The largest page file (the chart script) is some 200 KiB.
constexpr std::size_t kMaxPageFileBytes = 16 * 1024 * 1024;

bool readFile(const std::filesystem::path& path, std::string& out)
{
    FileRead file = readRegularFile(path, kMaxPageFileBytes);
    if (file.status != FileStatus::Ok || file.truncated)
        return false;
    out = std::move(file.bytes);
    return true;
}

void setHeaders(httplib::Response& res)
{
    res.set_header("Content-Security-Policy", kPolicy);
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("Referrer-Policy", "no-referrer");
    res.set_header("Cache-Control", "no-cache");
}

} // namespace

std::vector<std::filesystem::path> webFolderCandidates(const std::filesystem::path& executable)
{
    const std::filesystem::path folder = executable.parent_path();
    return {folder / "web", (folder / kInstalledDataFolder / "web").lexically_normal()};
}

PageFiles loadPageFiles(const std::vector<std::filesystem::path>& candidates)
{
    PageFiles page;
    for (const auto& folder : candidates) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(folder / "index.html", ec))
            continue;
        page.folder = folder;
        for (const Known& k : kFiles) {
            PageFile file{k.type, {}};
            if (!readFile(folder / k.name, file.body)) {
                page.error = "the page's file " + (folder / k.name).string() + " cannot be read";
                return page;
            }
            page.files[k.name] = std::move(file);
        }
        return page;
    }
    page.error = "the page's files are not installed (looked for index.html in";
    for (const auto& folder : candidates)
        page.error += " " + folder.string();
    page.error += ")";
    return page;
}

void addPageRoutes(httplib::Server& http, const PageFiles& page)
{
    auto shared = std::make_shared<const PageFiles>(page);
    auto serve = [shared](const std::string& name) {
        return [shared, name](const httplib::Request&, httplib::Response& res) {
            const auto it = shared->files.find(name);
            if (it == shared->files.end()) {
                res.status = 404;
                res.set_content("plx71line: " + shared->error + "\n", "text/plain; charset=utf-8");
                return;
            }
            setHeaders(res);
            res.set_content(it->second.body, it->second.type);
        };
    };
    http.Get("/", serve("index.html"));
    for (const Known& k : kFiles) {
        std::string pattern = std::string("/") + k.name; // a pattern: its dot stands for a dot
        pattern.insert(pattern.find('.'), "\\");
        http.Get(pattern, serve(k.name));
    }
}

} // namespace plx71::line
