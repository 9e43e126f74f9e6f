#pragma once

#include <QWidget>
#include <vector>

class QHBoxLayout;
class QLabel;
class QToolButton;

namespace app::QtView {

// The frameless main window's own title bar, 35 pixels high: icon, left
// command buttons, the window title, right command buttons, and minimise
// ("-"), maximise or restore ("+") and close ("X"). Dragging the bar moves
// the window (not within 5 pixels of its edges, which belong to the window's
// own edge resizing); a double click maximises or restores it.
class QTitleBar : public QWidget {
    Q_OBJECT
public:
    // Throws std::invalid_argument for a null window.
    explicit QTitleBar(QWidget* window);

    // Side 0: after the left buttons that were added before the first right
    // button; any other side: just before the minimise button.
    void addButton(QToolButton* button, int side);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void toggleMaximized();
    void updateMaximizeIcon();

    bool dragAllowed_ = false;
    bool doubleClickSeen_ = false;
    std::vector<int> sides_;
    QWidget* window_;
    QPoint dragOffset_;
    QLabel* title_ = nullptr;
    QHBoxLayout* layout_ = nullptr;
    QToolButton* minimize_ = nullptr;
    QToolButton* maximize_ = nullptr;
    QToolButton* close_ = nullptr;
};

} // namespace app::QtView
