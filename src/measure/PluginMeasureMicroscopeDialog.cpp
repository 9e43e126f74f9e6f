// The microscope dialog of the measure plug-in: the current camera's
// microscopes and magnifications, the unit, decimal places and dots per unit
// of the selected magnification, the calibration rows, and loading and saving
// the microscopes to a file of the user's choice.
//
// The rows tell of the program's own changes as well as the user's; while the
// program refills them (settingsRowsUpdating) the handlers ignore what they
// hear, so a refill never selects or converts anything. Microscope changes
// are made under pluginMutex, which the overlay drawing holds too; the GUI
// thread, the only writer, reads them without it. pluginMutex is never held
// while a row is told anything.

#include "measure/PluginMeasure.h"

#include "app/IApplicationContext.h"
#include "app/Localization.h"
#include "measure/Configuration.h"
#include "measure/LengthUnit.h"
#include "measure/MeasureSettings.h"
#include "measure/Microscope.h"
#include "measure/PluginMeasureDialogRows.h"
#include "measure/Workspace.h"
#include "model/PluginContext.h"
#include "views/docks/IPropertyView.h"

#include <spdlog/spdlog.h>
#include <utility>

namespace app {

namespace {

std::wstring tr(const char* key)
{
    return Localization::getString(key);
}

std::vector<std::wstring> magnification_names(const Measure::Microscope& microscope)
{
    std::vector<std::wstring> names;
    for (const auto& magnification : microscope.magnifications())
        names.push_back(magnification->name());
    return names;
}

// The shown name of a magnification's unit: its "Unit" text read as a unit,
// so the default "cm" shows as "Centimeter".
std::wstring shown_unit(const Measure::Configuration& magnification)
{
    return Measure::unit_name(magnification.unit());
}

} // namespace

void PluginMeasure::showMicroscopeDialog()
{
    if (settingsDialog) {
        updateSettingsDialog();
        if (settingsDialog)
            settingsDialog->raise();
        return;
    }
    const WorkspacePtr workspace = currentWorkspace();
    if (!workspace || !context)
        return;
    const auto microscope = workspace->selectedMicroscope();
    const auto magnification = microscope ? microscope->selected() : nullptr;
    if (!magnification)
        return;
    IPropertyView* const view = context->createPropertyView(tr("Measure/Microscope"));
    if (!view)
        return;
    settingsDialog = view;
    view->closed.push_back(plugin_measure_event(rowsAlive, "onSettingsDialogClosed", [this, view] {
        // A dialog the plug-in closed itself has already been let go.
        if (settingsDialog == view)
            onSettingsDialogClosed();
    }));

    const std::wstring page = tr("Measure/Configuration");
    const std::wstring microscopePage = tr("Measure/Microscope");
    const std::wstring calibrationPage = tr("Measure/Calibration");
    const std::wstring unit = shown_unit(*magnification);

    microscopeList = view->addDynListParameter(page, microscopePage, tr("Measure/Microscopes"),
                                               workspace->microscopeNames(), microscope->name());
    microscopeList->itemAdded.push_back(plugin_measure_event(
        rowsAlive, "onMicroscopeAdded", [this](const std::wstring& name) { onMicroscopeAdded(name); }));
    microscopeList->itemRemoved.push_back(plugin_measure_event(
        rowsAlive, "onMicroscopeRemoved", [this](const std::wstring& name) { onMicroscopeRemoved(name); }));
    microscopeList->selectionChanged.push_back(plugin_measure_event(
        rowsAlive, "onMicroscopeSelected", [this](const std::wstring& name) { onMicroscopeSelected(name); }));
    microscopeList->itemChanged.push_back(plugin_measure_event(
        rowsAlive, "onMicroscopeRenamed", [this](const std::wstring& name) { onMicroscopeRenamed(name); }));

    magnificationList = view->addDynListParameter(page, microscopePage, tr("Measure/Magnification"),
                                                  magnification_names(*microscope), magnification->name());
    magnificationList->itemAdded.push_back(plugin_measure_event(
        rowsAlive, "onMagnificationAdded", [this](const std::wstring& name) { onMagnificationAdded(name); }));
    magnificationList->itemRemoved.push_back(
        plugin_measure_event(rowsAlive, "onMagnificationRemoved",
                             [this](const std::wstring& name) { onMagnificationRemoved(name); }));
    magnificationList->selectionChanged.push_back(
        plugin_measure_event(rowsAlive, "onMagnificationSelected",
                             [this](const std::wstring& name) { onMagnificationSelected(name); }));
    magnificationList->itemChanged.push_back(
        plugin_measure_event(rowsAlive, "onMagnificationRenamed",
                             [this](const std::wstring& name) { onMagnificationRenamed(name); }));

    calibrationUnitList =
        view->addListParameter(page, calibrationPage, tr("Measure/Unit"), Measure::unit_names(), unit);
    calibrationUnitList->selectionChanged.push_back(
        plugin_measure_event(rowsAlive, "onCalibrationUnitChanged",
                             [this](const std::wstring& name) { onCalibrationUnitChanged(name); }));

    calibrationButton = view->addPushParameter(page, calibrationPage, tr("Measure/Calibration"));
    calibrationButton->pushed.push_back(
        plugin_measure_event(rowsAlive, "onCalibrationButton", [this] { onCalibrationButton(); }));
    calibrationButton->setButtonText(L"Start");

    // Empty and read-only until a calibration runs, whatever length was entered last.
    lengthField = view->addStringParameter(page, calibrationPage, tr("Measure/Length"), L"");
    lengthField->textChanged.push_back(
        plugin_measure_event(rowsAlive, "onCalibrationLengthChanged",
                             [this](const std::wstring& text) { onCalibrationLengthChanged(text); }));
    lengthField->setEnabled(false);
    lengthField->setReadOnly(true);

    dotsPerUnitField = view->addStringParameter(page, calibrationPage, tr("Measure/DotsPerUnit"),
                                                PluginMeasure::dotsPerUnitText(magnification->dotsPerUnit()));
    dotsPerUnitField->textChanged.push_back(plugin_measure_event(
        rowsAlive, "onDotsPerUnitChanged", [this](const std::wstring& text) { onDotsPerUnitChanged(text); }));
    dotsPerUnitField->setReadOnly(false);

    unitList = view->addListParameter(page, microscopePage, tr("Measure/Unit"), Measure::unit_names(), unit);
    unitList->selectionChanged.push_back(plugin_measure_event(
        rowsAlive, "onUnitChanged", [this](const std::wstring& name) { onUnitChanged(name); }));

    decimalPlacesRow = view->addRangeParameter(page, microscopePage, tr("Measure/DecimalPlaces"),
                                               magnification->decimalPlanes(), 0,
                                               Measure::Configuration::MAX_DECIMAL_PLANES);
    decimalPlacesRow->valueChanged.push_back(plugin_measure_event(
        rowsAlive, "onDecimalPlacesChanged", [this](int64_t value) { onDecimalPlacesChanged(value); }));

    view->expandCategory(microscopePage);

    loadSettingsButton = view->addPushParameter(page, microscopePage, L"Load Settings");
    loadSettingsButton->setLabelText(L"");
    loadSettingsButton->setButtonText(L"Load Settings");
    loadSettingsButton->pushed.push_back(
        plugin_measure_event(rowsAlive, "loadMicroscopeSettings", [this] { loadMicroscopeSettings(); }));

    saveSettingsButton = view->addPushParameter(page, microscopePage, L"Save Settings");
    saveSettingsButton->setLabelText(L"");
    saveSettingsButton->setButtonText(L"Save Settings");
    saveSettingsButton->pushed.push_back(
        plugin_measure_event(rowsAlive, "saveMicroscopeSettings", [this] { saveMicroscopeSettings(); }));

    view->raise();
}

void PluginMeasure::updateSettingsDialog()
{
    if (!settingsDialog)
        return;
    const WorkspacePtr workspace = currentWorkspace();
    if (!workspace) {
        spdlog::warn("PluginMeasure::updateSettingsDialog: No Workspace selected.");
        return;
    }
    const auto microscope = workspace->selectedMicroscope();
    if (!microscope) {
        spdlog::warn("PluginMeasure::updateSettingsDialog: No Microscope selected.");
        return;
    }
    const auto magnification = microscope->selected();
    if (!magnification) {
        spdlog::warn("PluginMeasure::updateSettingsDialog: No Magnification-config selected.");
        return;
    }
    stopCalibration(); // takes the plug-in mutex itself
    if (!settingsDialog)
        return;
    settingsRowsUpdating = true;
    if (microscopeList) {
        microscopeList->setItems(workspace->microscopeNames());
        microscopeList->setCurrentText(microscope->name());
    }
    if (magnificationList) {
        magnificationList->setItems(magnification_names(*microscope));
        magnificationList->setCurrentText(magnification->name());
    }
    settingsRowsUpdating = false;
    showMagnification(magnification);
}

void PluginMeasure::showMagnification(const std::shared_ptr<Measure::Configuration>& magnification)
{
    if (!settingsDialog || !magnification)
        return;
    const std::wstring unit = shown_unit(*magnification);
    settingsRowsUpdating = true;
    if (unitList)
        unitList->setCurrentText(unit);
    if (calibrationUnitList)
        calibrationUnitList->setCurrentText(unit);
    if (decimalPlacesRow)
        decimalPlacesRow->setValue(magnification->decimalPlanes());
    settingsRowsUpdating = false;
    showDotsPerUnit(magnification->dotsPerUnit());
}

// ---- row handlers

void PluginMeasure::onMicroscopeAdded(const std::wstring& name)
{
    const WorkspacePtr workspace = settingsRowsUpdating ? nullptr : currentWorkspace();
    if (!workspace)
        return;
    std::lock_guard lock(pluginMutex);
    workspace->addMicroscope(name); // with the single magnification "1x"
}

void PluginMeasure::onMicroscopeRemoved(const std::wstring& name)
{
    const WorkspacePtr workspace = settingsRowsUpdating ? nullptr : currentWorkspace();
    if (!workspace)
        return;
    std::lock_guard lock(pluginMutex);
    workspace->removeMicroscope(name);
}

void PluginMeasure::onMicroscopeRenamed(const std::wstring& name)
{
    const WorkspacePtr workspace = settingsRowsUpdating ? nullptr : currentWorkspace();
    if (!workspace)
        return;
    std::lock_guard lock(pluginMutex);
    if (const auto microscope = workspace->selectedMicroscope())
        microscope->setName(name);
}

void PluginMeasure::onMicroscopeSelected(const std::wstring& name)
{
    const WorkspacePtr workspace = settingsRowsUpdating ? nullptr : currentWorkspace();
    if (!workspace)
        return;
    {
        std::lock_guard lock(pluginMutex);
        workspace->selectMicroscope(name);
    }
    const auto microscope = workspace->selectedMicroscope();
    if (!microscope)
        return;
    const auto magnification = microscope->selected();
    if (magnificationList) {
        settingsRowsUpdating = true;
        magnificationList->setItems(magnification_names(*microscope));
        if (magnification)
            magnificationList->setCurrentText(magnification->name());
        settingsRowsUpdating = false;
    }
    showMagnification(magnification);
}

void PluginMeasure::onMagnificationAdded(const std::wstring& name)
{
    const WorkspacePtr workspace = settingsRowsUpdating ? nullptr : currentWorkspace();
    const auto microscope = workspace ? workspace->selectedMicroscope() : nullptr;
    if (!microscope)
        return;
    // Selected by the list's own selection event that follows.
    auto magnification = std::make_shared<Measure::Configuration>(name);
    std::lock_guard lock(pluginMutex);
    microscope->addMagnification(std::move(magnification));
}

void PluginMeasure::onMagnificationRemoved(const std::wstring& name)
{
    const WorkspacePtr workspace = settingsRowsUpdating ? nullptr : currentWorkspace();
    const auto microscope = workspace ? workspace->selectedMicroscope() : nullptr;
    if (!microscope)
        return;
    std::lock_guard lock(pluginMutex);
    microscope->removeMagnification(name);
}

void PluginMeasure::onMagnificationRenamed(const std::wstring& name)
{
    const WorkspacePtr workspace = settingsRowsUpdating ? nullptr : currentWorkspace();
    const auto magnification = workspace ? workspace->selectedConfiguration() : nullptr;
    if (!magnification)
        return;
    std::lock_guard lock(pluginMutex);
    magnification->nameParameter->setValue(name);
}

void PluginMeasure::onMagnificationSelected(const std::wstring& name)
{
    const WorkspacePtr workspace = settingsRowsUpdating ? nullptr : currentWorkspace();
    const auto microscope = workspace ? workspace->selectedMicroscope() : nullptr;
    if (!microscope)
        return;
    {
        std::lock_guard lock(pluginMutex);
        if (auto magnification = microscope->magnification(name))
            microscope->setSelected(std::move(magnification));
    }
    showMagnification(microscope->selected());
}

void PluginMeasure::onCalibrationUnitChanged(const std::wstring& unitName)
{
    // Both unit lists stand for the same unit: one conversion, whichever was used.
    onUnitChanged(unitName);
}

void PluginMeasure::onUnitChanged(const std::wstring& unitName)
{
    if (settingsRowsUpdating)
        return;
    settingsRowsUpdating = true;
    if (unitList)
        unitList->setCurrentText(unitName);
    if (calibrationUnitList)
        calibrationUnitList->setCurrentText(unitName);
    settingsRowsUpdating = false;

    const WorkspacePtr workspace = currentWorkspace();
    const auto magnification = workspace ? workspace->selectedConfiguration() : nullptr;
    if (!magnification)
        return;
    const Measure::LengthUnit to = Measure::unit_from_name(unitName);
    const Measure::LengthUnit from = magnification->unit();
    if (to == from)
        return;
    // How many new units make one old one; the same pixels then span that many.
    const double factor = Measure::unit_from_meters(Measure::unit_to_meters(1.0, from), to);
    float dotsPerUnit = 0.0f;
    {
        std::lock_guard lock(pluginMutex);
        magnification->unitParameter->setValue(Measure::unit_name(to));
        magnification->dotsPerUnitParameter->setValue(magnification->dotsPerUnit() /
                                                      static_cast<float>(factor));
        dotsPerUnit = magnification->dotsPerUnit();
    }
    showDotsPerUnit(dotsPerUnit);
}

void PluginMeasure::onDecimalPlacesChanged(int64_t value)
{
    const WorkspacePtr workspace = settingsRowsUpdating ? nullptr : currentWorkspace();
    const auto magnification = workspace ? workspace->selectedConfiguration() : nullptr;
    if (!magnification)
        return;
    std::lock_guard lock(pluginMutex);
    magnification->decimalPlanesParameter->setValue(value); // kept within 0..6
}

void PluginMeasure::onSettingsDialogClosed()
{
    // Let go first: removing the line tells the ribbon, which must not close
    // this dialog a second time.
    settingsDialog = nullptr;
    if (!calibration.active)
        return;
    std::lock_guard lock(pluginMutex);
    calibration.removeCalibrationLine();
}

void PluginMeasure::closeDialogs()
{
    // Let go before closing: the closed events then find nothing to do.
    if (IPropertyView* const view = std::exchange(settingsDialog, nullptr)) {
        view->close();
        // Not here: this may run inside a change of the very workspace.
        if (calibration.active)
            addOnce([this] {
                std::lock_guard lock(pluginMutex);
                calibration.removeCalibrationLine();
            });
    }
    if (IPropertyView* const view = std::exchange(appearanceDialog, nullptr))
        view->close();
}

// ---- settings files

void PluginMeasure::loadMicroscopeSettings()
{
    const WorkspacePtr workspace = currentWorkspace();
    const auto fileDialogs = application::get_context();
    if (!workspace || !fileDialogs)
        return;
    helper::ParameterContainer& settings = MeasureSettings::instance();
    std::wstring folder = settings.getString(MeasureSettings::LAST_DIRECTORY);
    std::wstring path;
    try {
        if (!fileDialogs->openFile(L"Load Measure Settings...", L"JSON Files", {{L"JSON Files", L".json"}},
                                   path, folder))
            return;
        Measure::FileResult result;
        {
            std::lock_guard lock(pluginMutex);
            result = workspace->loadConfiguration(path); // a file that fails keeps the microscopes
        }
        updateSettingsDialog();
        settings.setString(MeasureSettings::LAST_DIRECTORY, folder);
        if (!result.ok)
            showFileError("Measure/LoadSettingsFailed", result.message);
    } catch (const std::exception& e) {
        spdlog::error("Load Settings Error: {}", e.what());
    }
}

void PluginMeasure::saveMicroscopeSettings()
{
    const WorkspacePtr workspace = currentWorkspace();
    const auto fileDialogs = application::get_context();
    if (!workspace || !fileDialogs)
        return;
    helper::ParameterContainer& settings = MeasureSettings::instance();
    std::wstring folder = settings.getString(MeasureSettings::LAST_DIRECTORY);
    std::wstring path;
    if (!fileDialogs->saveFile(L"Save Measure Settings...", L"JSON Files", {{L"JSON Files", L".json"}}, path,
                               folder, application::ReplaceQuestion::Context))
        return;
    const Measure::FileResult result = workspace->saveConfiguration(path);
    updateSettingsDialog();
    settings.setString(MeasureSettings::LAST_DIRECTORY, folder);
    if (!result.ok)
        showFileError("Measure/SaveSettingsFailed", result.message);
}

} // namespace app
