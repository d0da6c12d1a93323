#include "api/request_metrics.hpp"

#include <cstdio>

namespace plx71::line {

std::string promLabel(const std::string& value)
{
    std::string out;
    for (char c : value) {
        if (c == '\\' || c == '"')
            out += '\\', out += c;
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

void RequestMetrics::observe(const std::string& route, int status, double seconds)
{
    std::lock_guard lock(mutex_);
    Histogram& h = routes_[{route, std::to_string(status / 100) + "xx"}];
    for (std::size_t i = 0; i < kBounds.size(); ++i) {
        if (seconds <= kBounds[i])
            ++h.buckets[i];
    }
    ++h.count;
    h.sum += seconds;
}

std::string RequestMetrics::text()
{
    std::string out = "# HELP plx71line_request_duration_seconds Time this server took to answer, by route.\n"
                      "# TYPE plx71line_request_duration_seconds histogram\n";
    std::lock_guard lock(mutex_);
    char number[64];
    for (const auto& [key, h] : routes_) {
        const std::string labels = "route=\"" + promLabel(key.first) + "\",code=\"" + key.second + "\"";
        for (std::size_t i = 0; i < kBounds.size(); ++i) {
            std::snprintf(number, sizeof number, "%g", kBounds[i]);
            out += "plx71line_request_duration_seconds_bucket{" + labels + ",le=\"" + number + "\"} "
                + std::to_string(h.buckets[i]) + "\n";
        }
        out +=
            "plx71line_request_duration_seconds_bucket{" + labels + ",le=\"+Inf\"} " + std::to_string(h.count) + "\n";
        std::snprintf(number, sizeof number, "%.6f", h.sum);
        out += "plx71line_request_duration_seconds_sum{" + labels + "} " + number + "\n";
        out += "plx71line_request_duration_seconds_count{" + labels + "} " + std::to_string(h.count) + "\n";
    }
    return out;
}

} // namespace plx71::line
