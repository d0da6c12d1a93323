#include "api/records_route.hpp"

#include "api/batch_body.hpp"
#include "store/iso_time.hpp"

namespace plx71::line {

void postRecords(const httplib::Request& req, httplib::Response& res, RouteContext& ctx)
{
    auto parsed = parseBatchBody(req.body);
    if (auto* why = std::get_if<std::string>(&parsed)) {
        replyError(res, 400, *why);
        return;
    }
    RecordBatch& batch = std::get<RecordBatch>(parsed);
    if (batch.station.empty())
        batch.station = ctx.caller.name;
    batch.received = unixNow();
    const BatchResult stored = ctx.store.add(batch);
    replyJson(res, 200, nlohmann::ordered_json{{"stored", stored.stored}, {"duplicates", stored.duplicates}});
}

} // namespace plx71::line
