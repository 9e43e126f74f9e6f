// The panel's fixed vocabulary: name lookups and the shape of the five tables.

#include "panels/FeatureTables.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <set>

using namespace VSXUtil;

namespace {

struct Lookup {
    const char* name;
    bool skipped;
    std::optional<GroupRole> place;
};

} // namespace

TEST(PanelTables, NamesAreLookedUpExactly)
{
    const Lookup cases[] = {
        // a record and still never shown
        {"ExposureAutoLowerLimit", true, GroupRole{"Exposure", "AutoMinValue"}},
        // skipped before the record lookup, and without a record
        {"Width", true, std::nullopt},
        // both spellings of one feature, but not other letter cases
        {"BlackLevel", false, GroupRole{"BlackLevel", "Value"}},
        {"Blacklevel", false, GroupRole{"BlackLevel", "Value"}},
        {"blacklevel", false, std::nullopt},
        {"ToneMappingIntensity", false, GroupRole{"ToneMapping", "ToneMappingIntensity"}},
        {"TonemappingIntensity", false, GroupRole{"ToneMapping", "ToneMappingIntensity"}},
        {"ToneMappingGlobalBrightness", false, GroupRole{"ToneMapping", "ToneMappingContrast"}},
        // a name with a blank in it
        {"Full Sensor", true, GroupRole{"AutoRoi", "AutoRoiFullSensor"}},
        {"FullSensor", false, std::nullopt},
        // both naming styles
        {"WhiteBalance_White_Balance_Red", false, GroupRole{"WhiteBalance", "WhiteBalanceRed"}},
        {"BalanceWhiteAuto", false, GroupRole{"WhiteBalance", "Auto"}},
        {"Exposure_Auto", false, GroupRole{"Exposure", "Auto"}},
        {"Exposure_Auto_Max_Value", false, GroupRole{"Exposure", "AutoMaxValue"}},
        {"BalanceWhiteTemperaturePreset", true, GroupRole{"WhiteBalance", "Auto_TemperaturePreset"}},
        {"", false, std::nullopt},
    };
    for (const Lookup& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(is_skipped_feature(c.name), c.skipped);
        const GroupRole* place = feature_group_role(c.name);
        ASSERT_EQ(place != nullptr, c.place.has_value());
        if (place) {
            EXPECT_EQ(place->group, c.place->group);
            EXPECT_EQ(place->role, c.place->role);
        }
    }

    ASSERT_NE(group_page("Gain"), nullptr);
    EXPECT_EQ(*group_page("Gain"), "Exposure");
    EXPECT_EQ(group_page("Zoom"), nullptr); // its camera category names the page
    EXPECT_EQ(group_page("gain"), nullptr);
    ASSERT_NE(group_roles_in_order("TriggerMode"), nullptr);
    EXPECT_EQ(*group_roles_in_order("TriggerMode"),
              (std::vector<std::string>{"TriggerMode", "SoftwareTrigger"}));
    EXPECT_EQ(group_roles_in_order("Exposure"), nullptr);
}

// Typing errors in the tables show as broken counts and links between them.
TEST(PanelTables, TablesHoldTheirRecordsAndAgreeWithEachOther)
{
    const auto& records = feature_role_table();
    ASSERT_EQ(records.size(), 152u);
    EXPECT_EQ(feature_role_map().size(), 152u); // every feature name once
    ASSERT_EQ(skipped_features().size(), 73u);
    EXPECT_EQ(std::set<std::string_view>(skipped_features().begin(), skipped_features().end()).size(), 73u);
    EXPECT_EQ(group_page_table().size(), 24u);
    EXPECT_EQ(group_role_order().size(), 2u);

    std::set<std::string> groups;
    std::set<std::pair<std::string, std::string>> pairs;
    for (const FeatureRoleEntry& record : records) {
        groups.insert(record.group);
        pairs.emplace(record.group, record.role);
    }
    EXPECT_EQ(groups.size(), 32u);
    EXPECT_EQ(pairs.size(), 121u);
    const auto withRecord = std::count_if(skipped_features().begin(), skipped_features().end(),
                                          [](std::string_view name) { return feature_group_role(name); });
    EXPECT_EQ(withRecord, 55);

    std::set<std::string> withoutPage;
    for (const std::string& group : groups)
        if (!group_page(group))
            withoutPage.insert(group);
    EXPECT_EQ(withoutPage,
              (std::set<std::string>{"Focus", "Iris", "Zoom", "IRCutFilter", "AutoRoi", "ToneMapping",
                                     "ClaimBalanceWhiteSoftware", "ClaimHDRGain"}));
    const auto& pages = page_order();
    EXPECT_EQ(pages, (std::vector<std::string>{"Exposure", "Color", "Image", "White Balance", "Color Matrix",
                                               "Multi-Frame Output", "Lens", "IO", "Partial Scan"}));
    for (const auto& [group, page] : group_page_table()) {
        EXPECT_TRUE(groups.count(group)) << group;
        EXPECT_NE(std::find(pages.begin(), pages.end(), page), pages.end()) << page;
    }
    for (const auto& [group, roles] : group_role_order())
        for (const std::string& role : roles)
            EXPECT_TRUE(pairs.count({group, role})) << group << "/" << role;
}

TEST(PanelTables, AFeatureNamedTwiceKeepsItsFirstRecord)
{
    const std::vector<FeatureRoleEntry> rows = {
        {"Gain", "Gain", "Value"}, {"Gain", "Other", "Auto"}, {"GainAuto", "Gain", "Auto"}};
    const FeatureRoleMap map = build_feature_role_map(rows);
    ASSERT_EQ(map.size(), 2u);
    EXPECT_EQ(map.at("Gain").group, "Gain");
    EXPECT_EQ(map.at("Gain").role, "Value");
}
