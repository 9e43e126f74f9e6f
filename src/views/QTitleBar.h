#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QToolButton;

namespace app::QtView {

// The main window's own title bar: icon, title, command buttons on the left
// and on the right, and minimise, maximise and close. Dragging it moves the
// window; a double click maximises or restores it.
class QTitleBar : public QWidget {
    Q_OBJECT
public:
    explicit QTitleBar(QWidget* window);

    void setTitle(const QString& title);
    void setIcon(const QPixmap& icon);
    void addLeftButton(QWidget* button);
    void addRightButton(QWidget* button);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void toggleMaximized();
    void updateMaximizeButton();

    QWidget* window_;
    QLabel* icon_;
    QLabel* title_;
    QHBoxLayout* left_;
    QHBoxLayout* right_;
    QToolButton* minimize_;
    QToolButton* maximize_;
    QToolButton* close_;
    bool dragging_ = false;
    QPoint dragOffset_;
};

} // namespace app::QtView
