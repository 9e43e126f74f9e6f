// The objects document and file, and the CSV export: round trips, the types a
// file may hold, bad files that must change nothing, objects fitted to the
// current image, failed saves, and the exact CSV lines in any locale.

#include "FakeContext.h"
#include "WorkspaceFixture.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "measure/AngleObject.h"
#include "measure/AnnotationObject.h"
#include "measure/CalibrationObject.h"
#include "measure/CircleObject.h"
#include "measure/LineObject.h"
#include "measure/MultilineObject.h"
#include "measure/PolygonObject.h"
#include "measure/RectangleObject.h"
#include "measure/Workspace.h"
#include "support/CommaLocale.h"
#include "support/HostileFiles.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using Measure::Workspace;
using nlohmann::json;
using quorel::test::FakeCamera;
using Points = std::vector<kyrgx::Vec2<float>>;
using Vec2f = kyrgx::Vec2<float>;
using ObjectPtr = std::shared_ptr<Measure::IMeasureObject>;

namespace {

// A line whose length is negative, as no drawn line's is.
class NegativeLine : public Measure::LineObject {
public:
    using LineObject::LineObject;
    float length() const override { return -0.5f; }
};

std::string json_of(const ObjectPtr& object)
{
    json value;
    object->toJson(value);
    return value.dump();
}

// A valid element of "objects": the object's JSON with its relative points.
std::string element(const std::shared_ptr<Measure::VertexObject>& object)
{
    object->updateRelativePoints({640, 480});
    return json_of(object);
}

class WorkspaceFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        quorel::test::use_data_folder();
        quorel::test::reset_appearance();
        cameraA = quorel::test::simulated_camera(quorel::test::kCameraA);
        ASSERT_FALSE(cameraA.empty());
        camera.format = Vec2f{640, 480};
        ws = make(camera);
        dir = quorel::test::make_temp_dir("objects");
    }

    std::unique_ptr<Workspace> make(FakeCamera& cam)
    {
        auto w = std::make_unique<Workspace>(nullptr, cam.host());
        w->setDevice(cameraA);
        return w;
    }
    std::string write(const std::string& name, const std::string& text)
    {
        const auto path = dir / name;
        app::write_text_file(app::path_to_wide(path), text);
        return path.string();
    }
    std::string read(const std::string& path) { return app::read_text_file(app::utf8_to_wide(path)); }
    std::wstring wide(const std::string& name) { return app::path_to_wide(dir / name); }

    vsx::DeviceInfo cameraA;
    FakeCamera camera;
    std::unique_ptr<Workspace> ws;
    std::filesystem::path dir;
};

} // namespace

TEST_F(WorkspaceFiles, EmptyDocumentRoundTrips)
{
    EXPECT_EQ(ws->objectsToJson(), "{\n    \"objects\": []\n}");
    ASSERT_TRUE(ws->saveObjects(wide("empty.qrmo")).ok);
    EXPECT_EQ(read((dir / "empty.qrmo").string()), "{\n    \"objects\": []\n}");

    ws->addObject(std::make_shared<Measure::LineObject>(ws.get(), Points{{1, 1}, {9, 9}}));
    const int history = ws->historySize();
    ASSERT_TRUE(ws->loadObjects((dir / "empty.qrmo").string()).ok);
    EXPECT_TRUE(ws->objects().empty());
    EXPECT_EQ(ws->historySize(), history + 1) << "a load can be undone";
    ws->undo();
    EXPECT_EQ(ws->objects().size(), 1u);
}

