#pragma once
// What a token may do. Ordered: a role may do all a lower one may.
//   viewer: read the API and the page; station: also ship records;
//   engineer: also release jobs.
#include <optional>
#include <string_view>

namespace plx71::line {

enum class Role { Viewer = 1, Station = 2, Engineer = 3 };

constexpr std::string_view roleName(Role role)
{
    switch (role) {
    case Role::Viewer:
        return "viewer";
    case Role::Station:
        return "station";
    case Role::Engineer:
        return "engineer";
    }
    return "viewer";
}

constexpr std::optional<Role> roleFromName(std::string_view name)
{
    for (Role r : {Role::Viewer, Role::Station, Role::Engineer}) {
        if (roleName(r) == name)
            return r;
    }
    return std::nullopt;
}

} // namespace plx71::line
