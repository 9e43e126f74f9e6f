// Calibration in the measure plug-in: a line placed across the middle of the
// current camera's image is dragged over a feature of known length, and its
// pixels per entered length become the selected magnification's dots per
// unit; the calibration rows of the microscope dialog; the line and its hint
// in the overlay.

#include "measure/PluginMeasure.h"

#include "app/Localization.h"
#include "app/StringUtil.h"
#include "app/Utf8.h"
#include "device/VideoDeviceController.h"
#include "kyrgx/Label.h"
#include "measure/CalibrationObject.h"
#include "measure/Configuration.h"
#include "measure/ToolKind.h"
#include "measure/Workspace.h"
#include "model/PluginContext.h"
#include "views/docks/IPropertyView.h"
#include "views/liveview/ILiveView.h"

#include <charconv>
#include <cmath>
#include <locale>
#include <optional>
#include <spdlog/spdlog.h>
#include <sstream>

namespace app {

namespace {

// A calibration line shorter than this cannot be saved.
constexpr float kShortestLine = 1.0f;

// The text as a finite single-precision number above 0, read in the C
// locale; none for anything else (no white space, no "nan" or "inf", nothing
// beyond the float range, no 0 or below).
std::optional<float> positive_number(const std::string& text)
{
    if (!is_float(text))
        return std::nullopt;
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    float value = 0.0f;
    in >> std::noskipws >> value;
    if (in.fail() || !std::isfinite(value) || !(value > 0.0f))
        return std::nullopt;
    return value;
}

float line_length(const std::shared_ptr<Measure::CalibrationObject>& line)
{
    return line ? line->length() : 0.0f;
}

bool quarter_turned(float angle)
{
    const int degrees = static_cast<int>(angle);
    return degrees == 90 || degrees == 270;
}

} // namespace

// ---- the calibration state (pluginMutex held by the caller)

void PluginMeasure::CalibrationState::startCalibration(const WorkspacePtr& target, int32_t width,
                                                       int32_t height)
{
    if (active)
        return;
    workspace = target;
    active = true;
    const auto w = static_cast<float>(width);
    const auto h = static_cast<float>(height);
    std::vector<kyrgx::Vec2<float>> points{{0.1f * w, 0.5f * h}, {0.9f * w, 0.5f * h}};
    object = std::make_shared<Measure::CalibrationObject>(target.get(), std::move(points));
    if (!target) {
        spdlog::warn("Workspace is nullptr: calibration object not added.");
        return;
    }
    target->addObject(object);
    target->select(object, false);
}

void PluginMeasure::CalibrationState::saveCalibration(
    const std::shared_ptr<Measure::Configuration>& magnification)
{
    if (!active)
        return;
    const float pixels = line_length(object);
    const float dotsPerUnit = pixels / enteredLength;
    // A line of no length or a length that is not a positive number would
    // store 0, a negative figure or infinity: nothing is stored, the line stays.
    if (!(pixels >= kShortestLine) || !std::isfinite(dotsPerUnit) || !(dotsPerUnit > 0.0f)) {
        spdlog::warn("Calibration not saved: a line of {} pixels over a length of {}.", pixels,
                     enteredLength);
        return;
    }
    if (magnification)
        magnification->dotsPerUnitParameter->setValue(static_cast<double>(dotsPerUnit));
    else
        spdlog::warn("Configuration is nullptr: DPI not saved.");
    if (workspace)
        workspace->removeObject(object);
    else
        spdlog::warn("Workspace is nullptr: Calibration object not removed.");
    object.reset();
    active = false;
}

void PluginMeasure::CalibrationState::removeCalibrationLine()
{
    if (!active)
        return;
    if (object && workspace)
        workspace->removeObject(object);
    object.reset();
    active = false;
}

// ---- the dialog's calibration rows (GUI thread)

void PluginMeasure::stopCalibration()
{
    {
        std::lock_guard lock(pluginMutex);
        calibration.removeCalibrationLine();
    }
    if (!calibrationButton)
        return;
    calibrationButton->setButtonText(Localization::getString("Menu/Items/Start"));
    if (microscopeList)
        microscopeList->setEnabled(true);
    if (magnificationList)
        magnificationList->setEnabled(true);
    if (decimalPlacesRow)
        decimalPlacesRow->setEnabled(true);
    updateCalibrationButton();
}

void PluginMeasure::onCalibrationButton()
{
    if (const WorkspacePtr workspace = currentWorkspace()) {
        const std::shared_ptr<Measure::Configuration> magnification = workspace->selectedConfiguration();
        bool running;
        bool saved = false;
        {
            std::lock_guard lock(pluginMutex);
            if (calibration.active) {
                calibration.saveCalibration(magnification);
                saved = !calibration.active;
            } else {
                // The line lies across the image as the view shows it: a view
                // turned by a quarter shows the format's height as its width.
                const auto camera = context ? context->currentInstance() : nullptr;
                VideoFormat format;
                try {
                    if (camera)
                        format = camera->videoformat();
                } catch (const std::exception& e) {
                    spdlog::error("PluginMeasure: the video format cannot be read: {}", e.what());
                }
                auto width = static_cast<int32_t>(format.width);
                auto height = static_cast<int32_t>(format.height);
                if (quarter_turned(workspace->viewAngle()))
                    std::swap(width, height);
                if (width > 0 && height > 0)
                    calibration.startCalibration(workspace, width, height);
            }
            running = calibration.active;
        }
        if (saved && magnification)
            showDotsPerUnit(magnification->dotsPerUnit());
        if (calibrationButton)
            calibrationButton->setButtonText(
                Localization::getString(running ? "Measure/Save" : "Menu/Items/Start"));
        if (lengthField) {
            lengthField->setEnabled(running);
            lengthField->setReadOnly(!running);
        }
        for (const auto& row : {std::static_pointer_cast<IPropertyViewParameter>(microscopeList),
                                std::static_pointer_cast<IPropertyViewParameter>(magnificationList),
                                std::static_pointer_cast<IPropertyViewParameter>(decimalPlacesRow)})
            if (row)
                row->setEnabled(!running);
        updateCalibrationButton();
    }
    selectTool(Measure::kind_id(Measure::ToolKind::Select));
}

void PluginMeasure::onCalibrationLengthChanged(const std::wstring& text)
{
    const std::optional<float> length = positive_number(wide_to_utf8(text));
    if (length) {
        std::lock_guard lock(pluginMutex);
        calibration.enteredLength = *length;
    }
    calibrationLengthValid = length.has_value();
    if (lengthField)
        lengthField->setValid(calibrationLengthValid);
    updateCalibrationButton();
}

void PluginMeasure::onDotsPerUnitChanged(const std::wstring& text)
{
    // A figure the program shows is what the magnification holds already.
    if (dotsPerUnitUpdating)
        return;
    std::string figure = wide_to_utf8(text);
    const size_t comma = figure.find(',');
    if (comma != std::string::npos)
        figure[comma] = '.';
    const std::optional<float> value = positive_number(figure);
    if (value) {
        const WorkspacePtr workspace = currentWorkspace();
        const auto magnification = workspace ? workspace->selectedConfiguration() : nullptr;
        if (magnification) {
            std::lock_guard lock(pluginMutex);
            magnification->dotsPerUnitParameter->setValue(static_cast<double>(*value));
        }
    }
    if (dotsPerUnitField)
        dotsPerUnitField->setValid(value.has_value());
}

std::wstring PluginMeasure::dotsPerUnitText(float dotsPerUnit)
{
    std::wstring text;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, dotsPerUnit);
    if (result.ec == std::errc())
        text.assign(buffer, result.ptr);
    return text;
}