TEST_F(WorkspaceFiles, EveryKindRoundTripsButTheCalibrationLine)
{
    const std::vector<ObjectPtr> objects = {
        std::make_shared<Measure::LineObject>(ws.get(), Points{{10, 10}, {100, 20}}),
        std::make_shared<Measure::MultilineObject>(ws.get(), Points{{10, 50}, {60, 80}, {90, 40}}),
        std::make_shared<Measure::PolygonObject>(ws.get(), Points{{200, 10}, {260, 10}, {230, 70}}),
        std::make_shared<Measure::RectangleObject>(ws.get(), Points{{300, 100}, {360, 150}}),
        std::make_shared<Measure::CircleObject>(ws.get(), Points{{400, 300}, {420, 300}}),
        std::make_shared<Measure::AngleObject>(ws.get(), Points{{500, 100}, {450, 150}, {520, 200}}),
        std::make_shared<Measure::AnnotationObject>(ws.get(), Points{{50, 400}}),
        std::make_shared<Measure::CalibrationObject>(ws.get(), Points{{10, 460}, {200, 460}}),
    };
    std::dynamic_pointer_cast<Measure::AnnotationObject>(objects[6])
        ->setText(L"Gr\u00F6\u00DFe 5 \u00B5m \u6E2C\u5B9A");
    for (const auto& o : objects)
        ws->addObject(o);
    const std::string document = ws->objectsToJson();
    EXPECT_NE(document.find("\"type\": 9"), std::string::npos) << "the calibration line is written";
    EXPECT_NE(document.find("Gr\u00F6\u00DFe"), std::string::npos) << "UTF-8, not escaped";
    ASSERT_TRUE(ws->saveObjects(wide("all.qrmo")).ok);

    FakeCamera other;
    other.format = Vec2f{640, 480};
    auto loaded = make(other);
    ASSERT_TRUE(loaded->loadObjects((dir / "all.qrmo").string()).ok);
    const auto back = loaded->objects();
    ASSERT_EQ(back.size(), 7u) << "the calibration line is not read back";
    for (size_t i = 0; i < back.size(); ++i) {
        EXPECT_EQ(back[i]->type(), static_cast<int>(i) + 1);
        EXPECT_EQ(json_of(back[i]), json_of(objects[i])) << "object " << i;
    }
    EXPECT_EQ(std::dynamic_pointer_cast<Measure::AnnotationObject>(back[6])->text(),
              L"Gr\u00F6\u00DFe 5 \u00B5m \u6E2C\u5B9A");
}

TEST_F(WorkspaceFiles, TypesAreReadAsIntegers)
{
    json line = json::parse(element(std::make_shared<Measure::LineObject>(ws.get(), Points{{1, 2}, {3, 4}})));
    json polyline =
        json::parse(element(std::make_shared<Measure::MultilineObject>(ws.get(), Points{{1, 2}, {3, 4}})));
    line["type"] = true;
    polyline["type"] = 2.9;
    json document = {{"objects", json::array({line, polyline})}};
    for (const int skipped : {0, 8, 9, 10, -1}) {
        json other = line;
        other["type"] = skipped;
        document["objects"].push_back(other);
    }
    quorel::test::LogCapture log;
    const Measure::FileResult result = ws->loadObjects(write("types.qrmo", document.dump()));
    ASSERT_TRUE(result.ok) << result.message;
    const auto objects = ws->objects();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_NE(std::dynamic_pointer_cast<Measure::LineObject>(objects[0]), nullptr) << "true reads as 1";
    EXPECT_NE(std::dynamic_pointer_cast<Measure::MultilineObject>(objects[1]), nullptr) << "2.9 reads as 2";
    EXPECT_EQ(log.count(spdlog::level::err), 0) << "other types are skipped silently";
}

