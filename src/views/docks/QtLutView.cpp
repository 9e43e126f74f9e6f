// The LUT dock's frame: construction, the operations the LUT controller calls
// and the rows' handlers. The plot (drawing and pointer) is in
// QtLutViewGraph.cpp, the curve arithmetic in LutCurve.cpp.

#include "views/docks/QtLutView.h"

#include "app/Utf8.h"
#include "views/docks/DockLayout.h"
#include "views/docks/LutCurve.h"
#include "views/docks/QtPictureBox.h"
#include "views/grid/BoolParamater.h"
#include "views/grid/GuardedCall.h"
#include "views/grid/ListParameter.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/PropertyGridLabelBase.h"
#include "views/grid/PushParameter.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"

#include <QCloseEvent>
#include <QFrame>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

namespace app::QtView {

namespace {

const std::wstring kRaw = L"Raw";

// Camera text as wide text; bytes that are not UTF-8 become replacement
// characters instead of failing.
std::wstring widen(const std::string& text)
{
    return QString::fromStdString(text).toStdWString();
}

PropertyGrid* makeGrid(QWidget* parent)
{
    auto* grid = new PropertyGrid(parent);
    grid->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::MinimumExpanding);
    return grid;
}

// A range of the camera, cut down to what a LUT can sensibly have.
int64_t lutRange(int64_t minimum, int64_t maximum, int64_t cap, const char* what)
{
    const int64_t range = lut::range_between(minimum, maximum, cap);
    if (maximum < minimum)
        spdlog::warn("QtLutView::setData(): the {} range {} … {} is empty; it counts as 0 … 0", what, minimum,
                     maximum);
    else if (range == cap)
        spdlog::warn("QtLutView::setData(): the {} range {} … {} is cut to {} steps", what, minimum, maximum,
                     cap);
    return range;
}

} // namespace

QtLutView::QtLutView(QWidget* parent) : QDockWidget(QStringLiteral("LUT"), parent)
{
    setObjectName(QStringLiteral("lutView"));
    points_ = {{0.0f, static_cast<float>(valMin_)},
               {static_cast<float>(idxRange_), static_cast<float>(valMax_)}};
    table_.assign(static_cast<size_t>(idxRange_) + 1, 0);

    accordion_ = new QtAccordion(this);
    graphPage_ = accordion_->addPage(L"Graph");
    parameterPage_ = accordion_->addPage(L"Parameter");

    parameterGrid_ = makeGrid(this);
    selectorRow_ = parameterGrid_->addList(L"Selector", {}, L"").second;
    enabledRow_ = parameterGrid_->addBool(L"Enabled", false).second;

    graphGrid_ = makeGrid(this);
    modeRow_ = graphGrid_->addList(L"Interpolation Mode", {L"Cubic", L"Linear", kRaw}, L"Cubic").second;

    box_ = new QtPictureBox(this);
    box_->onPaint = [this](kyrgx::Graphics* graphics) { drawGraph(graphics); };
    box_->onMousePress = [this](QMouseEvent* event) { onMousePress(event); };
    box_->onMouseMove = [this](QMouseEvent* event) { onMouseMove(event); };
    box_->onMouseRelease = [this](QMouseEvent* event) { onMouseRelease(event); };

    frame_ = new QFrame(this);
    frame_->setMinimumWidth(365);
    frame_->setFixedHeight(224);
    auto* frameLayout = new QVBoxLayout(frame_);
    frameLayout->setContentsMargins(8, 8, 8, 8);
    frameLayout->addWidget(box_);

    auto reset = parameterGrid_->addPush(L"Reset");
    reset.first->setText(QString());
    resetButton_ = reset.second;
    resetButton_->setText(QStringLiteral("Reset"));

    selectorRow_->eventSelectionChanged.push_back(
        [this](IViewBase*, const std::wstring& selector) { onSelectorChanged(selector); });
    enabledRow_->eventValueChanged.push_back([this](IViewBase*, bool enabled) { onEnabledChanged(enabled); });
    modeRow_->eventSelectionChanged.push_back(
        [this](IViewBase*, const std::wstring& mode) { onModeChanged(mode); });
    resetButton_->eventClicked.push_back([this](IViewBase*) { onReset(); });

    graphPage_->contentLayout()->addWidget(frame_);
    graphPage_->contentLayout()->addWidget(graphGrid_);
    parameterPage_->contentLayout()->addWidget(parameterGrid_);
    fitPage(graphPage_);
    fitPage(parameterPage_);
    graphPage_->setExpanded(true);
    parameterPage_->setExpanded(true);

    setWidget(accordion_);
    setUpDockFrame(this, 365, 2160);
    updateCurve(false);
}

