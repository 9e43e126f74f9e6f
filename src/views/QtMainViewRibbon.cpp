// The main window's own command buttons: the title bar's Language, Snap,
// Settings, Histogram and Help, the ribbon's Device, Capture and View tabs,
// the ribbon button map that controllers and plug-ins add to, and the
// operations that enable the buttons.

#include "views/QtMainView.h"

#include "app/Localization.h"
#include "views/window/GuardedCall.h"
#include "views/window/QTitleBar.h"
#include "views/window/QtMenuButton.h"
#include "views/window/QtMenuListButton.h"
#include "views/window/Ribbon.h"

#include <QCoreApplication>
#include <QDockWidget>
#include <QGridLayout>
#include <spdlog/spdlog.h>

namespace app {

namespace {

QString q(const std::wstring& text)
{
    return QString::fromStdWString(text);
}

// For log lines: Qt's conversion never throws.
std::string utf8(const std::wstring& text)
{
    return q(text).toStdString();
}

std::wstring translated(const char* key)
{
    return Localization::getString(key);
}

struct ZoomItem {
    const wchar_t* text;
    float factor; // 0 for Fit and Fill
};

const ZoomItem kZoomItems[] = {
    {L"Fit", 0.0f}, {L"Fill", 0.0f}, {L"4:1", 4.0f},  {L"2:1", 2.0f},
    {L"1:1", 1.0f}, {L"1:2", 0.5f},  {L"1:4", 0.25f},
};

// Raises a list of the window when the button is clicked; what a subscriber
// throws is logged under the handler's name.
void on_click(QtMenuButton* button, const char* handler, std::function<void()> raise)
{
    static_cast<IMenuButton*>(button)->clicked.push_back(
        [handler, raise = std::move(raise)](IViewBase*) { QtView::run_guarded(handler, raise); });
}

} // namespace

// ---- title bar

void QtMainView::buildTitleBarButtons()
{
    titleLanguage_ = new QtMenuListButton(L"Language", titleBar_);
    titleLanguage_->setIcon(L"icon_lang_small.png");
    titleLanguage_->setToolTip(QStringLiteral("Language"));
    buildLanguageList(titleLanguage_);
    titleBar_->addButton(titleLanguage_, 0);

    struct TitleButton {
        const wchar_t* text;
        const wchar_t* icon;
        int side;
        QPointer<QtMenuButton>* member;
        const char* handler;
        std::function<void()> raise;
    };
    const TitleButton buttons[] = {
        {L"Snap", L"icon_snap_small.png", 0, &titleSnap_, "QtMainView::saveImageRequested",
         [this] { raise_event(saveImageRequested, this); }},
        {L"Settings", L"icon_settings_small.png", 0, &titleSettings_, "QtMainView::devicePropertiesRequested",
         [this] { raise_event(devicePropertiesRequested, this, std::wstring()); }},
        {L"Histogram", L"icon_hist_small.png", 0, &titleHistogram_, "QtMainView::histogramRequested",
         [this] { raise_event(histogramRequested, this); }},
        {L"Help", L"help.png", 1, &titleHelp_, "QtMainView::helpRequested",
         [this] { raise_event(helpRequested, this); }},
    };
    for (const TitleButton& each : buttons) {
        auto* button = new QtMenuButton(each.text, titleBar_);
        button->setIcon(each.icon);
        button->setToolTip(std::wstring(each.text));
        on_click(button, each.handler, each.raise);
        titleBar_->addButton(button, each.side);
        *each.member = button;
    }
}

void QtMainView::buildLanguageList(QtMenuListButton* button)
{
    const std::wstring current = Localization::getLanguage();
    std::wstring checked = L"English";
    for (const auto& [name, code] : Localization::languages()) {
        button->addItem(name);
        if (code == current)
            checked = name;
    }
    button->setCheckedItem(checked);
    button->itemSelected.push_back([this](IViewBase*, std::wstring name, int) {
        QtView::run_guarded("QtMainView::languageSelected", [&] { selectLanguage(name); });
    });
}

void QtMainView::selectLanguage(const std::wstring& displayName)
{
    const auto& languages = Localization::languages();
    const auto it = languages.find(displayName);
    const std::wstring code = it == languages.end() ? std::wstring() : it->second;
    QtView::run_guarded("QtMainView::languageSelected", [&] { raise_event(languageSelected, this, code); });
    close();
    QCoreApplication::exit(-1);
}

IMenuButton* QtMainView::addTitleBarButton(const std::wstring& text, const std::wstring& icon)
{
    auto* button = new QtMenuButton(text, titleBar_);
    button->setIcon(icon);
    button->setToolTip(text);
    titleBar_->addButton(button, 0);
    return button;
}

// ---- ribbon

void QtMainView::buildRibbon()
{
    ribbonDock_ = new QDockWidget(this);
    ribbonDock_->setObjectName(QStringLiteral("RibbonDock"));
    ribbonDock_->setTitleBarWidget(new QWidget(ribbonDock_));
    ribbonDock_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    ribbonDock_->setFeatures(QDockWidget::NoDockWidgetFeatures);
    ribbonDock_->setAllowedAreas(Qt::TopDockWidgetArea);

    auto* content = new QWidget(ribbonDock_);
    content->setObjectName(QStringLiteral("RibbonDockContent"));
    // No borders in the ribbon; its drop-down lists (children of their buttons,
    // so under this sheet too) keep the frame every other menu has.
    content->setStyleSheet(QStringLiteral("QWidget { border: none; } QMenu { border: 1px solid #3f3f46; }"));
    content->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    auto* grid = new QGridLayout(content);
    grid->setSpacing(0);
    grid->setContentsMargins(1, 0, 1, 0);
    ribbon_ = new QtGui::Ribbon(content);
    ribbon_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    grid->addWidget(ribbon_, 0, 1);
    ribbonDock_->setWidget(content);
    addDockWidget(Qt::TopDockWidgetArea, ribbonDock_);

    ribbon_->addTab(q(translated("Menu/Tab/Device")));
    ribbon_->addTab(q(translated("Menu/Tab/Capture")));
    ribbon_->addTab(q(translated("Menu/Tab/View")));

    // The Zoom group comes first on the View tab.
    zoom_ = dynamic_cast<QtMenuListButton*>(addRibbonListButton(
        translated("Menu/Tab/View"), translated("Menu/Group/ViewZoom"), translated("Menu/Items/Zoom")));
    if (zoom_) {
        zoom_->setIcon(L"Zoom100.png");
        for (const ZoomItem& item : kZoomItems)
            zoom_->addItem(item.text);
        zoom_->setPopupMode(1);
        zoom_->IMenuListButton::clicked.push_back([this](IViewBase*) {
            QtView::run_guarded("QtMainView::zoomChanged", [this] { raise_event(zoomChanged, this, 1.0f); });
        });
        zoom_->itemSelected.push_back([this](IViewBase*, std::wstring text, int) { onZoomItem(text); });
    }

    const auto raising = [this](EventList<>& list) { return [this, &list] { raise_event(list, this); }; };
    const auto raisingEmptyText = [this](EventList<const std::wstring&>& list) {
        return [this, &list] { raise_event(list, this, std::wstring()); };
    };
    struct Row {
        const char* tab;
        const char* group;
        const char* item;
        const wchar_t* icon;
        QPointer<QtMenuButton>* member;
        const char* handler;
        std::function<void()> raise;
    };
    const Row rows[] = {
        {"Menu/Tab/Device", "Menu/Group/DeviceGeneral", "Menu/Items/OpenDevice", L"device-dialog.png",
         &openDevice_, "QtMainView::openDeviceRequested", raisingEmptyText(openDeviceRequested)},
        {"Menu/Tab/Device", "Menu/Group/DeviceGeneral", "Menu/Items/CloseDevice", L"closedevice.png",
         &closeDevice_, "QtMainView::closeDeviceRequested", raising(closeDeviceRequested)},
        {"Menu/Tab/Device", "Menu/Group/DeviceGeneral", "Menu/Items/Settings", L"Settings.png", &settings_,
         "QtMainView::devicePropertiesRequested", raisingEmptyText(devicePropertiesRequested)},
        {"Menu/Tab/Capture", "Menu/Group/CaptureGeneral", "Menu/Items/SaveImage", L"snap.png", &saveImage_,
         "QtMainView::saveImageRequested", raising(saveImageRequested)},
        {"Menu/Tab/Capture", "Menu/Group/CaptureSequence", "Menu/Items/SaveToSequence",
         L"save_to_sequence2.png", &saveToSequence_, "QtMainView::saveToSequenceRequested",
         raising(saveToSequenceRequested)},
        {"Menu/Tab/Capture", "Menu/Group/CaptureSequence", "Menu/Items/SequenceSettings",
         L"sequence_settings2.png", &sequenceSettings_, "QtMainView::sequenceSettingsRequested",
         raising(sequenceSettingsRequested)},
        {"Menu/Tab/Capture", "Menu/Group/CaptureSequence", "Menu/Items/SequenceTimer", L"timer2.png",
         &sequenceTimer_, "QtMainView::sequenceTimerRequested", raising(sequenceTimerRequested)},
        {"Menu/Tab/View", "Menu/Group/ViewSettings", "Menu/Items/RotateLeft", L"rotate_ccw.png", &rotateLeft_,
         "QtMainView::rotateLeftRequested", raising(rotateLeftRequested)},
        {"Menu/Tab/View", "Menu/Group/ViewSettings", "Menu/Items/RotateRight", L"rotate_cw.png",
         &rotateRight_, "QtMainView::rotateRightRequested", raising(rotateRightRequested)},
        {"Menu/Tab/View", "Menu/Group/ViewSettings", "Menu/Items/FlipHorizontal", L"hflip.png",
         &flipHorizontal_, "QtMainView::flipHorizontalRequested", raising(flipHorizontalRequested)},
        {"Menu/Tab/View", "Menu/Group/ViewSettings", "Menu/Items/FlipVertical", L"vflip.png", &flipVertical_,
         "QtMainView::flipVerticalRequested", raising(flipVerticalRequested)},
        {"Menu/Tab/View", "Menu/Group/ViewSettings", "Menu/Items/ZoomIn", L"zoom_in.png", &zoomIn_,
         "QtMainView::zoomInRequested", raising(zoomInRequested)},
        {"Menu/Tab/View", "Menu/Group/ViewSettings", "Menu/Items/ZoomOut", L"zoom_out.png", &zoomOut_,
         "QtMainView::zoomOutRequested", raising(zoomOutRequested)},
        {"Menu/Tab/View", "Menu/Group/ViewDialogs", "Menu/Items/Filter", L"filter.png", &filter_,
         "QtMainView::filterRequested", raising(filterRequested)},
        {"Menu/Tab/View", "Menu/Group/ViewDialogs", "Menu/Items/Histogram", L"histogram3.png", &histogram_,
         "QtMainView::histogramRequested", raising(histogramRequested)},
    };
    for (const Row& row : rows) {
        auto* button = dynamic_cast<QtMenuButton*>(
            addRibbonButton(translated(row.tab), translated(row.group), translated(row.item)));
        if (!button)
            continue;
        button->setIcon(row.icon);
        on_click(button, row.handler, row.raise);
        *row.member = button;
    }

    // A click toggles a flip button before its event is raised; the
    // controller then sets the state it decides.
    if (flipHorizontal_)
        flipHorizontal_->setCheckable(true);
    if (flipVertical_)
        flipVertical_->setCheckable(true);
}

void QtMainView::onZoomItem(const std::wstring& text)
{
    QtView::run_guarded("QtMainView::zoomChanged", [&] {
        if (text == L"Fit")
            raise_event(zoomFit, this);
        else if (text == L"Fill")
            raise_event(zoomFill, this);
        else
            for (const ZoomItem& item : kZoomItems)
                if (item.factor > 0.0f && text == item.text)
                    raise_event(zoomChanged, this, item.factor);
    });
}

QtMainView::RibbonEntry QtMainView::ribbonEntry(const std::wstring& tab, const std::wstring& group,
                                                const std::wstring& item, bool list)
{
    const std::wstring key = tab + L"_" + group + L"_" + item;
    const auto it = ribbonButtons_.find(key);
    if (it != ribbonButtons_.end() && it->second.widget) {
        if (list ? !it->second.list : !it->second.button)
            spdlog::error("QtMainView::{}() failed: '{}' is a {} button",
                          list ? "addRibbonListButton" : "addRibbonButton", utf8(key),
                          list ? "plain" : "drop-down");
        return it->second;
    }
    RibbonEntry entry;
    if (list) {
        auto* button = new QtMenuListButton(item);
        entry = RibbonEntry{button, nullptr, button};
    } else {
        auto* button = new QtMenuButton(item);
        entry = RibbonEntry{button, button, nullptr};
    }
    ribbon_->addButton(q(tab), q(group), entry.widget);
    ribbonButtons_[key] = entry;
    return entry;
}

IMenuButton* QtMainView::addRibbonButton(const std::wstring& tab, const std::wstring& group,
                                         const std::wstring& item)
{
    return ribbonEntry(tab, group, item, false).button;
}

IMenuListButton* QtMainView::addRibbonListButton(const std::wstring& tab, const std::wstring& group,
                                                 const std::wstring& item)
{
    return ribbonEntry(tab, group, item, true).list;
}

IMenuListButton* QtMainView::addRibbonListButton(const char* tab, const char* group, const char* item)
{
    // Malformed UTF-8 becomes replacement characters, never an exception.
    const auto wide = [](const char* text) { return QString::fromUtf8(text ? text : "").toStdWString(); };
    return addRibbonListButton(wide(tab), wide(group), wide(item));
}

void QtMainView::removeRibbonButton(const std::wstring& tab, const std::wstring& group,
                                    const std::wstring& item)
{
    const auto it = ribbonButtons_.find(tab + L"_" + group + L"_" + item);
    if (it == ribbonButtons_.end())
        return;
    if (it->second.widget)
        ribbon_->removeButton(q(tab), q(group), q(item));
    ribbonButtons_.erase(it);
}

// ---- enabling

namespace {

template <class Button> void enable(const QPointer<Button>& button, bool enabled)
{
    if (button)
        button->setEnabled(enabled);
}

} // namespace

void QtMainView::enableCaptureItems(bool enabled)
{
    for (const auto* button :
         {&saveImage_, &saveToSequence_, &sequenceSettings_, &sequenceTimer_, &titleSnap_})
        enable(*button, enabled);
}

void QtMainView::enableViewItems(bool enabled)
{
    for (const auto* button : {&histogram_, &titleHistogram_, &rotateLeft_, &rotateRight_, &flipHorizontal_,
                               &flipVertical_, &zoomIn_, &zoomOut_, &filter_})
        enable(*button, enabled);
    enable(zoom_, enabled);
}

void QtMainView::enableDeviceItems(bool enabled)
{
    for (const auto* button : {&titleSettings_, &settings_, &closeDevice_})
        enable(*button, enabled);
}

void QtMainView::setFlipChecked(bool vertical, bool horizontal)
{
    if (flipVertical_)
        flipVertical_->setChecked(vertical);
    if (flipHorizontal_)
        flipHorizontal_->setChecked(horizontal);
}

} // namespace app
