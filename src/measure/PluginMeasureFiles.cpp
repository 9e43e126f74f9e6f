// The measure plug-in's file buttons: the current camera's objects saved to
// and loaded from an objects file, and its measurands exported as CSV. The
// dialogs open in "lastDirectory"; the ones that write a file move it to the
// chosen file's folder, the load dialog leaves it. GUI thread only.

#include "measure/PluginMeasure.h"

#include "app/IApplicationContext.h"
#include "app/Localization.h"
#include "app/Utf8.h"
#include "measure/MeasureSettings.h"
#include "measure/Workspace.h"
#include "model/MainViewController.h"
#include "model/PluginContext.h"
#include "views/IMainView.h"

#include <filesystem>
#include <fmt/format.h>
#include <spdlog/spdlog.h>
#include <system_error>

namespace app {

namespace {

std::wstring tr(const char* key)
{
    return Localization::getString(key);
}

std::wstring last_directory()
{
    return MeasureSettings::instance().getString(MeasureSettings::LAST_DIRECTORY);
}

void set_last_directory(const std::wstring& folder)
{
    MeasureSettings::instance().setString(MeasureSettings::LAST_DIRECTORY, folder);
}

} // namespace

bool PluginMeasure::askSaveFileName(const std::wstring& title, const std::wstring& caption,
                                    std::vector<std::pair<std::wstring, std::wstring>> filters,
                                    std::wstring& path, std::wstring& folder)
{
    const auto fileDialogs = application::get_context();
    if (!fileDialogs)
        return false;
    // The plug-in asks itself before it replaces a file (mayReplace).
    return fileDialogs->saveFile(title, caption, filters, path, folder, application::ReplaceQuestion::Caller);
}

bool PluginMeasure::mayReplace(const std::wstring& path)
{
    const std::filesystem::path file = path_from_wide(path);
    std::error_code error;
    const bool exists = std::filesystem::exists(file, error);
    if (error) {
        // Neither there nor not there (an unreadable folder, say): nothing is written.
        const std::string reason = fmt::format("{}: {}", wide_to_utf8(path), error.message());
        spdlog::error("PluginMeasure: whether a file exists cannot be told ({}); nothing written", reason);
        showFileError("Measure/CheckFailed", reason);
        return false;
    }
    if (!exists)
        return true;
    const std::shared_ptr<IMainView> view =
        context && context->controller() ? context->controller()->view() : nullptr;
    if (!view)
        return true;
    const std::string name = wide_to_utf8(path_to_wide(file.filename()));
    return view->showMessageBoxYesNo(
        L"Warning", utf8_to_wide(fmt::format("'{}' already exists.Do you want to replace it?", name)));
}

void PluginMeasure::showFileError(const char* key, const std::string& reason)
{
    const std::shared_ptr<IMainView> view =
        context && context->controller() ? context->controller()->view() : nullptr;
    if (!view)
        return;
    std::wstring text = tr(key);
    if (!reason.empty())
        text += L"\n\n" + utf8_to_wide(reason);
    view->showMessageBox(tr("Measure/ErrorTitle"), text, nullptr, nullptr);
}

void PluginMeasure::exportCsv()
{
    const WorkspacePtr workspace = currentWorkspace();
    const auto fileDialogs = application::get_context();
    if (!workspace || !fileDialogs)
        return;
    std::wstring folder = last_directory();
    std::wstring path;
    if (!fileDialogs->saveFile(tr("Measure/ExportCSV") + L"...", L"CSV Files", {{L"Text CSV", L".csv"}}, path,
                               folder, application::ReplaceQuestion::Caller))
        return;
    if (mayReplace(path)) {
        const Measure::FileResult result = workspace->exportCsv(path);
        if (!result.ok)
            showFileError("Measure/ExportFailed", result.message);
    }
    set_last_directory(folder); // also when the user kept the old file
}

void PluginMeasure::saveObjects()
{
    const WorkspacePtr workspace = currentWorkspace();
    if (!workspace)
        return;
    std::wstring folder = last_directory();
    std::wstring path;
    const std::wstring filesName = tr("Measure/QuorelObjectsFiles");
    if (!askSaveFileName(tr("Measure/SaveObjects") + L"...", filesName, {{filesName, L".qrmo"}}, path,
                         folder))
        return;
    if (mayReplace(path)) {
        const Measure::FileResult result = workspace->saveObjects(path);
        if (!result.ok)
            showFileError("Measure/SaveObjectsFailed", result.message);
    }
    set_last_directory(folder);
}

void PluginMeasure::loadObjects()
{
    const WorkspacePtr workspace = currentWorkspace();
    const auto fileDialogs = application::get_context();
    if (!workspace || !fileDialogs)
        return;
    // The dialog's folder is not kept: loading leaves "lastDirectory" where saving put it.
    std::wstring folder = last_directory();
    std::wstring path;
    if (!fileDialogs->openFile(L"Load Objects", L"Quorel Objects Files ",
                               {{L"Quorel Objects Files", L".qrmo"}}, path, folder))
        return;
    const Measure::FileResult result =
        workspace->loadObjects(wide_to_utf8(path)); // nothing changes when it fails
    if (!result.ok)
        showFileError("Measure/LoadObjectsFailed", result.message);
}

} // namespace app
