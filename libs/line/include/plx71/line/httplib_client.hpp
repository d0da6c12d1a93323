#pragma once
// The cpp-httplib client (library plx71_line_httplib), for programs that link
// cpp-httplib anyway: the line server, the station, the tests.
#include "plx71/line/http_client.hpp"

#include <memory>

namespace plx71::line {

std::unique_ptr<HttpClient> httplibClient();

} // namespace plx71::line
