// The appearance setters of the measure plug-in: a value goes into the
// appearance settings, then reaches the workspaces.

#include "measure/PluginMeasure.h"

#include "measure/IMeasureObject.h"
#include "measure/MeasureAppearanceSettings.h"
#include "measure/Workspace.h"

namespace app {

namespace {

void set_value(const wchar_t* name, int64_t value)
{
    MeasureAppearanceSettings::instance().setInt64(name, value);
}

} // namespace

// Colours arrive as signed 32-bit values and are kept sign-extended.
void PluginMeasure::setAnnotationTextColor(int colour)
{
    set_value(MeasureAppearanceSettings::ANNOTATION_TEXT_COLOR, colour);
    for (const WorkspacePtr& workspace : allWorkspaces())
        workspace->setLabelStyleDirty();
}

void PluginMeasure::setAnnotationBorderColor(int colour)
{
    set_value(MeasureAppearanceSettings::ANNOTATION_BORDER_COLOR, colour);
    for (const WorkspacePtr& workspace : allWorkspaces())
        workspace->setLabelStyleDirty();
}

void PluginMeasure::setAnnotationBackColor(int colour)
{
    set_value(MeasureAppearanceSettings::ANNOTATION_BACK_COLOR, colour);
    for (const WorkspacePtr& workspace : allWorkspaces())
        workspace->setLabelStyleDirty();
}

void PluginMeasure::setFontSize(int64_t size)
{
    set_value(MeasureAppearanceSettings::FONT_SIZE, size); // clamped into 12 .. 30
    for (const WorkspacePtr& workspace : allWorkspaces())
        workspace->setLabelStyleDirty();
}

namespace {

// Every object of every workspace copies the appearance values anew; frame
// threads may draw them meanwhile, so under each workspace's lock.
void reload_appearance(const std::vector<PluginMeasure::WorkspacePtr>& workspaces)
{
    for (const auto& workspace : workspaces) {
        std::lock_guard lock(workspace->objectsMutex());
        for (const auto& object : workspace->objects())
            object->loadAppearance();
    }
}

} // namespace

void PluginMeasure::setLineWidth(int64_t width)
{
    set_value(MeasureAppearanceSettings::LINE_WIDTH, width); // clamped into 1 .. 10
    reload_appearance(allWorkspaces());
}

void PluginMeasure::setEdgeSize(int64_t size)
{
    set_value(MeasureAppearanceSettings::EDGE_SIZE, size); // clamped into 5 .. 10
    reload_appearance(allWorkspaces());
}

} // namespace app
