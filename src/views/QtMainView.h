#pragma once

#include "views/IMainView.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QDockWidget;
class QGridLayout;
class QLabel;
class QStatusBar;
class QMenu;
class QTimer;
class QToolButton;

namespace QtGui {
class Ribbon;
}

namespace app {

class QtMenuButton;
class QtMenuListButton;

namespace QtView {
class QTitleBar;
class QtDeviceEventView;
class QtHistogramSettingsView;
class QtLutView;
class QtPropertyView;
class QtSequenceSettingsView;
class QtSequenceTimerView;
} // namespace QtView
class QtFilterSettingsView;
class QLiveViewPanel;
class QTabedLiveViewContainer;

// The program's only top-level window: frameless, with its own title bar, the
// ribbon in a fixed dock at the top, the live views in the central grid and
// the status bar. The user moves it by the title bar and resizes it by its
// edges. A 16 ms timer raises the tick list. Every handler that raises one of
// the window's lists logs and drops what a subscriber throws
// ("QtMainView::<handler>() failed: ...").
//
// Split by concern: QtMainView.cpp (frame, window events, keys, cursor, tick),
// QtMainViewRibbon.cpp (ribbon and title-bar buttons), QtMainViewStatusBar.cpp
// (status bar), QtMainViewLiveViews.cpp (the live-view panel in the central
// grid), QtMainViewDocks.cpp (docks and the video format dialog),
// QtMainViewMessages.cpp (message boxes).
class QtMainView : public QMainWindow, public IMainView {
    Q_OBJECT
public:
    QtMainView(int x, int y, int width, int height, QWidget* parent = nullptr);
    ~QtMainView() override;

    // ---- frame (QtMainView.cpp)
    void setCursorMode(int mode) override;
    void setTitle(const std::wstring& title) override;
    void setGeometry(kyrgx::Vec2<int> position, kyrgx::Vec2<int> size) override;
    // May be called from any thread (the frame threads ask it).
    bool isMinimized() override;

    // ---- status bar (QtMainViewStatusBar.cpp)
    void updateStatusBar(const StatusBarInfo& info) override;
    void showStatusParameters(const helper::ParameterContainer& parameters) override;

    // ---- ribbon and title-bar buttons (QtMainViewRibbon.cpp)
    IMenuButton* addTitleBarButton(const std::wstring& text, const std::wstring& icon) override;
    IMenuListButton* addRibbonListButton(const std::wstring& tab, const std::wstring& group,
                                         const std::wstring& item) override;
    IMenuListButton* addRibbonListButton(const char* tab, const char* group, const char* item) override;
    IMenuButton* addRibbonButton(const std::wstring& tab, const std::wstring& group,
                                 const std::wstring& item) override;
    void removeRibbonButton(const std::wstring& tab, const std::wstring& group,
                            const std::wstring& item) override;
    void enableCaptureItems(bool enable) override;
    void enableViewItems(bool enable) override;
    void enableDeviceItems(bool enable) override;
    void setFlipChecked(bool vertical, bool horizontal) override;

    // The language chosen by its display name: raises languageSelected with the
    // code (empty for an unknown name), closes the window and ends the event
    // loop with -1 so the program restarts.
    void selectLanguage(const std::wstring& displayName);

    // ---- live views (QtMainViewLiveViews.cpp)
    std::shared_ptr<ILiveView> createLiveView(const std::wstring& name) override;
    void addLiveView(std::shared_ptr<ILiveView> view) override;
    void removeLiveView(std::shared_ptr<ILiveView> view) override;
    std::vector<vsx::DeviceInfo> liveViewDevices() override;

    // ---- message boxes (QtMainViewMessages.cpp)
    // Modal, without parent: runs onClosed once after OK, then lets keepAlive go.
    void showMessageBox(const std::wstring& title, const std::wstring& text,
                        std::shared_ptr<IMainView> keepAlive, std::function<void()> onClosed) override;
    // Modal, default No; the window's close button and Escape answer No.
    bool showMessageBoxYesNo(const std::wstring& title, const std::wstring& text) override;

    // ---- docks and dialogs (QtMainViewDocks.cpp)
    std::shared_ptr<IVideoformatFramerateDialog> openVideoFormatDialog() override;
    std::shared_ptr<ISequenceSettingsView> sequenceSettingsView(SequenceViewData data) override;
    void closeSequenceSettingsView() override;
    std::shared_ptr<ISequenceTimerView> sequenceTimerView(SequenceTimerViewData data) override;
    void closeSequenceTimerView() override;
    std::shared_ptr<IPropertyView> devicePropertiesView() override;
    IPropertyView* newPropertyView(const std::wstring& title) override;
    void closeDevicePropertiesView() override;
    std::shared_ptr<ILutView> lutView() override;
    void closeLutView() override;
    std::shared_ptr<IDeviceEventView> deviceEventView() override;
    void closeDeviceEventView() override;
    std::shared_ptr<IHistogramSettingsView> histogramSettingsView() override;
    void closeHistogramSettingsView() override;
    std::shared_ptr<IParameterView> filterSettingsView() override;
    void closeFilterSettingsView() override;
    void addDockView(std::shared_ptr<IViewBase>& holder) override;
    void requestLiveViewPaint(uint32_t reasons) override;

