// Features a configuration adds to a camera ("add"), and the descriptions and
// increments of the built-in features.
#include "SimFixture.h"

#include <algorithm>

using namespace simtest;

namespace {

class AddedFeatures : public SimTest {
protected:
    std::vector<std::string> children(vsx_propmap* m, const char* category)
    {
        vsx_prop* c = nullptr;
        if (!vsx_propmap_find_category(m, category, &c))
            return {};
        Prop owned(c);
        vsx_proplist* list = nullptr;
        if (!vsx_prop_category_get_features(c, &list))
            return {};
        List ownedList(list);
        return list_names(list);
    }

    std::vector<std::string> entry_texts(vsx_prop* p, const char* (*text)(vsx_prop*))
    {
        vsx_proplist* list = nullptr;
        std::vector<std::string> out;
        if (!vsx_prop_enum_get_entries(p, &list))
            return out;
        List owned(list);
        size_t n = 0;
        vsx_proplist_size(list, &n);
        for (size_t i = 0; i < n; ++i) {
            vsx_prop* e = nullptr;
            vsx_proplist_at(list, i, &e);
            out.emplace_back(text(e));
            vsx_prop_unref(e);
        }
        return out;
    }
};

const char* kFixture = R"json({"cameras": [{"id": "fixture", "template": "usb-color", "serial": "41000071",
  "add": [
    {"name": "ExposureTime", "kind": "Float", "category": "AcquisitionControl", "min": 100, "max": 1000000,
     "increment": 1, "value": 5000, "unit": "us", "representation": 1,
     "description": "Exposure of the fixture."},
    {"name": "LensZoom", "kind": "integer", "category": "Lens/LensControl", "min": 0, "max": 40, "increment": 2,
     "value": 4, "representation": 3, "visibility": 1, "displayName": "Lens Zoom"},
    {"name": "IrisMode", "kind": "Enumeration", "category": ["Lens", "LensControl"],
     "entries": ["Off", {"name": "Cont", "displayName": "Continuous", "description": "Keeps adjusting.", "value": 7}],
     "value": "Cont"},
    {"name": "Locked", "kind": "Boolean", "readOnly": true, "value": true},
    {"name": "Hidden", "kind": "String", "available": false, "maxLength": 8},
    {"name": "Binned", "kind": "Integer", "incrementMode": 1, "validValues": [1, 2, 4], "min": 1, "max": 4,
     "value": 2},
    {"name": "Go", "kind": "Command", "category": "Lens"}
  ],
  "features": {"LensZoom": 6}}]})json";

} // namespace