TEST_F(WorkspaceFiles, BadFilesReplaceNothing)
{
    const std::string line = element(std::make_shared<Measure::LineObject>(ws.get(), Points{{1, 2}, {3, 4}}));
    json threePoints = json::parse(line);
    threePoints["points"].push_back({{"x", 5.0}, {"y", 6.0}});
    threePoints["relativePoints"].push_back({{"x", 0.5}, {"y", 0.6}});
    json stringPoints = json::parse(line);
    stringPoints["points"] = "1,2";
    json stringType = json::parse(line);
    stringType["type"] = "1";
    const std::string cases[] = {
        "",
        "{\"objects\": [",
        "[]",
        "null",
        "{\"objects\": {\"a\": " + line + "}}",
        "{\"things\": []}",
        "{\"objects\": [" + line + "," + stringType.dump() + "]}",
        "{\"objects\": [" + line + ", {\"type\": null}]}",
        "{\"objects\": [" + line + ", 5]}",
        "{\"objects\": [" + line + "," + stringPoints.dump() + "]}",
        "{\"objects\": [" + line + "," + threePoints.dump() + "]}",
    };
    ws->addObject(std::make_shared<Measure::LineObject>(ws.get(), Points{{10, 10}, {90, 10}}));
    ws->addObject(std::make_shared<Measure::LineObject>(ws.get(), Points{{10, 20}, {90, 20}}));
    const auto before = ws->objects();
    const int history = ws->historySize();
    int n = 0;
    for (const std::string& text : cases) {
        quorel::test::LogCapture log;
        const Measure::FileResult result =
            ws->loadObjects(write("bad" + std::to_string(n++) + ".qrmo", text));
        EXPECT_FALSE(result.ok) << text;
        EXPECT_NE(result.message.find("Failed to deserialize measure objects."), std::string::npos) << text;
        EXPECT_EQ(ws->objects(), before) << text;
        EXPECT_EQ(ws->historySize(), history) << text;
        EXPECT_EQ(log.count(spdlog::level::err, "Failed to deserialize measure objects."), 1) << text;
    }

    // A file that is not there: nothing at all.
    quorel::test::LogCapture log;
    EXPECT_FALSE(ws->loadObjects((dir / "missing.qrmo").string()).ok);
    EXPECT_EQ(ws->objects(), before);
    EXPECT_EQ(ws->historySize(), history);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(WorkspaceFiles, WhatIsNoRegularFileReplacesNothingAndReturnsAtOnce)
{
    const std::string valid =
        "{\"objects\": [" + element(std::make_shared<Measure::LineObject>(ws.get(), Points{{1, 2}, {3, 4}})) +
        "]}";
    ws->addObject(std::make_shared<Measure::LineObject>(ws.get(), Points{{10, 10}, {90, 10}}));
    const auto before = ws->objects();
    const int history = ws->historySize();
    for (const auto& row : quorel::test::hostile_cases()) {
        SCOPED_TRACE(row.name);
        const std::filesystem::path file = dir / "hostile.qrmo";
        quorel::test::make_hostile(file, row, valid, app::kDocumentFileLimit);
        quorel::test::LogCapture log;
        Measure::FileResult result;
        quorel::test::finishes_promptly([&] { result = ws->loadObjects(file.string()); }, {file});
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.message.find(quorel::test::hostile_message(file, row)), std::string::npos)
            << result.message;
        EXPECT_EQ(log.count(spdlog::level::err, quorel::test::hostile_message(file, row)), 1);
        EXPECT_EQ(ws->objects(), before);
        EXPECT_EQ(ws->historySize(), history);
    }
}

