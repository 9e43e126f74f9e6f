// The appearance dialog of the measure plug-in: the selected annotation's
// text, whether the overlay and the scale bar show and where the bar stands,
// line width and handle size, the label colours and font size, and which
// measurands the labels show. Every change takes effect at once. GUI thread only.

#include "measure/PluginMeasure.h"

#include "app/Localization.h"
#include "measure/AnnotationObject.h"
#include "measure/MeasureAppearanceSettings.h"
#include "measure/PluginMeasureDialogRows.h"
#include "model/PluginContext.h"
#include "views/docks/IPropertyView.h"

namespace app {

namespace {

std::wstring tr(const char* key)
{
    return Localization::getString(key);
}

helper::ParameterContainer& appearance()
{
    return MeasureAppearanceSettings::instance();
}

// The colour of a colour setting as the row shows it: the low 32 bits.
uint32_t colour_of(const wchar_t* name)
{
    return static_cast<uint32_t>(appearance().getInt(name) & 0xFFFFFFFF);
}

// A chosen colour as the setters take it: opaque, as a signed 32-bit value.
int opaque(uint32_t colour)
{
    return static_cast<int32_t>(colour | 0xFF000000u);
}

} // namespace

void PluginMeasure::showAppearanceDialog()
{
    if (appearanceDialog) {
        appearanceDialog->raise();
        return;
    }
    if (!context)
        return;
    IPropertyView* const view = context->createPropertyView(tr("Measure/Appearance"));
    if (!view)
        return;
    appearanceDialog = view;
    view->closed.push_back(plugin_measure_event(rowsAlive, "onAppearanceDialogClosed", [this, view] {
        if (appearanceDialog == view)
            appearanceDialog = nullptr;
    }));

    const std::wstring page = tr("Measure/Configuration");
    const std::wstring miscellaneous = tr("Measure/Miscellaneous");
    const std::wstring objects = tr("Measure/Objects");
    const std::wstring annotation = tr("Measure/Annotation");
    const std::wstring measurands = tr("Measure/Measurands");

    const auto switchRow = [&](const std::wstring& group, const char* label, const wchar_t* name) {
        auto row = view->addSwitchParameter(page, group, tr(label), appearance().getBool(name));
        row->valueChanged.push_back(plugin_measure_event(
            rowsAlive, "setAppearance", [name](bool on) { appearance().setBool(name, on); }));
        return row;
    };
    const auto intRow = [&](const std::wstring& group, const char* label, const wchar_t* name,
                            int64_t minimum, int64_t maximum, void (PluginMeasure::*setter)(int64_t)) {
        auto row =
            view->addRangeParameter(page, group, tr(label), appearance().getInt(name), minimum, maximum);
        row->valueChanged.push_back(plugin_measure_event(
            rowsAlive, "setAppearance", [this, setter](int64_t value) { (this->*setter)(value); }));
        return row;
    };
    const auto colourRow = [&](const std::wstring& group, const char* label, const wchar_t* name,
                               void (PluginMeasure::*setter)(int)) {
        auto row = view->addColorParameter(page, group, tr(label), colour_of(name));
        row->colorChanged.push_back(
            plugin_measure_event(rowsAlive, "setAppearance",
                                 [this, setter](uint32_t colour) { (this->*setter)(opaque(colour)); }));
        return row;
    };

    const auto selected = selectedAnnotation();
    objectTextRow = view->addStringParameter(page, miscellaneous, tr("Measure/Object Text"),
                                             selected ? selected->text() : std::wstring());
    objectTextRow->textChanged.push_back(plugin_measure_event(
        rowsAlive, "onObjectTextChanged", [this](const std::wstring& text) { onObjectTextChanged(text); }));
    objectTextRow->setEnabled(selected != nullptr);
    objectTextRow->setReadOnly(selected == nullptr);

    showOverlayRow = switchRow(miscellaneous, "Measure/ShowOverlay", MeasureAppearanceSettings::SHOW_OVERLAY);
    showScaleBarRow =
        switchRow(miscellaneous, "Measure/ShowScaleBar", MeasureAppearanceSettings::SHOW_SCALE_BAR);

    const auto alignment = std::dynamic_pointer_cast<helper::listParameter>(
        appearance().findParameter(MeasureAppearanceSettings::SCALE_BAR_ALIGNMENT));
    scaleBarAlignmentRow = view->addListParameter(
        page, miscellaneous, L"Scale Bar Alignment",
        alignment ? alignment->items() : MeasureAppearanceSettings::scaleBarAlignments(),
        alignment ? alignment->value()
                  : appearance().getList(MeasureAppearanceSettings::SCALE_BAR_ALIGNMENT));
    scaleBarAlignmentRow->selectionChanged.push_back(
        plugin_measure_event(rowsAlive, "setAppearance", [](const std::wstring& entry) {
            appearance().setList(MeasureAppearanceSettings::SCALE_BAR_ALIGNMENT, entry);
        }));

    lineWidthRow = intRow(objects, "Measure/LineWidth", MeasureAppearanceSettings::LINE_WIDTH, 1, 10,
                          &PluginMeasure::setLineWidth);
    vertexSizeRow = intRow(objects, "Measure/VertexSize", MeasureAppearanceSettings::EDGE_SIZE, 5, 10,
                           &PluginMeasure::setEdgeSize);

    textColorRow =
        colourRow(annotation, "Measure/TextColor", MeasureAppearanceSettings::ANNOTATION_TEXT_COLOR,
                  &PluginMeasure::setAnnotationTextColor);
    borderColorRow =
        colourRow(annotation, "Measure/BorderColor", MeasureAppearanceSettings::ANNOTATION_BORDER_COLOR,
                  &PluginMeasure::setAnnotationBorderColor);
    backgroundColorRow =
        colourRow(annotation, "Measure/BackgroundColor", MeasureAppearanceSettings::ANNOTATION_BACK_COLOR,
                  &PluginMeasure::setAnnotationBackColor);
    fontSizeRow = intRow(annotation, "Measure/FontSize", MeasureAppearanceSettings::FONT_SIZE, 12, 30,
                         &PluginMeasure::setFontSize);

    showAreaRow = switchRow(measurands, "Measure/ShowArea", MeasureAppearanceSettings::SHOW_AREA);
    showArcAngleRow =
        switchRow(measurands, "Measure/ShowArcAngle", MeasureAppearanceSettings::SHOW_ARC_ANGLE);
    showRectRow = switchRow(measurands, "Measure/ShowRect", MeasureAppearanceSettings::SHOW_RECT);
    showPerimeterRow =
        switchRow(measurands, "Measure/ShowPerimeter", MeasureAppearanceSettings::SHOW_PERIMETER);
    showDiameterRow = switchRow(measurands, "Measure/ShowDiameter", MeasureAppearanceSettings::SHOW_DIAMETER);
    showRadiusRow = switchRow(measurands, "Measure/ShowRadius", MeasureAppearanceSettings::SHOW_RADIUS);
    showLengthRow = switchRow(measurands, "Measure/ShowLength", MeasureAppearanceSettings::SHOW_LENGTH);

    view->expandAll();
    view->relayout();
    view->raise();
}

void PluginMeasure::onObjectTextChanged(const std::wstring& text)
{
    // Typed texts only: with no annotation selected the row is read-only.
    if (const auto annotation = selectedAnnotation())
        annotation->setText(text);
}

void PluginMeasure::showObjectText(const std::shared_ptr<Measure::AnnotationObject>& annotation)
{
    if (!appearanceDialog || !objectTextRow)
        return;
    // The edit event this raises writes the same text back to the same
    // annotation, or finds none to write to.
    objectTextRow->setText(annotation ? annotation->text() : std::wstring());
    objectTextRow->setEnabled(annotation != nullptr);
    objectTextRow->setReadOnly(annotation == nullptr);
}

} // namespace app