    QtView::QTitleBar* titleBar() const { return titleBar_; }
    QtGui::Ribbon* ribbon() const { return ribbon_; }
    // The smallest the live view area gets; the window's minimum size follows.
    static constexpr QSize kMinimumLiveViewSize{320, 240};
    QLiveViewPanel* liveViewPanel() const { return liveViewPanel_; }
    QTabedLiveViewContainer* liveViewContainer() const { return liveViewContainer_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // A button the window made itself, with both of its faces.
    struct RibbonEntry {
        QPointer<QToolButton> widget;
        IMenuButton* button = nullptr;
        IMenuListButton* list = nullptr;
    };

    // frame
    void runTick();
    // The live-view panel and its tabs in the central widget's grid.
    void buildLiveViewArea(QWidget* central);
    // Asks the live-view panel for a paint when something changed (the tick,
    // unless minimised).
    void repaintLiveViews();
    void hover(QPoint global);
    void resizeStep(QPoint global);
    bool filterKey(QEvent* event);
    void filterMouse(QEvent* event);

    // ribbon and title-bar buttons
    void buildTitleBarButtons();
    void buildRibbon();
    void buildLanguageList(QtMenuListButton* button);
    void onZoomItem(const std::wstring& text);
    // The ribbon button of the key, made of the kind asked for when missing; a
    // key held by the other kind is logged and its entry returned as it is.
    RibbonEntry ribbonEntry(const std::wstring& tab, const std::wstring& group, const std::wstring& item,
                            bool list);

    // status bar
    void buildStatusBar();

    // frame
    // Dock hosting (QtMainViewDocks.cpp): the dock options, and closing every
    // dock when the window closes.
    void setUpDocks();
    void closeDocks();
    template <typename Dock, typename Make>
    std::shared_ptr<Dock> cachedDock(std::shared_ptr<Dock>& cache, Make&& make);
    template <typename Dock> void closeCachedDock(std::shared_ptr<Dock>& cache);
    void addDock(QDockWidget* dock);
    // Takes a closed dock out of the open-dock list and hides it.
    void dockClosed(QDockWidget* dock);
    std::vector<QDockWidget*> openDocks_; // in the order they were added, not owning
    std::shared_ptr<QtView::QtPropertyView> devicePropertiesDock_;
    std::shared_ptr<QtView::QtDeviceEventView> deviceEventDock_;
    std::shared_ptr<QtView::QtSequenceSettingsView> sequenceSettingsDock_;
    std::shared_ptr<QtView::QtSequenceTimerView> sequenceTimerDock_;
    std::shared_ptr<QtView::QtLutView> lutDock_;
    std::shared_ptr<QtView::QtHistogramSettingsView> histogramDock_;
    std::shared_ptr<QtFilterSettingsView> filterDock_;

    QtView::QTitleBar* titleBar_ = nullptr;
    QWidget* central_ = nullptr;
    QGridLayout* centralLayout_ = nullptr;
    QLiveViewPanel* liveViewPanel_ = nullptr;
    QTabedLiveViewContainer* liveViewContainer_ = nullptr;
    std::weak_ptr<ILiveView> activeLiveView_;
    QTimer* tickTimer_ = nullptr;
    int cursorMode_ = 0;
    bool crossCursorInstalled_ = false;
    QRect resizeRect_;
    std::atomic<int> recordedState_{Qt::WindowNoState};
    int edgeWidth_ = 5;
    bool pressed_ = false;
    int pressEdge_ = 0;
    int hoverEdge_ = 0;
    bool edgeCursor_ = false;
    bool firstShow_ = false;
    std::atomic<bool> tickBusy_{false};

    // ribbon and title-bar buttons
    QDockWidget* ribbonDock_ = nullptr;
    QtGui::Ribbon* ribbon_ = nullptr;
    std::map<std::wstring, RibbonEntry> ribbonButtons_;
    QPointer<QtMenuButton> openDevice_, closeDevice_, settings_, saveImage_, saveToSequence_,
        sequenceSettings_, sequenceTimer_, rotateLeft_, rotateRight_, flipHorizontal_, flipVertical_, zoomIn_,
        zoomOut_, filter_, histogram_;
    QPointer<QtMenuListButton> zoom_;
    QPointer<QtMenuListButton> titleLanguage_;
    QPointer<QtMenuButton> titleSnap_, titleSettings_, titleHistogram_, titleHelp_;

    // status bar
    QStatusBar* statusBar_ = nullptr;
    QLabel* text1Label_ = nullptr;
    QLabel* text2Label_ = nullptr;
    QLabel* framerateLabel_ = nullptr;
    QLabel* pointLabel_ = nullptr;
    QLabel* colorLabel_ = nullptr;
    std::vector<QLabel*> parameterLabels_;
};

} // namespace app
