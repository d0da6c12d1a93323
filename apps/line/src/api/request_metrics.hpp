#pragma once
// How long this server took to answer, per route: a Prometheus histogram.
// It is about this process only (each server of a line is scraped on its
// own); the line's data all stays in the store.
#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace plx71::line {

class RequestMetrics {
public:
    void observe(const std::string& route, int status, double seconds);
    // The histogram lines, # HELP and # TYPE included.
    std::string text();

private:
    static constexpr std::array<double, 10> kBounds{0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 1, 5};
    struct Histogram {
        std::array<std::uint64_t, kBounds.size()> buckets{};
        std::uint64_t count = 0;
        double sum = 0;
    };
    std::mutex mutex_;
    std::map<std::pair<std::string, std::string>, Histogram> routes_; // (route, status class)
};

// A Prometheus label value with \, " and newline escaped.
std::string promLabel(const std::string& value);

} // namespace plx71::line
