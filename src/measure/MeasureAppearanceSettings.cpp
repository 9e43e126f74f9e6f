#include "measure/MeasureAppearanceSettings.h"

#include "app/AppFolders.h"
#include "app/TextFile.h"
#include "app/Utf8.h"

#include <filesystem>
#include <limits>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr int64_t kColourMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kColourMax = std::numeric_limits<int64_t>::max();

helper::ParameterContainer* make_store()
{
    using S = MeasureAppearanceSettings;
    auto* c = new helper::ParameterContainer();
    c->addInt(S::LINE_WIDTH, 1, 10, 1);
    c->addInt(S::EDGE_SIZE, 5, 10, 5);
    c->addInt(S::LINE_COLOR, kColourMin, kColourMax, 0xFFFFFFFFll);
    c->addInt(S::EDGE_COLOR, kColourMin, kColourMax, 0xFF007ACCll);
    c->addInt(S::EDGE_OVER_COLOR, kColourMin, kColourMax, 0xFFFF0000ll);
    c->addInt(S::ANNOTATION_TEXT_COLOR, kColourMin, kColourMax, 0xFFFFFFFFll);
    c->addInt(S::ANNOTATION_BACK_COLOR, kColourMin, kColourMax, 0xFF2D2D30ll);
    c->addInt(S::ANNOTATION_BORDER_COLOR, kColourMin, kColourMax, 0xFF007ACCll);
    c->addBool(S::ANNOTATION_BORDER_ENABLED, true);
    c->addBool(S::SHOW_OVERLAY, true);
    c->addBool(S::SHOW_SCALE_BAR, true);
    c->addList(S::SCALE_BAR_ALIGNMENT, S::scaleBarAlignments(), L"BottomLeft");
    c->addInt(S::MAX_SCALING_WIDTH, 200, 600, 400);
    c->addInt(S::FONT_SIZE, 12, 30, 13);
    c->addBool(S::SHOW_AREA, true);
    c->addBool(S::SHOW_ARC_ANGLE, true);
    c->addBool(S::SHOW_RECT, true);
    c->addBool(S::SHOW_PERIMETER, true);
    c->addBool(S::SHOW_DIAMETER, true);
    c->addBool(S::SHOW_RADIUS, true);
    c->addBool(S::SHOW_LENGTH, true);
    return c;
}

} // namespace

helper::ParameterContainer& MeasureAppearanceSettings::instance()
{
    // Never destroyed: frame threads may still draw while the process exits.
    static helper::ParameterContainer* store = make_store();
    return *store;
}

const std::vector<std::wstring>& MeasureAppearanceSettings::scaleBarAlignments()
{
    static const std::vector<std::wstring> entries = {L"BottomLeft", L"BottomCenter", L"BottomRight",
                                                      L"MiddleLeft", L"MiddleCenter", L"MiddleRight",
                                                      L"TopLeft",    L"TopCenter",    L"TopRight"};
    return entries;
}

std::wstring MeasureAppearanceSettings::filePath()
{
    return app::path_to_wide(app::path_from_wide(app::get_settings_directory()) /
                             app::path_from_wide(FILE_NAME));
}

void MeasureAppearanceSettings::load()
{
    try {
        const fs::path path = app::path_from_wide(filePath());
        std::error_code ec;
        const bool present = fs::exists(path, ec);
        if (ec)
            throw fs::filesystem_error("exists", path, ec);
        if (!present)
            return;
        instance().deserialize(app::read_text_file(app::path_to_wide(path)));
    } catch (const std::exception& e) {
        spdlog::error("MeasureAppearanceSettings::load() failed: {}", e.what());
    }
}

bool MeasureAppearanceSettings::save()
{
    try {
        const std::string text = instance().serialize();
        if (text.empty())
            throw std::runtime_error("the settings could not be serialised");
        app::write_text_file(filePath(), text);
        return true;
    } catch (const std::exception& e) {
        spdlog::error("Failed to save measure-appearance. {}", e.what());
        return false;
    }
}