TEST_F(AddedFeatures, AddedFeaturesTakeTheirPlaceRangeEntriesAndTexts)
{
    start("", "fast", kFixture);
    Grabber g = open("41000071");
    Map m = device_map(g.get());

    // Placed along their category paths; a replaced feature moves and stays unique.
    const auto root = children(m.get(), "Root");
    EXPECT_EQ(std::vector<std::string>(root.end() - 4, root.end()),
              (std::vector<std::string>{"Lens", "Locked", "Hidden", "Binned"}));
    EXPECT_EQ(children(m.get(), "Lens"), (std::vector<std::string>{"LensControl", "Go"}));
    EXPECT_EQ(children(m.get(), "LensControl"), (std::vector<std::string>{"LensZoom", "IrisMode"}));
    EXPECT_EQ(children(m.get(), "AcquisitionControl").back(), "ExposureTime");
    vsx_proplist* all = nullptr;
    ASSERT_TRUE(vsx_propmap_get_all(m.get(), &all));
    List ownedAll(all);
    const auto names = list_names(all);
    EXPECT_EQ(std::count(names.begin(), names.end(), "ExposureTime"), 1);

    Prop exposure = find(m.get(), "ExposureTime");
    double min = 0, max = 0, inc = 0;
    vsx_prop_float_get_min(exposure.get(), &min);
    vsx_prop_float_get_max(exposure.get(), &max);
    vsx_prop_float_get_inc(exposure.get(), &inc);
    EXPECT_EQ(min, 100.0);
    EXPECT_EQ(max, 1e6);
    EXPECT_EQ(inc, 1.0);
    EXPECT_EQ(vsx_prop_float_get_inc_mode(exposure.get()), 0);
    EXPECT_EQ(vsx_prop_float_get_representation(exposure.get()), 1);
    EXPECT_STREQ(vsx_prop_float_get_unit(exposure.get()), "us");
    EXPECT_STREQ(vsx_prop_get_description(exposure.get()), "Exposure of the fixture.");
    EXPECT_EQ(get_text(m.get(), "ExposureTime"), "5000");

    Prop zoom = find(m.get(), "LensZoom");
    EXPECT_EQ(get_int(m.get(), "LensZoom"), 6); // the camera's "features" win over "value"
    int64_t step = 0;
    vsx_prop_integer_get_inc(zoom.get(), &step);
    EXPECT_EQ(step, 2);
    EXPECT_EQ(vsx_prop_integer_get_representation(zoom.get()), 3);
    EXPECT_EQ(vsx_prop_get_visibility(zoom.get()), 1);
    EXPECT_STREQ(vsx_prop_get_display_name(zoom.get()), "Lens Zoom");
    EXPECT_STREQ(vsx_prop_get_description(zoom.get()), "");

    Prop iris = find(m.get(), "IrisMode");
    EXPECT_EQ(entry_texts(iris.get(), vsx_prop_get_display_name),
              (std::vector<std::string>{"Off", "Continuous"}));
    EXPECT_EQ(entry_texts(iris.get(), vsx_prop_get_description),
              (std::vector<std::string>{"", "Keeps adjusting."}));
    EXPECT_EQ(get_text(m.get(), "IrisMode"), "Cont");
    int64_t entryValue = 0;
    EXPECT_TRUE(vsx_prop_enum_get_int_value(iris.get(), &entryValue));
    EXPECT_EQ(entryValue, 7);

    Prop locked = find(m.get(), "Locked");
    EXPECT_TRUE(vsx_prop_is_readonly(locked.get()));
    EXPECT_EQ(get_text(m.get(), "Locked"), "true");
    EXPECT_FALSE(vsx_prop_boolean_set_value(locked.get(), false));
    Prop hidden = find(m.get(), "Hidden");
    EXPECT_FALSE(vsx_prop_is_available(hidden.get()));
    Prop binned = find(m.get(), "Binned");
    EXPECT_EQ(vsx_prop_integer_get_inc_mode(binned.get()), 1);
    EXPECT_FALSE(vsx_prop_integer_set_value(binned.get(), 3));
    EXPECT_TRUE(vsx_prop_integer_set_value(binned.get(), 4));
    Prop go = find(m.get(), "Go");
    EXPECT_TRUE(vsx_prop_command_execute(go.get()));
}

