#pragma once

#include "views/IMainView.h"

#include <QMainWindow>

class QDockWidget;
class QMenu;
class QTimer;
class QToolButton;

namespace app {

namespace QtView {
class QTitleBar;
class QtDeviceEventView;
class QtPropertyView;
} // namespace QtView
class QLiveViewPanel;
class QTabedLiveViewContainer;

// The program's only top-level window: frameless, with its own title bar.
class QtMainView : public QMainWindow, public IMainView {
    Q_OBJECT
public:
    QtMainView(int x, int y, int width, int height, QWidget* parent = nullptr);
    ~QtMainView() override;

    void setTitle(const std::wstring& title) override;
    void setGeometry(kyrgx::Vec2<int> position, kyrgx::Vec2<int> size) override;
    bool isMinimized() override;

    // The operations below stand ready for the widgets that are still to come
    // (cursor modes, status bar, message boxes, docks, ribbon, title-bar
    // buttons and the live-view panel). Until a widget exists its operations
    // do nothing, and those that hand out a view or a button give an empty
    // pointer, which the controllers of this version never ask for.
    void setCursorMode(int mode) override;
    std::shared_ptr<IVideoformatFramerateDialog> openVideoFormatDialog() override;
    void updateStatusBar(const StatusBarInfo& info) override;
    void showStatusParameters(const helper::ParameterContainer& parameters) override;
    // Logs the box's title and text and runs nothing else.
    void showMessageBox(const std::wstring& title, const std::wstring& text,
                        std::shared_ptr<IMainView> keepAlive, std::function<void()> onClosed) override;
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
    IMenuButton* addTitleBarButton(const std::wstring& text, const std::wstring& icon) override;
    IMenuListButton* addRibbonListButton(const std::wstring& tab, const std::wstring& group,
                                         const std::wstring& item) override;
    IMenuListButton* addRibbonListButton(const char* tab, const char* group, const char* item) override;
    IMenuButton* addRibbonButton(const std::wstring& tab, const std::wstring& group,
                                 const std::wstring& item) override;
    void removeRibbonButton(const std::wstring& tab, const std::wstring& group,
                            const std::wstring& item) override;
    std::shared_ptr<ILiveView> createLiveView(const std::wstring& name) override;
    void addLiveView(std::shared_ptr<ILiveView> view) override;
    void removeLiveView(std::shared_ptr<ILiveView> view) override;
    std::vector<vsx::DeviceInfo> liveViewDevices() override;
    void enableCaptureItems(bool enable) override;
    void enableViewItems(bool enable) override;
    void enableDeviceItems(bool enable) override;
    void setFlipChecked(bool vertical, bool horizontal) override;
    void addDockView(std::shared_ptr<IViewBase>& holder) override;

    // The language chosen by its display name: raises languageSelected with the
    // code (empty for an unknown name), closes the window and ends the event
    // loop with -1 so the program restarts.
    void selectLanguage(const std::wstring& displayName);

    QtView::QTitleBar* titleBar() const { return titleBar_; }
    QLiveViewPanel* liveViewPanel() const { return liveViewPanel_; }
    QTabedLiveViewContainer* liveViewContainer() const { return liveViewContainer_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void runTick();
    void buildLanguageButton();
    // The live-view panel and its tabs in the central widget's grid (QtMainViewLiveViews.cpp).
    void buildLiveViewArea(QWidget* central);
    void repaintLiveViews();

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

    QtView::QTitleBar* titleBar_ = nullptr;
    QToolButton* languageButton_ = nullptr;
    QTimer* tickTimer_ = nullptr;
    QLiveViewPanel* liveViewPanel_ = nullptr;
    QTabedLiveViewContainer* liveViewContainer_ = nullptr;
    std::weak_ptr<ILiveView> activeLiveView_;
    Qt::WindowStates recordedState_ = Qt::WindowNoState;
    bool firstShow_ = false;
    bool tickBusy_ = false;
};

} // namespace app
