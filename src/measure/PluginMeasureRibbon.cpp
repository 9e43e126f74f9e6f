// The measure plug-in's ribbon tab, its title-bar buttons, the tools behind
// the tool buttons and the switch of the current tool.

#include "measure/PluginMeasure.h"

#include "app/Localization.h"
#include "measure/PluginMeasureDialogRows.h"
#include "measure/Tool.h"
#include "measure/Workspace.h"
#include "model/PluginContext.h"
#include "views/IMenuButton.h"

#include <functional>

namespace app {

namespace {

// A ribbon button of the Measure tab with its icon and its click handler;
// null when the window made none.
IMenuButton* add_button(Plugin::PluginContext* context, const std::wstring& group, const char* caption,
                        const wchar_t* icon, std::function<void(IViewBase*)> onClick)
{
    IMenuButton* button = context->addMenuButton(Localization::getString("Measure/Measure"), group,
                                                 Localization::getString(caption));
    if (button) {
        button->setIcon(icon);
        button->clicked.push_back(std::move(onClick));
    }
    return button;
}

} // namespace

void PluginMeasure::createRibbon()
{
    if (!context)
        return;
    microscopeButton = add_button(
        context, L"dialogs", "Measure/Microscope", L"microscope.png",
        plugin_measure_event(rowsAlive, "showMicroscopeDialog", [this] { showMicroscopeDialog(); }));
    appearanceButton = add_button(
        context, L"dialogs", "Measure/Appearance", L"appearance.png",
        plugin_measure_event(rowsAlive, "showAppearanceDialog", [this] { showAppearanceDialog(); }));
    saveButton = add_button(context, L"test", "Measure/Save", L"save.png",
                            plugin_measure_event(rowsAlive, "saveObjects", [this] { saveObjects(); }));
    loadButton = add_button(context, L"test", "Measure/Load", L"load.png",
                            plugin_measure_event(rowsAlive, "loadObjects", [this] { loadObjects(); }));
    exportCsvButton = add_button(context, L"test", "Measure/ExportCSV", L"csv.png",
                                 plugin_measure_event(rowsAlive, "exportCsv", [this] { exportCsv(); }));

    addSelectToolButton(Localization::getString("Measure/Select"), L"select.png");
    addLineToolButton(Localization::getString("Measure/Line"), L"ruler1.png");
    addMultilineToolButton(Localization::getString("Measure/Multiline"), L"kruler.png");
    addPolygonToolButton(Localization::getString("Measure/Polygon"), L"polygon.png");
    addRectangleToolButton(Localization::getString("Measure/Rectangle"), L"rectangle.png");
    addCircleToolButton(Localization::getString("Measure/Circle"), L"circle.png");
    addAngleToolButton(Localization::getString("Measure/Angle"), L"angle.png");
    addAnnotationToolButton(L"Annotation", L"annotation.png");
    addEraserToolButton(Localization::getString("Measure/Eraser"), L"eraser.png");
    selectTool(Measure::kind_id(Measure::ToolKind::Select));

    redoButton = context->addTitleBarButton(Localization::getString("Measure/Redo"), L"redo.png");
    if (redoButton)
        redoButton->clicked.push_back([this](IViewBase*) {
            if (const WorkspacePtr workspace = currentWorkspace())
                workspace->redo();
        });
    undoButton = context->addTitleBarButton(Localization::getString("Measure/Undo"), L"undo.png");
    if (undoButton)
        undoButton->clicked.push_back([this](IViewBase*) {
            if (const WorkspacePtr workspace = currentWorkspace())
                workspace->undo();
        });
}

IMenuButton* PluginMeasure::addToolButton(const std::wstring& caption, const std::wstring& icon,
                                          std::shared_ptr<Measure::Tool> tool)
{
    IMenuButton* button =
        context->addMenuButton(Localization::getString("Measure/Measure"), L"Tools", caption);
    if (button) {
        button->setIcon(icon);
        button->setCheckable(true);
        button->clicked.push_back([this, button](IViewBase*) { onToolButtonClicked(button); });
    }
    toolButtons.push_back({button, std::move(tool)});
    return button;
}

IMenuButton* PluginMeasure::addSelectToolButton(const std::wstring& caption, const std::wstring& icon)
{
    return addToolButton(caption, icon, std::make_shared<Measure::SelectTool>());
}

IMenuButton* PluginMeasure::addLineToolButton(const std::wstring& caption, const std::wstring& icon)
{
    return addToolButton(caption, icon, std::make_shared<Measure::LineTool>());
}

IMenuButton* PluginMeasure::addMultilineToolButton(const std::wstring& caption, const std::wstring& icon)
{
    return addToolButton(caption, icon,
                         std::make_shared<Measure::MultilineTool>()); // completes on a right click
}

IMenuButton* PluginMeasure::addPolygonToolButton(const std::wstring& caption, const std::wstring& icon)
{
    return addToolButton(caption, icon,
                         std::make_shared<Measure::PolygonTool>()); // completes on a right click
}

IMenuButton* PluginMeasure::addRectangleToolButton(const std::wstring& caption, const std::wstring& icon)
{
    return addToolButton(caption, icon, std::make_shared<Measure::RectangleTool>());
}

IMenuButton* PluginMeasure::addCircleToolButton(const std::wstring& caption, const std::wstring& icon)
{
    return addToolButton(caption, icon, std::make_shared<Measure::CircleTool>());
}

IMenuButton* PluginMeasure::addAngleToolButton(const std::wstring& caption, const std::wstring& icon)
{
    return addToolButton(caption, icon, std::make_shared<Measure::AngleTool>());
}

IMenuButton* PluginMeasure::addAnnotationToolButton(const std::wstring& caption, const std::wstring& icon)
{
    return addToolButton(caption, icon, std::make_shared<Measure::AnnotationTool>());
}

IMenuButton* PluginMeasure::addEraserToolButton(const std::wstring& caption, const std::wstring& icon)
{
    return addToolButton(caption, icon, std::make_shared<Measure::EraserTool>());
}

void PluginMeasure::onToolButtonClicked(IMenuButton* button)
{
    bool drawing;
    {
        std::lock_guard lock(pluginMutex);
        for (const ToolButton& entry : toolButtons) {
            const bool clicked = entry.button == button;
            if (clicked)
                currentTool = entry.tool;
            if (entry.button)
                entry.button->setChecked(clicked);
        }
        drawing = !isCurrentTool(Measure::kind_id(Measure::ToolKind::Select));
        pendingPoints.clear();
    }
    // Choosing Select leaves a calibration running (its line is dragged with
    // it); stopping takes the lock itself and sets the dialog's rows.
    if (drawing)
        stopCalibration();
}

void PluginMeasure::selectTool(int32_t kind)
{
    for (const ToolButton& entry : toolButtons) {
        const bool chosen = entry.tool && entry.tool->kind() == kind;
        if (chosen)
            currentTool = entry.tool;
        if (entry.button)
            entry.button->setChecked(chosen);
    }
}

bool PluginMeasure::isCurrentTool(int32_t kind) const
{
    return currentTool && currentTool->kind() == kind;
}

} // namespace app
