#pragma once

#include "views/IMainView.h"

#include <QMainWindow>

class QMenu;
class QTimer;
class QToolButton;

namespace app {

namespace QtView {
class QTitleBar;
}

// The program's only top-level window: frameless, with its own title bar.
class QtMainView : public QMainWindow, public IMainView {
    Q_OBJECT
public:
    QtMainView(int x, int y, int width, int height, QWidget* parent = nullptr);
    ~QtMainView() override;

    void setTitle(const std::wstring& title) override;
    void setGeometry(kyrgx::Vec2<int> position, kyrgx::Vec2<int> size) override;
    bool isMinimized() override;

    // The language chosen by its display name: raises languageSelected with the
    // code (empty for an unknown name), closes the window and ends the event
    // loop with -1 so the program restarts.
    void selectLanguage(const std::wstring& displayName);

    QtView::QTitleBar* titleBar() const { return titleBar_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void runTick();
    void buildLanguageButton();

    QtView::QTitleBar* titleBar_ = nullptr;
    QToolButton* languageButton_ = nullptr;
    QTimer* tickTimer_ = nullptr;
    Qt::WindowStates recordedState_ = Qt::WindowNoState;
    bool firstShow_ = false;
    bool tickBusy_ = false;
};

}  // namespace app
