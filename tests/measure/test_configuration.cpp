// Magnifications and microscopes in their JSON form: defaults, the values a
// file may hold, and the ones that must fail.

#include "measure/Configuration.h"
#include "measure/Microscope.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using Measure::Configuration;
using Measure::Microscope;
using nlohmann::json;

TEST(MeasureConfiguration, DefaultsAndClampingSetters)
{
    Configuration c(L"10x");
    EXPECT_EQ(c.name(), L"10x");
    EXPECT_EQ(c.dotsPerUnit(), 100.0f);
    EXPECT_EQ(c.unitName(), L"cm");
    EXPECT_EQ(c.unit(), 0) << "\"cm\" is no unit name and reads as Centimeter";
    EXPECT_EQ(c.decimalPlanes(), 2);
    // Parameter order in the container, as the dialog lists them.
    const auto parameters = c.parameters();
    ASSERT_EQ(parameters.size(), 4u);
    EXPECT_EQ(parameters[0]->name(), L"Name");
    EXPECT_EQ(parameters[1]->name(), L"DotsPerUnit");
    EXPECT_EQ(parameters[2]->name(), L"Unit");
    EXPECT_EQ(parameters[3]->name(), L"Decimal Planes");

    c.decimalPlanesParameter->setValue(9);
    EXPECT_EQ(c.decimalPlanes(), 6);
    c.dotsPerUnitParameter->setValue(0.0);
    EXPECT_GT(c.dotsPerUnit(), 0.0f);

    json out;
    Configuration(L"1x").toJson(out);
    EXPECT_EQ(out.dump(), R"({"decimal-planes":2,"dots-per-unit":100.0,"name":"1x","unit":"cm"})");
}

TEST(MeasureConfiguration, FileValues)
{
    struct Case {
        const char* text;
        float dots;
        int decimals;
        const wchar_t* unit;
    };
    const Case cases[] = {
        {R"({"name":"a","dots-per-unit":12,"unit":"Millimeter","decimal-planes":3})", 12.0f, 3,
         L"Millimeter"},
        {R"({"name":"a","dots-per-unit":0.1,"unit":"Inch","decimal-planes":2.9})", 0.1f, 2, L"Inch"},
        {R"({"name":"a","dots-per-unit":5,"unit":"Yard","decimal-planes":9})", 5.0f, 6, L"Yard"},
        {R"({"name":"a","dots-per-unit":5,"unit":"Yard","decimal-planes":-3})", 5.0f, 0, L"Yard"},
        {R"({"name":"a","dots-per-unit":5,"unit":"Yard","decimal-planes":1e300})", 5.0f, 6, L"Yard"},
    };
    for (const Case& c : cases) {
        const auto m = Configuration::fromJson(json::parse(c.text));
        EXPECT_EQ(m->dotsPerUnit(), c.dots) << c.text;
        EXPECT_EQ(m->decimalPlanes(), c.decimals) << c.text;
        EXPECT_EQ(m->decimalPlanesParameter->defaultValue(), c.decimals) << c.text;
        EXPECT_EQ(m->unitName(), c.unit) << c.text;
    }
    // A single-precision value is written as its double.
    json out;
    Configuration::fromJson(json::parse(cases[1].text))->toJson(out);
    EXPECT_EQ(out["dots-per-unit"].dump(), "0.10000000149011612");
}

TEST(MeasureConfiguration, BadMagnificationsThrow)
{
    const char* cases[] = {
        R"({"name":"a","dots-per-unit":0,"unit":"Inch","decimal-planes":2})",
        R"({"name":"a","dots-per-unit":-4,"unit":"Inch","decimal-planes":2})",
        R"({"name":"a","dots-per-unit":1e39,"unit":"Inch","decimal-planes":2})",
        R"({"name":"a","dots-per-unit":1e-300,"unit":"Inch","decimal-planes":2})",
        R"({"name":"a","dots-per-unit":"100","unit":"Inch","decimal-planes":2})",
        R"({"name":"a","dots-per-unit":true,"unit":"Inch","decimal-planes":2})",
        R"({"name":1,"dots-per-unit":10,"unit":"Inch","decimal-planes":2})",
        R"({"name":"a","dots-per-unit":10,"decimal-planes":2})",
        R"({"name":"a","dots-per-unit":10,"unit":"Inch","decimal-planes":"2"})",
        R"([1, 2])",
    };
    for (const char* text : cases)
        EXPECT_THROW(Configuration::fromJson(json::parse(text)), std::exception) << text;
}

TEST(MeasureMicroscope, SelectionAndFailures)
{
    Microscope fresh(L"Scope");
    ASSERT_EQ(fresh.magnifications().size(), 1u);
    EXPECT_EQ(fresh.selected(), fresh.magnifications()[0]);
    EXPECT_EQ(fresh.selected()->name(), L"1x");

    const char* m = R"({"name":"%s","dots-per-unit":10,"unit":"Inch","decimal-planes":2})";
    const auto mag = [&](const char* name) {
        std::string s = m;
        return s.replace(s.find("%s"), 2, name);
    };
    const auto scope =
        Microscope::fromJson(json::parse(R"({"name":"S","selected-magnification":"b","magnifications":[)" +
                                         mag("a") + "," + mag("b") + "," + mag("b") + "]}"));
    ASSERT_EQ(scope->magnifications().size(), 3u);
    EXPECT_EQ(scope->selected(), scope->magnifications()[2]) << "the last of the name wins";

    const auto unnamed =
        Microscope::fromJson(json::parse(R"({"name":"S","selected-magnification":"zz","magnifications":[)" +
                                         mag("a") + "," + mag("b") + "]}"));
    EXPECT_EQ(unnamed->selected(), unnamed->magnifications()[0]) << "none bears the name: the first";

    // Removing keeps the order and the selection.
    scope->removeMagnification(L"b");
    ASSERT_EQ(scope->magnifications().size(), 2u);
    EXPECT_EQ(scope->magnifications()[0]->name(), L"a");
    EXPECT_EQ(scope->selected()->name(), L"b");

    const std::string failing[] = {
        R"({"name":"S","selected-magnification":"a","magnifications":[]})",
        R"({"name":"S","selected-magnification":"a"})",
        R"({"name":"S","magnifications":[)" + mag("a") + "]}",
        R"({"selected-magnification":"a","magnifications":[)" + mag("a") + "]}",
        R"({"name":"S","selected-magnification":"a","magnifications":{"x":1}})",
    };
    for (const std::string& text : failing)
        EXPECT_THROW(Microscope::fromJson(json::parse(text)), std::exception) << text;
    try {
        Microscope::fromJson(json::parse(failing[0]));
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "magnifications array length is zero.");
    }
}
