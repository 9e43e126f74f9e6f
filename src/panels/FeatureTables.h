#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

// The fixed vocabulary of the simple property panel: which camera features it
// never shows, the group and role of every feature it knows (in both naming
// styles of the cameras), the page of each group, and the orders of roles and
// pages. Built once on first use, never changed; safe to read from any thread.
// Every comparison is exact and case-sensitive.

namespace VSXUtil {

// One record of the feature table. The feature name views a static text.
struct FeatureRoleEntry {
    std::string_view feature;
    std::string group;
    std::string role;
};

struct GroupRole {
    std::string group;
    std::string role;
};

// Feature name to its group and role. The keys view the names of the records
// the map was built from, which must outlive it.
using FeatureRoleMap = std::map<std::string_view, GroupRole, std::less<>>;

// The 152 records, in table order.
const std::vector<FeatureRoleEntry>& feature_role_table();
// The 73 names the panel never shows.
const std::vector<std::string_view>& skipped_features();
// Group key to page name (24 pairs).
const std::map<std::string, std::string, std::less<>>& group_page_table();
// Group key to the order of its roles (2 groups).
const std::map<std::string, std::vector<std::string>, std::less<>>& group_role_order();
// The 9 page names, first to last.
const std::vector<std::string>& page_order();

// Turns records into the lookup map; a name in several records keeps its first.
FeatureRoleMap build_feature_role_map(const std::vector<FeatureRoleEntry>& rows);
// The map of feature_role_table(), built once.
const FeatureRoleMap& feature_role_map();

// ---- lookups
bool is_skipped_feature(std::string_view name);
// Null when the table has no record of the name.
const GroupRole* feature_group_role(std::string_view name);
// Null when the group has no page of its own.
const std::string* group_page(std::string_view group);
// Null when the group has no role order.
const std::vector<std::string>* group_roles_in_order(std::string_view group);

} // namespace VSXUtil