void PluginMeasure::showDotsPerUnit(float dotsPerUnit)
{
    if (!dotsPerUnitField)
        return;
    const std::wstring text = dotsPerUnitText(dotsPerUnit);
    dotsPerUnitUpdating = true;
    try {
        dotsPerUnitField->setText(text);
        dotsPerUnitField->setValid(true);
    } catch (...) {
        dotsPerUnitUpdating = false;
        throw;
    }
    dotsPerUnitUpdating = false;
}

void PluginMeasure::updateCalibrationButton()
{
    if (!calibrationButton)
        return;
    bool lineLongEnough = true;
    {
        std::lock_guard lock(pluginMutex);
        if (calibration.active)
            lineLongEnough = line_length(calibration.object) >= kShortestLine;
    }
    calibrationButton->setEnabled(calibrationLengthValid && lineLongEnough);
}

// ---- the overlay (pluginMutex held)

bool PluginMeasure::renderCalibration(ILiveView* liveView, const WorkspacePtr& workspace, kyrgx::Graphics& g)
{
    if (!calibration.active || calibration.workspace != workspace)
        return false;
    workspace->renderCalibrationObject(g, liveView ? liveView->uiRoot() : nullptr, calibration.object);
    if (const auto hint = workspace->calibrationHintLabel(g, liveView)) {
        hint->setPosition(8, 8);
        hint->draw(g);
    }
    return true;
}

} // namespace app
