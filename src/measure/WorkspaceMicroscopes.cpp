// The workspace's microscopes, the measure-config file and the calibration
// values the objects read.

#include "measure/Workspace.h"

#include "app/JsonText.h"
#include "app/TextFile.h"
#include "app/Utf8.h"

#include <filesystem>
#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>
#include <system_error>

using nlohmann::json;

namespace Measure {

namespace {

struct ParsedConfiguration {
    std::vector<std::shared_ptr<Microscope>> microscopes;
    std::shared_ptr<Microscope> selected;
};

// The whole file or an exception: "selected-microscope" (a string) and at
// least one valid microscope in "microscopes". The last microscope bearing the
// selected name is selected, else the first.
ParsedConfiguration parse_configuration(const std::string& text)
{
    const json document = app::parse_json(text);
    if (!document.is_object())
        throw std::runtime_error("The measure configuration is not a JSON object.");
    const auto selected = document.find("selected-microscope");
    if (selected == document.end() || !selected->is_string())
        throw std::runtime_error("\"selected-microscope\" must be a string.");
    const std::wstring wanted = app::utf8_to_wide(selected->get<std::string>());
    const auto list = document.find("microscopes");
    if (list != document.end() && !list->is_array())
        throw std::runtime_error("\"microscopes\" must be an array.");

    ParsedConfiguration parsed;
    if (list != document.end()) {
        for (const json& element : *list) {
            auto microscope = Microscope::fromJson(element);
            if (microscope->name() == wanted)
                parsed.selected = microscope;
            parsed.microscopes.push_back(std::move(microscope));
        }
    }
    if (parsed.microscopes.empty())
        throw std::runtime_error("microscope array size is zero.");
    if (!parsed.selected)
        parsed.selected = parsed.microscopes.front();
    return parsed;
}

} // namespace

// ---- microscopes

void Workspace::addMicroscope(const std::wstring& name)
{
    std::lock_guard lock(mutex_);
    microscopes_.push_back(std::make_shared<Microscope>(name));
}

void Workspace::removeMicroscope(const std::wstring& name)
{
    std::lock_guard lock(mutex_);
    for (auto it = microscopes_.begin(); it != microscopes_.end(); ++it) {
        if ((*it)->name() == name) {
            microscopes_.erase(it);
            return;
        }
    }
}

void Workspace::selectMicroscope(const std::wstring& name)
{
    std::lock_guard lock(mutex_);
    for (const auto& microscope : microscopes_) {
        if (microscope->name() == name) {
            selectedMicroscope_ = microscope;
            return;
        }
    }
}

std::vector<std::wstring> Workspace::microscopeNames()
{
    std::lock_guard lock(mutex_);
    std::vector<std::wstring> names;
    names.reserve(microscopes_.size());
    for (const auto& microscope : microscopes_)
        names.push_back(microscope->name());
    return names;
}

std::vector<std::shared_ptr<Microscope>> Workspace::microscopes()
{
    std::lock_guard lock(mutex_);
    return microscopes_;
}

std::shared_ptr<Microscope> Workspace::selectedMicroscope()
{
    std::lock_guard lock(mutex_);
    return selectedMicroscope_;
}

std::shared_ptr<Configuration> Workspace::selectedConfiguration()
{
    std::lock_guard lock(mutex_);
    return selectedMicroscope_ ? selectedMicroscope_->selected() : nullptr;
}

void Workspace::ensureMicroscope()
{
    std::lock_guard lock(mutex_);
    if (!microscopes_.empty())
        return;
    addMicroscope(L"Microscope 1");
    selectMicroscope(L"Microscope 1");
}

// ---- the measure-config file

std::wstring Workspace::configurationFilePath()
{
    const vsx::DeviceInfo camera = currentDevice();
    if (camera.empty() || !host_.fileStem)
        return {};
    const std::wstring stem = host_.fileStem(camera);
    if (stem.empty())
        return {};
    return settingsPath(L"measure-config-" + stem + L".json");
}

FileResult Workspace::loadConfiguration(const std::wstring& path)
{
    const bool ownFile = path.empty();
    std::wstring file;
    FileResult result;
    bool present = false;
    try {
        file = ownFile ? configurationFilePath() : settingsPath(path);
        if (file.empty())
            throw std::runtime_error("The camera's unique name cannot be read.");
        std::error_code ec;
        present = std::filesystem::exists(app::path_from_wide(file), ec);
        if (ec)
            throw std::filesystem::filesystem_error("Cannot query the file", app::path_from_wide(file), ec);
        if (present) {
            ParsedConfiguration parsed = parse_configuration(app::read_text_file(file));
            std::lock_guard lock(mutex_);
            microscopes_ = std::move(parsed.microscopes);
            selectedMicroscope_ = std::move(parsed.selected);
        } else if (!ownFile) {
            result = {false, fmt::format("The file '{}' does not exist.", app::wide_to_utf8(file))};
        }
    } catch (const std::exception& e) {
        result = {false, fmt::format("Failed to load measure-configuration '{}'. what(): {}",
                                     app::wide_to_utf8(file), e.what())};
        spdlog::error("{}", result.message);
        if (ownFile) {
            // The camera's own file is kept for the user, out of the way of
            // the next save; the camera starts with the default microscope.
            if (present) {
                const std::filesystem::path from = app::path_from_wide(file);
                std::filesystem::path to = from;
                to += ".bad";
                std::error_code ec;
                std::filesystem::rename(from, to, ec);
                if (ec) {
                    spdlog::error("Could not move '{}' aside: {}", from.string(), ec.message());
                    std::lock_guard lock(mutex_);
                    ownFileProtected_ = true;
                } else {
                    spdlog::warn("The unreadable measure-configuration was moved to '{}'.", to.string());
                }
            }
            std::lock_guard lock(mutex_);
            microscopes_.clear();
        }
    }
    ensureMicroscope();
    return result;
}

FileResult Workspace::saveConfiguration(const std::wstring& path)
{
    const bool ownFile = path.empty();
    try {
        const std::wstring file = ownFile ? configurationFilePath() : settingsPath(path);
        if (file.empty())
            throw std::runtime_error("The camera's unique name cannot be read.");
        json document = json::object();
        {
            std::lock_guard lock(mutex_);
            if (ownFile && ownFileProtected_)
                throw std::runtime_error("The camera's unreadable file is kept as it is.");
            json list = json::array();
            for (const auto& microscope : microscopes_) {
                json value;
                microscope->toJson(value);
                list.push_back(std::move(value));
            }
            document["microscopes"] = std::move(list);
            document["selected-microscope"] =
                selectedMicroscope_ ? app::wide_to_utf8(selectedMicroscope_->name()) : std::string();
        }
        app::write_text_file(file, document.dump(4, ' ', false, json::error_handler_t::strict));
        return {};
    } catch (const std::exception& e) {
        FileResult result{false, fmt::format("Failed to save measure-configuration. what(): {}", e.what())};
        spdlog::error("{}", result.message);
        return result;
    }
}

// ---- calibration values

float Workspace::dotsPerUnit()
{
    const auto magnification = selectedConfiguration();
    return magnification ? magnification->dotsPerUnit() : 1.0f;
}

std::wstring Workspace::unitAbbreviation()
{
    const auto magnification = selectedConfiguration();
    if (magnification) {
        uncalibratedLogged_ = false;
        return unit_abbreviation(magnification->unit());
    }
    // Values are image pixels then; said once, not at every label and repaint.
    if (!uncalibratedLogged_.exchange(true))
        spdlog::error("No microsscope/config selected.");
    return L"px";
}

std::string Workspace::formatValue(float value)
{
    const auto magnification = selectedConfiguration();
    const int decimals = magnification ? magnification->decimalPlanes() : 2;
    return fmt::format("{:.{}f}", static_cast<double>(value), decimals);
}

} // namespace Measure