TEST_F(AddedFeatures, BadEntriesAreSkippedAndTheRestIsKept)
{
    start("", "fast", R"json({"cameras": [
      {"template": "usb-color", "serial": "41000072", "add": [
        5,
        {"kind": "Integer"},
        {"name": "A", "kind": "Quaternion"},
        {"name": "B", "kind": "Integer", "min": 5, "max": 1},
        {"name": "C", "kind": "Enumeration", "entries": []},
        {"name": "D", "kind": "Integer", "category": "ExposureTime/Sub"},
        {"name": "E", "kind": "Float", "category": 7},
        {"name": "AcquisitionControl", "kind": "Integer"},
        {"name": "F", "kind": "Integer", "representation": 9, "visibility": "high", "min": 0, "max": 9, "value": 3},
        {"name": "G", "kind": "Enumeration", "entries": ["X", "X", {"displayName": "nameless"}]}
      ]},
      {"template": "analog", "add": {"not": "a list"}}]})json");
    Grabber g = open("41000072");
    Map m = device_map(g.get());
    for (const char* name : {"A", "B", "C", "D", "E", "Sub"}) {
        vsx_prop* p = nullptr;
        EXPECT_FALSE(vsx_propmap_find(m.get(), name, &p)) << name;
    }
    vsx_prop* category = nullptr;
    EXPECT_TRUE(vsx_propmap_find_category(m.get(), "AcquisitionControl", &category));
    Prop ownedCategory(category);

    Prop f = find(m.get(), "F");
    EXPECT_EQ(vsx_prop_integer_get_representation(f.get()), 0);
    EXPECT_EQ(vsx_prop_get_visibility(f.get()), 0);
    EXPECT_EQ(get_int(m.get(), "F"), 3);
    Prop e = find(m.get(), "G");
    EXPECT_EQ(entry_texts(e.get(), vsx_prop_get_name), (std::vector<std::string>{"X"}));

    Grabber analog = open("63000005");
    EXPECT_TRUE(analog);
}

TEST_F(AddedFeatures, BuiltInFeaturesDescribeThemselves)
{
    start("usb-color,analog");
    Grabber colour = open("41000001");
    Map m = device_map(colour.get());
    Prop exposure = find(m.get(), "ExposureTime");
    EXPECT_STREQ(vsx_prop_get_description(exposure.get()), "Time the sensor collects light for one frame.");
    Prop pattern = find(m.get(), "TestPattern");
    EXPECT_STREQ(vsx_prop_get_description(pattern.get()), ""); // some have none
    Prop selector = find(m.get(), "BalanceRatioSelector");
    EXPECT_EQ(entry_texts(selector.get(), vsx_prop_get_description),
              (std::vector<std::string>{"White-balance ratio of the red channel.",
                                        "White-balance ratio of the green channel.",
                                        "White-balance ratio of the blue channel."}));

    // The analogue camera's exposure moves in whole microseconds.
    Grabber analog = open("63000005");
    Map a = device_map(analog.get());
    Prop analogExposure = find(a.get(), "Exposure");
    EXPECT_STREQ(vsx_prop_get_description(analogExposure.get()),
                 "Time the sensor collects light for one frame.");
    EXPECT_EQ(vsx_prop_float_get_inc_mode(analogExposure.get()), 0);
    double inc = 0;
    vsx_prop_float_get_inc(analogExposure.get(), &inc);
    EXPECT_EQ(inc, 1.0);
    ASSERT_TRUE(vsx_prop_float_set_value(analogExposure.get(), 12345.4));
    EXPECT_EQ(get_text(a.get(), "Exposure"), "12345");
}

TEST_F(AddedFeatures, FloatsTakeNotationPrecisionAndAnyRepresentationCode)
{
    start("", "fast", R"json({"cameras": [{"template": "usb-color", "serial": "41000073", "add": [
      {"name": "Plain", "kind": "Float", "min": 0, "max": 1000, "value": 345.6, "notation": 1, "precision": 4,
       "representation": 5},
      {"name": "Defaults", "kind": "Float"},
      {"name": "Bad", "kind": "Float", "notation": 3, "precision": 18, "representation": 7}]}]})json");
    Grabber g = open("41000073");
    Map m = device_map(g.get());
    struct Case {
        const char* name;
        int notation, precision, representation;
    } const cases[] = {{"Plain", 1, 4, 5}, {"Defaults", 0, 2, 0}, {"Bad", 0, 2, 0}};
    for (const Case& c : cases) {
        Prop p = find(m.get(), c.name);
        EXPECT_EQ(vsx_prop_float_get_display_notation(p.get()), c.notation) << c.name;
        EXPECT_EQ(vsx_prop_float_get_display_precision(p.get()), c.precision) << c.name;
        EXPECT_EQ(vsx_prop_float_get_representation(p.get()), c.representation) << c.name;
    }
}