void QtLutView::setData(std::vector<std::wstring> selectors, std::wstring currentSelector, LutData data)
{
    idxMin_ = data.indexMin;
    idxMax_ = data.indexMax;
    valMin_ = data.valueMin;
    valMax_ = data.valueMax;
    idxRange_ = lutRange(idxMin_, idxMax_, lut::kMaxIndexRange, "index");
    valRange_ = lutRange(valMin_, valMax_, lut::kMaxValueRange, "value");
    lutEnabled_ = data.enable;
    // Points from a file or a camera may be anything: too few, unsorted, out
    // of range. Fewer than two become the straight line.
    if (data.points.size() < 2)
        spdlog::warn("QtLutView::setData(): {} control points; the straight line is used",
                     data.points.size());
    points_ = lut::sanitize_points(std::move(data.points), idxRange_, valRange_);
    std::wstring mode = widen(data.mode);
    if (mode != L"Cubic" && mode != L"Linear" && mode != kRaw) {
        spdlog::warn("QtLutView::setData(): unknown interpolation mode \"{}\"; \"Cubic\" is used", data.mode);
        mode = L"Cubic";
    }
    mode_ = mode;
    hovered_ = dragged_ = selected_ = -1;

    selectorRow_->setup(currentSelector, selectors, false, false);
    selectorRow_->setEnabled(selectors.size() != 1 && !currentSelector.empty());

    table_.resize(static_cast<size_t>(idxRange_) + 1, 0);
    if (mode_ == kRaw) // the camera's values: within the value range, like every table
        for (int64_t& entry : table_)
            entry = std::clamp<int64_t>(entry, 0, valRange_);
    updateCurve(true);
    syncControls();
}

void QtLutView::setSelector(const std::string& name)
{
    {
        const QSignalBlocker blocker(selectorRow_);
        selectorRow_->setCurrentText(widen(name));
    }
    raiseCurveChanged();
}

void QtLutView::setRawValue(int64_t value)
{
    if (rawIndex_ < 0 || rawIndex_ >= static_cast<int64_t>(table_.size()))
        return;
    value = std::clamp<int64_t>(value, 0, valRange_);
    int64_t& entry = table_[static_cast<size_t>(rawIndex_)];
    if (value == entry)
        return;
    entry = value;
    // Reported like a user's choice: the mode handler runs.
    modeRow_->setCurrentText(kRaw);
    syncControls();
}

void QtLutView::setRawIndex(int64_t index)
{
    rawIndex_ = index;
}

void QtLutView::setLutEnabled(bool enabled)
{
    lutEnabled_ = enabled;
    syncControls();
}

std::vector<int64_t> QtLutView::computeLutValues(std::vector<kyrgx::Vec2<float>> points,
                                                 const std::string& mode)
{
    if (mode == "Raw")
        return {};
    return lut::compute_table(points, idxRange_, valRange_, mode);
}

void QtLutView::setViewEnabled(bool enabled)
{
    QDockWidget::setEnabled(enabled);
    box_->update();
}

void QtLutView::updateCurve(bool repaint)
{
    if (mode_ != kRaw)
        table_ = lut::compute_table(points_, idxRange_, valRange_, wide_to_utf8(mode_));
    if (repaint)
        box_->update();
}

void QtLutView::syncControls()
{
    {
        const QSignalBlocker blocker(enabledRow_);
        enabledRow_->setValue(lutEnabled_);
    }
    {
        const QSignalBlocker blocker(modeRow_);
        modeRow_->setCurrentText(mode_);
    }
    box_->update();
}

void QtLutView::raiseCurveChanged()
{
    raise_event(curveChanged, this, points_, table_);
}

void QtLutView::onSelectorChanged(const std::wstring& selector)
{
    hovered_ = dragged_ = selected_ = -1;
    raise_event(selectorChanged, this, selector);
}

void QtLutView::onEnabledChanged(bool enabled)
{
    lutEnabled_ = enabled;
    raise_event(lutEnabledChanged, this, enabled);
    updateCurve(true);
}

void QtLutView::onModeChanged(const std::wstring& mode)
{
    mode_ = mode;
    if (mode_ == kRaw) // the points are not shown there
        hovered_ = dragged_ = -1;
    raise_event(interpolationModeChanged, this, mode);
    updateCurve(true);
    if (mode_ != kRaw)
        raiseCurveChanged();
}

void QtLutView::onReset()
{
    // The controller replaces the data through setData while handling it.
    raise_event(resetRequested, this);
    updateCurve(true);
    raiseCurveChanged();
}

void QtLutView::closeEvent(QCloseEvent* event)
{
    guardedCall("QtLutView::closeEvent()", [this] { raise_event(closed, this); });
    QDockWidget::closeEvent(event);
}

void QtLutView::resizeEvent(QResizeEvent* event)
{
    // Only the picture follows the size; the table does not depend on it.
    QDockWidget::resizeEvent(event);
    box_->update();
}

} // namespace app::QtView
