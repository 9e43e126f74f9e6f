#include "measure/MeasureObject.h"

#include "app/Utf8.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/Style.h"
#include "kyrgx/UiRoot.h"
#include "measure/AnnotationLabel.h"
#include "measure/ITransformContext.h"
#include "measure/Measurands.h"
#include "measure/MeasureAppearanceSettings.h"

#include <atomic>

namespace Measure {

namespace {

std::atomic<int32_t> nextObjectId{0};

const kyrgx::Color kSelectedRed{255, 0, 0, 255};

// Disposes a label made for one offscreen drawing, however the drawing ends.
struct DisposeOnExit {
    std::shared_ptr<AnnotationLabel> label;
    ~DisposeOnExit() { label->dispose(); }
};

} // namespace

MeasureObject::MeasureObject(ITransformContext* context, int32_t type) : context_(context), type_(type)
{
    loadAppearance();
    id_ = nextObjectId++;
}

MeasureObject::~MeasureObject()
{
    dropLabel();
}

void MeasureObject::dropLabel()
{
    if (!label_)
        return;
    // A label copy may outlive this object inside the toolkit's message routing.
    label_->onDragStart.clear();
    label_->onDragMove.clear();
    label_->onDragEnd.clear();
    label_->onFocus.clear();
    if (label_->dragging)
        labelDragging = false;
    // A label without a parent was detached already, possibly by a UI root that
    // is gone: only an attached label still has a live root to leave.
    if (label_->parent())
        label_->dispose();
    label_.reset();
}

bool MeasureObject::hitTest(float, float, bool)
{
    return false;
}

void MeasureObject::moveBy(kyrgx::Vec2<float>)
{
    if (movedCallback)
        movedCallback(this);
}

void MeasureObject::moveSelectedVertex(kyrgx::Vec2<float>)
{
    if (vertexMovedCallback)
        vertexMovedCallback(this);
}

void MeasureObject::loadAppearance()
{
    appearance_ = appearance_from_settings();
}

kyrgx::Color MeasureObject::currentLineColor()
{
    for (const auto& selected : context_->selectedObjects())
        if (selected.get() == this)
            return kSelectedRed;
    return appearance_.lineColor;
}

bool MeasureObject::labelAnchor(kyrgx::Vec2<float>&) const
{
    return false;
}

void MeasureObject::onLabelCreated(const std::shared_ptr<AnnotationLabel>&) {}

void MeasureObject::render(kyrgx::Graphics& g, std::shared_ptr<kyrgx::Control> parent)
{
    kyrgx::Vec2<float> anchor;
    if (!labelVisible_ || !labelAnchor(anchor))
        return;
    if (context_->drawsOnScreen(g))
        renderScreenLabel(g, parent);
    else
        renderOffscreenLabel(g, anchor);
}

void MeasureObject::renderScreenLabel(kyrgx::Graphics& g, const std::shared_ptr<kyrgx::Control>& parent)
{
    // A label that lost its view (the view's controls were released) is made
    // again under the view given now.
    if (label_ && label_->parent() != parent)
        dropLabel();
    if (!label_) {
        if (!parent)
            return;
        createLabel(g, parent);
    }
    updateLabelText();
    if (labelText_.empty()) {
        label_->setVisible(false);
        return;
    }
    label_->setVisible(true);
    label_->setText(labelText_);
    label_->setStyle(context_->labelStyle(g).lock());
    label_->setPositionF(context_->imageToGraphics(g, labelPosition_));
    label_->draw(g);
}

void MeasureObject::configureLabel(AnnotationLabel& label, kyrgx::Graphics& g)
{
    label.setStyle(context_->labelStyle(g).lock());
    label.setAutoSize(true);
    label.multiLine = true;
    label.splitAtNewlines = true;
    label.setAlignment(kyrgx::ALIGN_TOP_LEFT);
}

void MeasureObject::createLabel(kyrgx::Graphics& g, const std::shared_ptr<kyrgx::Control>& parent)
{
    label_ = AnnotationLabel::create(parent->root(), 0, 0, 12, 12, L"Width: 250 cm\nHeight: 480cm", parent);
    configureLabel(*label_, g);
    label_->setVisible(labelVisible_);
    label_->draggable = true;
    label_->onDragStart.push_back(
        [](const kyrgx::Control::Sender&, const kyrgx::event_args&) { labelDragging = true; });
    label_->onDragEnd.push_back(
        [](const kyrgx::Control::Sender&, const kyrgx::event_args&) { labelDragging = false; });
    label_->onDragMove.push_back([this](const kyrgx::Control::Sender& sender, const kyrgx::event_args&) {
        std::lock_guard lock(context_->objectsMutex());
        setLabelPosition(sender->positionF());
        updateLabelPosition();
    });
    label_->onFocus.push_back([this](const kyrgx::Control::Sender&, const kyrgx::event_args&) {
        const auto listeners = labelFocusListeners;
        for (const auto& listener : listeners)
            if (listener)
                listener(nullptr, this);
    });
    onLabelCreated(label_);
    updateLabelPosition();
}

void MeasureObject::renderOffscreenLabel(kyrgx::Graphics& g, kyrgx::Vec2<float> anchor)
{
    updateLabelText();
    if (labelText_.empty())
        return;
    kyrgx::UiRoot* root = context_->offscreenRoot(g);
    if (!root)
        return;
    const DisposeOnExit label{AnnotationLabel::create(root, 0, 0, 12, 12, labelText_, nullptr)};
    configureLabel(*label.label, g);
    // The offset keeps the place the on-screen label was given (or vertex 0).
    label.label->setPositionF(context_->imageToGraphics(g, anchor + labelOffset_));
    label.label->draw(g);
}

void MeasureObject::setLabelPosition(kyrgx::Vec2<float> windowPosition)
{
    kyrgx::Vec2<float> anchor;
    if (labelAnchor(anchor))
        labelOffset_ = context_->windowToImage(windowPosition) - anchor;
}

void MeasureObject::updateLabelPosition()
{
    kyrgx::Vec2<float> anchor;
    if (!label_ || !labelAnchor(anchor))
        return;
    const kyrgx::Vec2<float> w = clampLabelToView(context_->imageToWindow(anchor + labelOffset_));
    labelPosition_ = context_->windowToImage(w);
    setLabelPosition(w);
    labelWindowPosition_ = w;
}

void MeasureObject::resetLabelPosition()
{
    kyrgx::Vec2<float> anchor;
    if (label_ && labelAnchor(anchor))
        labelWindowPosition_ = clampLabelToView(context_->imageToWindow(anchor));
}

kyrgx::Vec2<float> MeasureObject::clampLabelToView(kyrgx::Vec2<float> w) const
{
    const ImageRect r = context_->imageRect();
    const kyrgx::Vec2<int> size = label_ ? label_->size() : kyrgx::Vec2<int>{};
    const auto lw = static_cast<float>(size.x);
    const auto lh = static_cast<float>(size.y);
    if (static_cast<float>(r.left) > w.x)
        w.x = static_cast<float>(r.left);
    else if (w.x + lw > static_cast<float>(r.right))
        w.x = static_cast<float>(r.right) - lw + 1.0f;
    if (static_cast<float>(r.top) > w.y)
        w.y = static_cast<float>(r.top);
    else if (w.y + lh > static_cast<float>(r.bottom))
        w.y = static_cast<float>(r.bottom) - lh + 1.0f;
    return w;
}

void MeasureObject::updateLabelText()
{
    using S = MeasureAppearanceSettings;
    const helper::ParameterContainer& settings = S::instance();
    std::wstring unit;
    bool unitRead = false;
    // The unit is asked for once, and only when a line needs it.
    auto value = [&](const wchar_t* name, float v, bool withUnit) {
        std::wstring line = name + app::utf8_to_wide(context_->formatValue(v));
        if (withUnit) {
            if (!unitRead) {
                unit = context_->unitAbbreviation();
                unitRead = true;
            }
            line += L" " + unit;
        }
        return line;
    };
    std::wstring text;
    if (const auto* m = dynamic_cast<const IAreaMeasurand*>(this); m && settings.getBool(S::SHOW_AREA))
        text += value(L"Area: ", m->area(), true) + L"\u00B2\n";
    if (const auto* m = dynamic_cast<const IRectMeasurand*>(this); m && settings.getBool(S::SHOW_RECT)) {
        text += value(L"Width: ", m->width(), true) + L"\n";
        text += value(L"Height: ", m->height(), true) + L"\n";
    }
    if (const auto* m = dynamic_cast<const IPerimeterMeasurand*>(this);
        m && settings.getBool(S::SHOW_PERIMETER))
        text += value(L"Perimeter: ", m->perimeter(), true) + L"\n";
    if (const auto* m = dynamic_cast<const IDiameterMeasurand*>(this);
        m && settings.getBool(S::SHOW_DIAMETER))
        text += value(L"Diameter: ", m->diameter(), true) + L"\n";
    if (const auto* m = dynamic_cast<const IRadiusMeasurand*>(this); m && settings.getBool(S::SHOW_RADIUS))
        text += value(L"Radius: ", m->radius(), true) + L"\n";
    if (const auto* m = dynamic_cast<const ILengthMeasurand*>(this); m && settings.getBool(S::SHOW_LENGTH))
        text += value(L"Length: ", m->length(), true) + L"\n";
    if (const auto* m = dynamic_cast<const IArcAngle*>(this); m && settings.getBool(S::SHOW_ARC_ANGLE))
        text += value(L"Angle: ", m->angle(), false) + L"\u00B0\n";
    labelText_ = std::move(text);
}

} // namespace Measure
