#include "views/liveview/QTabedLiveViewContainer.h"

#include "app/Utf8.h"
#include "views/liveview/LiveViewLayout.h"
#include "views/liveview/QLiveViewPanel.h"
#include "views/liveview/QtLiveView.h"

#include <QGridLayout>
#include <QTabBar>
#include <QVariant>

#include <spdlog/spdlog.h>

namespace app {

static_assert(sizeof(DeviceInfoContainer) == 8, "a tab's camera is one handle");

namespace {

void register_metatype()
{
    static const int id = qRegisterMetaType<DeviceInfoContainer>("DeviceInfoContainer");
    (void)id;
}

QString caption(const vsx::DeviceInfo& device)
{
    return QString::fromStdWString(device_caption(device));
}

} // namespace

QTabedLiveViewContainer::QTabedLiveViewContainer(QLiveViewPanel* panel, QWidget* parent)
    : QWidget(parent), panel_(panel)
{
    register_metatype();
    panel_->layoutChanged.push_back(
        [this](IViewBase*, std::vector<std::shared_ptr<QtLiveView>> views) { liveViewLayoutChanged(views); });
    panel_->viewAdded.push_back([this](IViewBase*, vsx::DeviceInfo device) { addTab(device); });
    panel_->viewRemoved.push_back([this](IViewBase*, vsx::DeviceInfo device) { removeLiveView(device); });
    panel_->singleViewChanged.push_back([this](IViewBase* view, bool on) { onSingleViewChanged(view, on); });

    tabBar_ = new QTabBar(this);
    tabBar_->setObjectName(QStringLiteral("liveViewTabs"));
    tabBar_->hide(); // in the layout only in single-view mode
    connect(tabBar_, &QTabBar::currentChanged, this, [this](int index) { onCurrentChanged(index); });

    layout_ = new QGridLayout();
    layout_->setSpacing(0);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->addWidget(panel_, 0, 0);
    setLayout(layout_);
}

QTabedLiveViewContainer::~QTabedLiveViewContainer() = default;

vsx::DeviceInfo QTabedLiveViewContainer::tabDevice(int index) const
{
    const QVariant data = tabBar_->tabData(index);
    if (data.userType() != qMetaTypeId<DeviceInfoContainer>())
        return {};
    return data.value<DeviceInfoContainer>().device;
}

int QTabedLiveViewContainer::findTab(const std::wstring& uniqueName) const
{
    for (int i = 0; i < tabBar_->count(); ++i) {
        const vsx::DeviceInfo device = tabDevice(i);
        if (!device.empty() && device_unique_name(device) == uniqueName)
            return i;
    }
    return -1;
}

void QTabedLiveViewContainer::addTab(const vsx::DeviceInfo& device)
{
    const int index = tabBar_->addTab(caption(device));
    if (index < 0)
        return;
    tabBar_->setTabData(index, QVariant::fromValue(DeviceInfoContainer{device}));
    panel_->selectByName(device_unique_name(device));
}

void QTabedLiveViewContainer::removeLiveView(const vsx::DeviceInfo& device)
{
    spdlog::info("removeLiveView: {}", wide_to_utf8(device_caption(device)));
    const int index = findTab(device_unique_name(device));
    if (index >= 0)
        tabBar_->removeTab(index);
    if (const auto selected = panel_->selectedView())
        panel_->selectByName(device_unique_name(selected->deviceInfo));
}

void QTabedLiveViewContainer::onCurrentChanged(int index)
{
    if (index < 0)
        return;
    const vsx::DeviceInfo device = tabDevice(index);
    if (!device.empty())
        panel_->selectByName(device_unique_name(device));
}

void QTabedLiveViewContainer::onSingleViewChanged(IViewBase* view, bool on)
{
    if (on) {
        layout_->addWidget(tabBar_, 1, 0);
        tabBar_->show();
        const auto* live = dynamic_cast<ILiveView*>(view);
        if (live) {
            const int index = findTab(device_unique_name(live->deviceInfo));
            if (index >= 0)
                tabBar_->setCurrentIndex(index);
        }
    } else {
        layout_->removeWidget(tabBar_);
        tabBar_->hide();
    }
}

void QTabedLiveViewContainer::liveViewLayoutChanged(const std::vector<std::shared_ptr<QtLiveView>>& views)
{
    if (static_cast<int>(views.size()) != tabBar_->count()) {
        spdlog::warn("liveViewLayoutChanged: view count does not match tabWidget count.");
        return;
    }
    const bool blocked = tabBar_->blockSignals(true);
    for (int i = 0; i < tabBar_->count(); ++i) {
        const vsx::DeviceInfo& device = views[static_cast<size_t>(i)]->deviceInfo;
        const std::wstring name = device_unique_name(device);
        const vsx::DeviceInfo current = tabDevice(i);
        if (current.empty() || device_unique_name(current) != name) {
            tabBar_->setTabData(i, QVariant::fromValue(DeviceInfoContainer{device}));
            tabBar_->setTabText(i, caption(device));
        }
    }
    tabBar_->blockSignals(blocked);
}

} // namespace app
