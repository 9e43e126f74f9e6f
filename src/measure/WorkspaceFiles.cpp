// The objects document, the objects file and the CSV export.

#include "measure/Workspace.h"

#include "app/AppFolders.h"
#include "app/JsonText.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "measure/IMeasureObject.h"
#include "measure/Measurands.h"
#include "measure/ObjectJson.h"
#include "measure/ToolKind.h"

#include <filesystem>
#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>
#include <system_error>

using nlohmann::json;

namespace Measure {

namespace {

FileResult failure(std::string message)
{
    spdlog::error("{}", message);
    return {false, std::move(message)};
}

// printf "%f": six decimals, '.' whatever the locale.
std::string csv_number(float value)
{
    return fmt::format("{:f}", static_cast<double>(value));
}

} // namespace

std::wstring Workspace::settingsPath(const std::wstring& path)
{
    const std::filesystem::path p = app::path_from_wide(path);
    if (p.is_absolute())
        return path;
    return app::path_to_wide(app::path_from_wide(app::get_settings_directory()) / p);
}

std::string Workspace::objectsToJson()
{
    std::lock_guard lock(mutex_);
    try {
        json list = json::array();
        for (const auto& object : objects_) {
            json value;
            object->toJson(value);
            list.push_back(std::move(value));
        }
        json document = json::object();
        document["objects"] = std::move(list);
        return document.dump(4, ' ', false, json::error_handler_t::strict);
    } catch (const std::exception& e) {
        spdlog::error("Failed to save measure objects. what(): {}", e.what());
        return {};
    }
}

namespace {

// Counts the objects and points of an objects document while it is parsed and
// stops the parse at the first one past the caps, before the rest is built.
// An object is an element of the top "objects" array (depth 2); a point is
// an element of an object's "points" or "relativePoints" (depth 4).
class ObjectCounter {
public:
    bool operator()(int depth, json::parse_event_t event, json& parsed)
    {
        if (event == json::parse_event_t::key && depth == 3)
            pointList_ = parsed == "points" || parsed == "relativePoints";
        if (event != json::parse_event_t::object_start)
            return true;
        if (depth == 2 && ++objects_ > Workspace::MAX_FILE_OBJECTS)
            throw std::runtime_error(
                fmt::format("The file holds more than {} objects.", Workspace::MAX_FILE_OBJECTS));
        if (depth == 4 && pointList_ && ++points_ > 2 * Workspace::MAX_FILE_POINTS)
            throw std::runtime_error(
                fmt::format("The file holds more than {} points.", Workspace::MAX_FILE_POINTS));
        return true;
    }

private:
    size_t objects_ = 0;
    size_t points_ = 0; // in "points" and "relativePoints", each point twice
    bool pointList_ = false;
};

} // namespace

bool Workspace::readObjects(const std::string& text, std::vector<ObjectPtr>& out, std::string& error)
{
    try {
        const json document = app::parse_json(text, ObjectCounter());
        if (!document.is_object())
            throw std::runtime_error("The document is not a JSON object.");
        const auto list = document.find("objects");
        if (list == document.end() || !list->is_array())
            throw std::runtime_error("The document has no \"objects\" array.");
        for (const json& element : *list) {
            ObjectPtr object = makeObject(object_json::read_int(element, "type"));
            if (!object)
                continue; // calibration lines and unknown types are skipped
            object->fromJson(element);
            out.push_back(std::move(object));
        }
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

FileResult Workspace::saveObjects(const std::wstring& path)
{
    const std::string text = objectsToJson();
    if (text.empty())
        return {false, "Failed to save measure objects: the objects could not be written."};
    try {
        app::write_text_file(settingsPath(path), text);
        return {};
    } catch (const std::exception& e) {
        return failure(fmt::format("Failed to save measure objects. what(): {}", e.what()));
    }
}

FileResult Workspace::loadObjects(const std::string& utf8Path)
{
    std::wstring path;
    try {
        path = settingsPath(app::utf8_to_wide(utf8Path));
        std::error_code ec;
        const bool exists = std::filesystem::exists(app::path_from_wide(path), ec);
        if (ec)
            return failure(fmt::format("Failed to load measure objects. what(): {}", ec.message()));
        if (!exists)
            return {false, fmt::format("The file '{}' does not exist.", utf8Path)};
    } catch (const std::exception& e) {
        return failure(fmt::format("Failed to load measure objects. what(): {}", e.what()));
    }

    // The whole file is read before anything changes.
    std::string text;
    try {
        text = app::read_text_file(path, app::kDocumentFileLimit);
    } catch (const std::exception& e) {
        return failure(fmt::format("Failed to load measure objects. what(): {}", e.what()));
    }
    std::vector<ObjectPtr> loaded;
    std::string error;
    if (!readObjects(text, loaded, error))
        return failure(fmt::format("Failed to deserialize measure objects. what(): {}", error));

    try {
        std::lock_guard lock(mutex_);
        // Fitted to the current image, whatever size they were saved at.
        std::optional<kyrgx::Vec2<float>> format = lookupFormatSize();
        if (!format)
            format = lastFormatSize_;
        if (format) {
            const kyrgx::Vec2<float> size = displayedSize(*format);
            for (const auto& object : loaded)
                object->applyRelativePoints(size);
        }
        replaceObjects(std::move(loaded));
        pushSnapshot();
        raiseChanged();
        return {};
    } catch (const std::exception& e) {
        return failure(fmt::format("Failed to load measure objects. what(): {}", e.what()));
    }
}

FileResult Workspace::exportCsv(const std::wstring& path)
{
    try {
        std::string text = "\"Object Type\",\"Unit of Measurement\",\"ID\",\"Value\",\"Unit\"\n";
        {
            std::lock_guard lock(mutex_);
            const std::string unit = app::wide_to_utf8(unitAbbreviation());
            const std::string squared = unit + "\u00B2";
            const std::string degrees = "\u00B0";
            for (const auto& object : objects_) {
                const std::string type = tool_kind_name(object->type());
                const std::string id = std::to_string(object->id());
                const auto row = [&](const char* measurand, float value, const std::string& unitText) {
                    text += fmt::format("\"{}\",\"{}\",\"{}\",\"{}\",\"{}\"\n", type, measurand, id,
                                        csv_number(value), unitText);
                };
                const IMeasureObject* o = object.get();
                if (const auto* m = dynamic_cast<const IAreaMeasurand*>(o))
                    row("Area", m->area(), squared);
                if (const auto* m = dynamic_cast<const IArcAngle*>(o))
                    row("Angle", m->angle(), degrees);
                if (const auto* m = dynamic_cast<const IRectMeasurand*>(o)) {
                    row("Width", m->width(), unit);
                    row("Height", m->height(), unit);
                }
                if (const auto* m = dynamic_cast<const IPerimeterMeasurand*>(o))
                    row("Perimeter", m->perimeter(), unit);
                if (const auto* m = dynamic_cast<const IDiameterMeasurand*>(o))
                    row("Diameter", m->diameter(), unit);
                if (const auto* m = dynamic_cast<const IRadiusMeasurand*>(o))
                    row("Radius", m->radius(), unit);
                if (const auto* m = dynamic_cast<const ILengthMeasurand*>(o))
                    row("Length", m->length(), unit);
            }
        }
        app::write_text_file(settingsPath(path), text);
        return {};
    } catch (const std::exception& e) {
        return failure(fmt::format("Failed to save CSV. what(): {}", e.what()));
    }
}

} // namespace Measure