// A file may bring at most MAX_FILE_OBJECTS objects and MAX_FILE_POINTS points
// in all; one past either is refused whole and the current objects stay.
TEST_F(WorkspaceFiles, FilesPastTheObjectOrPointCapReplaceNothing)
{
    const std::string line = element(std::make_shared<Measure::LineObject>(ws.get(), Points{{1, 2}, {3, 4}}));
    const auto lines = [&](size_t count) {
        std::string text = "{\"objects\": [";
        for (size_t i = 0; i < count; ++i)
            text += (i ? "," : "") + line;
        return text + "]}";
    };
    const auto polylines = [&](std::vector<size_t> sizes) {
        std::string text = "{\"objects\": [";
        for (size_t i = 0; i < sizes.size(); ++i) {
            Points points(sizes[i]);
            for (size_t p = 0; p < points.size(); ++p)
                points[p] = {static_cast<float>(p % 600), static_cast<float>(p / 600)};
            text += (i ? "," : "") + element(std::make_shared<Measure::MultilineObject>(ws.get(), points));
        }
        return text + "]}";
    };
    constexpr size_t objects = Workspace::MAX_FILE_OBJECTS;
    constexpr size_t points = Workspace::MAX_FILE_POINTS;
    const struct {
        const char* name;
        std::string text;
        size_t loaded; // 0: refused
        const char* message;
    } rows[] = {
        {"as many objects as allowed", lines(objects), objects, ""},
        {"one object more", lines(objects + 1), 0, "The file holds more than 2000 objects."},
        {"as many points as allowed", polylines({points - 2, 2}), 2, ""},
        {"one point more in one object", polylines({points + 1}), 0,
         "The file holds more than 20000 points."},
        {"one point more across objects", polylines({points / 2, points / 2 + 1}), 0,
         "The file holds more than 20000 points."},
    };
    ws->addObject(std::make_shared<Measure::LineObject>(ws.get(), Points{{10, 10}, {90, 10}}));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ws->undo();
        ws->addObject(std::make_shared<Measure::LineObject>(ws.get(), Points{{10, 10}, {90, 10}}));
        const auto before = ws->objects();
        const Measure::FileResult result = ws->loadObjects(write("capped.qrmo", row.text));
        if (row.loaded == 0) {
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(result.message,
                      std::string("Failed to deserialize measure objects. what(): ") + row.message);
            EXPECT_EQ(ws->objects(), before);
        } else {
            EXPECT_TRUE(result.ok) << result.message;
            EXPECT_EQ(ws->objects().size(), row.loaded);
        }
    }
}

TEST_F(WorkspaceFiles, LoadedObjectsFitTheCurrentImage)
{
    struct Case {
        float angle;
        Vec2f savedFormat;
        Vec2f loadFormat;
    };
    // Saved on a displayed 1920 x 1080 image, loaded on a displayed 1280 x 960 one.
    const Case cases[] = {{0, {1920, 1080}, {1280, 960}}, {90, {1080, 1920}, {960, 1280}}};
    for (const Case& c : cases) {
        FakeCamera saving;
        saving.format = c.savedFormat;
        saving.makeView(c.savedFormat.x, c.savedFormat.y, c.angle);
        auto from = make(saving);
        from->addObject(std::make_shared<Measure::LineObject>(from.get(), Points{{960, 540}, {1920, 1080}}));
        ASSERT_TRUE(from->saveObjects(wide("fit.qrmo")).ok);

        FakeCamera loading;
        loading.format = c.loadFormat;
        loading.makeView(c.loadFormat.x, c.loadFormat.y, c.angle);
        auto to = make(loading);
        ASSERT_TRUE(to->loadObjects((dir / "fit.qrmo").string()).ok);
        const auto points = std::dynamic_pointer_cast<Measure::VertexObject>(to->objects().at(0))->points();
        EXPECT_EQ(points, (Points{{640, 480}, {1280, 960}})) << "view turned by " << c.angle;
    }
}

