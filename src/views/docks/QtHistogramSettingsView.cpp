#include "views/docks/QtHistogramSettingsView.h"

#include "app/Localization.h"
#include "kyrgx/Color.h"
#include "kyrgx/Graphics.h"
#include "views/docks/DockLayout.h"
#include "views/docks/QtPictureBox.h"
#include "views/grid/BoolParamater.h"
#include "views/grid/GuardedCall.h"
#include "views/grid/ListParameter.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"
#include "views/grid/QtCategoryButton.h"

#include <QCloseEvent>
#include <QFrame>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace app::QtView {

namespace {

const std::vector<std::wstring> kColorChannels = {L"RGB", L"R", L"G", L"B", L"Grayscale"};
const std::vector<std::wstring> kMonoChannels = {L"Grayscale"};

bool contains(const std::vector<std::wstring>& items, const std::wstring& item)
{
    return std::find(items.begin(), items.end(), item) != items.end();
}

} // namespace

QtHistogramSettingsView::QtHistogramSettingsView(QWidget* parent)
    : QDockWidget(QString::fromStdWString(Localization::getString("Histogram/Title")), parent)
{
    setObjectName(QStringLiteral("histogramSettingsView"));
    accordion_ = new QtAccordion(this);
    settingsPage_ = accordion_->addPage(L"Settings");
    displayPage_ = accordion_->addPage(L"Display");
    auto relayout = [this](IViewBase*) { layoutPicture(); };
    settingsPage_->headerButton()->expanded.push_back(relayout);
    settingsPage_->headerButton()->collapsed.push_back(relayout);

    grid_ = new PropertyGrid(this);
    grid_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::MinimumExpanding);
    showZeros_ = grid_->addBool(Localization::getString("Histogram/ShowZeros"), false).second;
    displayMode_ = grid_
                       ->addList(Localization::getString("Histogram/DisplayMode"),
                                 {L"Linear", L"Logarithmic"}, L"Logarithmic")
                       .second;
    channels_ = grid_->addList(Localization::getString("Histogram/Channels"), kColorChannels, L"RGB").second;
    showZeros_->eventValueChanged.push_back([this](IViewBase*, bool value) {
        if (!updating_)
            raise_event(showZerosChanged, this, value);
    });
    displayMode_->eventSelectionChanged.push_back([this](IViewBase*, const std::wstring& mode) {
        if (!updating_)
            raise_event(displayModeChanged, this, mode);
    });
    channels_->eventSelectionChanged.push_back([this](IViewBase*, const std::wstring& channels) {
        if (!updating_)
            raise_event(channelsChanged, this, channels);
    });

    box_ = new QtPictureBox(this);
    box_->onPaint = [this](kyrgx::Graphics* graphics) {
        graphics->clearColor(kyrgx::Color(45, 45, 48));
        raise_event(paintRequested, this, graphics, box_->width(), box_->height());
    };

    frame_ = new QFrame(this);
    frame_->setMinimumSize(365, 480);
    frame_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::MinimumExpanding);
    auto* frameLayout = new QVBoxLayout(frame_);
    frameLayout->setContentsMargins(8, 8, 8, 8);
    frameLayout->addWidget(box_);

    settingsPage_->contentLayout()->addWidget(grid_);
    displayPage_->contentLayout()->addWidget(frame_);
    for (QtAccordionPage* page : {settingsPage_, displayPage_}) {
        fitPage(page);
        page->setExpanded(true);
    }
    setWidget(accordion_);
    setUpDockFrame(this, 365, 2160);
    accordion_->installEventFilter(this);
}

void QtHistogramSettingsView::repaint()
{
    box_->postRepaint();
}

void QtHistogramSettingsView::setColorChannels(bool color)
{
    if (color == color_)
        return;
    color_ = color;
    const std::wstring kept = channels_->current();
    const std::vector<std::wstring>& items = color ? kColorChannels : kMonoChannels;
    // Filled silently: the camera's stored choice must not be overwritten by
    // what a refill happens to select on its way.
    updating_ = true;
    guardedCall("QtHistogramSettingsView::setColorChannels()", [&] {
        channels_->setItems(items);
        if (contains(items, requestedChannels_))
            channels_->setCurrentText(requestedChannels_);
        else if (contains(items, kept))
            channels_->setCurrentText(kept);
        else
            channels_->setCurrentIndex(0);
    });
    updating_ = false;
}

void QtHistogramSettingsView::setState(bool showZeros, std::wstring displayMode, std::wstring channels)
{
    updating_ = true;
    guardedCall("QtHistogramSettingsView::setState()", [&] {
        showZeros_->setValue(showZeros);
        displayMode_->setCurrentText(displayMode);
        channels_->setCurrentText(channels);
    });
    requestedChannels_ = std::move(channels);
    updating_ = false;
}

void QtHistogramSettingsView::layoutPicture()
{
    setUpdatesEnabled(false);
    // The room inside the accordion under the two page headers (and the
    // settings, while that page is open); never below the least height.
    const QRect room = accordion_->contentsRect();
    const int above = 2 * settingsPage_->headerButton()->height() +
                      (settingsPage_->isExpanded() ? grid_->height() : 0) + kPageSpacing;
    const int h = std::max(room.height() - above, kMinimumPictureHeight);
    // At the least height the pages may not fit: leave the vertical scroll
    // bar its room, so no horizontal one follows.
    int inner = room.width();
    if (above + h > room.height())
        inner -= accordion_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, accordion_);
    frame_->setFixedSize(inner, h);
    frame_->setMinimumHeight(h);
    // Toggled twice: left as it was, with the items laid out anew.
    displayPage_->setExpanded(!displayPage_->isExpanded());
    displayPage_->setExpanded(!displayPage_->isExpanded());
    for (QtAccordionPage* page : accordion_->pages())
        page->updateSizeHint();
    accordion_->update();
    setUpdatesEnabled(true);
}

bool QtHistogramSettingsView::eventFilter(QObject* watched, QEvent* event)
{
    // The accordion fills the dock: its resizes are the dock's, measured
    // after the dock's layout has placed it.
    if (watched == accordion_ && event->type() == QEvent::Resize)
        guardedCall("QtHistogramSettingsView::eventFilter()", [this] { layoutPicture(); });
    return QDockWidget::eventFilter(watched, event);
}

void QtHistogramSettingsView::closeEvent(QCloseEvent* event)
{
    guardedCall("QtHistogramSettingsView::closeEvent()", [this] { raise_event(closed, this); });
    QDockWidget::closeEvent(event);
}

} // namespace app::QtView
