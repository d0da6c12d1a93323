#include "api/metrics_route.hpp"

namespace plx71::line {

std::string metricsText(JobStore& store, RequestMetrics& requests)
{
    std::string out = "# HELP plx71line_jobs_total Jobs the line's record holds, by station and outcome class.\n"
                      "# TYPE plx71line_jobs_total counter\n";
    for (const JobCount& c : store.jobCounts())
        out += "plx71line_jobs_total{station=\"" + promLabel(c.station) + "\",outcome=\"" + promLabel(c.outcome)
            + "\"} " + std::to_string(c.jobs) + "\n";
    out += "# HELP plx71line_station_backlog Record lines a station last reported still waiting to be shipped.\n"
           "# TYPE plx71line_station_backlog gauge\n";
    for (const StationRow& s : store.stations()) {
        if (s.backlog)
            out +=
                "plx71line_station_backlog{station=\"" + promLabel(s.name) + "\"} " + std::to_string(*s.backlog) + "\n";
    }
    return out + requests.text();
}

void getMetrics(const httplib::Request&, httplib::Response& res, RouteContext& ctx)
{
    res.status = 200;
    res.set_content(metricsText(ctx.store, ctx.requests), "text/plain; version=0.0.4");
}

} // namespace plx71::line