TEST_F(WorkspaceFiles, FailedSavesLeaveTheOldFile)
{
    ws->addObject(std::make_shared<Measure::LineObject>(ws.get(), Points{{10, 10}, {90, 10}}));
    ASSERT_TRUE(ws->saveObjects(wide("good.qrmo")).ok);
    ASSERT_TRUE(ws->exportCsv(wide("good.csv")).ok);
    const std::string good = read((dir / "good.qrmo").string());
    const std::string goodCsv = read((dir / "good.csv").string());

    // A text that cannot be written as UTF-8: no document, and no empty file.
    const auto note = std::make_shared<Measure::AnnotationObject>(ws.get(), Points{{5, 5}});
    note->setText(std::wstring(1, static_cast<wchar_t>(0xD800)));
    ws->addObject(note);
    quorel::test::LogCapture log;
    EXPECT_EQ(ws->objectsToJson(), "");
    const Measure::FileResult result = ws->saveObjects(wide("good.qrmo"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(read((dir / "good.qrmo").string()), good);
    EXPECT_GE(log.count(spdlog::level::err, "Failed to save measure objects. what(): "), 1);

    // A folder that is not there: the write fails and says so.
    const Measure::FileResult noFolder = ws->exportCsv(wide("missing/out.csv"));
    EXPECT_FALSE(noFolder.ok);
    EXPECT_NE(noFolder.message.find("Failed to save CSV. what(): Failed to open for write"),
              std::string::npos)
        << noFolder.message;
    EXPECT_EQ(read((dir / "good.csv").string()), goodCsv);
}

TEST_F(WorkspaceFiles, CsvLines)
{
    const auto magnification = ws->selectedConfiguration();
    ASSERT_NE(magnification, nullptr);
    magnification->unitParameter->setValue(L"Millimeter");
    magnification->dotsPerUnitParameter->setValue(1.0);

    ASSERT_TRUE(ws->exportCsv(wide("header.csv")).ok);
    EXPECT_EQ(read((dir / "header.csv").string()),
              "\"Object Type\",\"Unit of Measurement\",\"ID\",\"Value\",\"Unit\"\n");

    const auto line = std::make_shared<Measure::LineObject>(ws.get(), Points{{0, 0}, {12.5f, 0}});
    const auto rect = std::make_shared<Measure::RectangleObject>(ws.get(), Points{{0, 0}, {4, 2}});
    const auto angle = std::make_shared<Measure::AngleObject>(ws.get(), Points{{10, 0}, {0, 0}, {0, 10}});
    const auto note = std::make_shared<Measure::AnnotationObject>(ws.get(), Points{{5, 5}});
    const auto circle = std::make_shared<Measure::CircleObject>(ws.get(), Points{{50, 50}, {60, 50}});
    const auto negative = std::make_shared<NegativeLine>(ws.get(), Points{{0, 0}, {1, 0}});
    const auto calibration = std::make_shared<Measure::CalibrationObject>(ws.get(), Points{{0, 0}, {0, 7}});
    for (const ObjectPtr& o : std::vector<ObjectPtr>{line, rect, angle, note, circle, negative, calibration})
        ws->addObject(o);

    const auto row = [](const char* type, const char* measurand, int id, const std::string& value,
                        const char* unit) {
        return fmt::format("\"{}\",\"{}\",\"{}\",\"{}\",\"{}\"\n", type, measurand, id, value, unit);
    };
    const auto f = [](float v) { return fmt::format("{:f}", static_cast<double>(v)); };
    const std::string expected = "\"Object Type\",\"Unit of Measurement\",\"ID\",\"Value\",\"Unit\"\n" +
                                 row("Line", "Length", line->id(), "12.500000", "mm") +
                                 row("Rectangle", "Area", rect->id(), "8.000000", "mm\u00B2") +
                                 row("Rectangle", "Width", rect->id(), "4.000000", "mm") +
                                 row("Rectangle", "Height", rect->id(), "2.000000", "mm") +
                                 row("Angle", "Angle", angle->id(), "90.000000", "\u00B0") +
                                 row("Circle", "Area", circle->id(), f(circle->area()), "mm\u00B2") +
                                 row("Circle", "Perimeter", circle->id(), f(circle->perimeter()), "mm") +
                                 row("Circle", "Diameter", circle->id(), "20.000000", "mm") +
                                 row("Circle", "Radius", circle->id(), "10.000000", "mm") +
                                 row("Line", "Length", negative->id(), "-0.500000", "mm") +
                                 row("Unknown", "Length", calibration->id(), "7.000000", "mm");

    // The same text under a locale whose decimal separator is a comma.
    Measure::FileResult result;
    {
        quorel::test::CommaLocale comma;
        ASSERT_TRUE(comma.active()) << "the comma locale could not be put in force";
        result = ws->exportCsv(wide("values.csv"));
    }
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(read((dir / "values.csv").string()), expected);
}
