#include "views/QTitleBar.h"

#include "app/AppFolders.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

namespace app::QtView {

namespace {

QIcon data_icon(const char* name)
{
    return QIcon(QString::fromStdWString(app::get_data_directory()) + "/" + name);
}

QToolButton* make_window_button(QWidget* parent, const char* objectName, const char* icon)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setIcon(data_icon(icon));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(40, 30);
    return button;
}

}  // namespace

QTitleBar::QTitleBar(QWidget* window) : QWidget(window), window_(window)
{
    setObjectName("titleBar");
    setAttribute(Qt::WA_StyledBackground);
    setFixedHeight(32);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 0, 0, 0);
    layout->setSpacing(4);

    icon_ = new QLabel(this);
    icon_->setFixedSize(20, 20);
    icon_->setScaledContents(true);
    layout->addWidget(icon_);

    left_ = new QHBoxLayout();
    left_->setSpacing(2);
    layout->addLayout(left_);

    title_ = new QLabel(this);
    title_->setObjectName("titleBarTitle");
    title_->setAlignment(Qt::AlignCenter);
    layout->addWidget(title_, 1);

    right_ = new QHBoxLayout();
    right_->setSpacing(2);
    layout->addLayout(right_);

    minimize_ = make_window_button(this, "titleBarMinimize", "title_minimize.png");
    maximize_ = make_window_button(this, "titleBarMaximize", "title_maximize.png");
    close_ = make_window_button(this, "titleBarClose", "title_close.png");
    layout->addWidget(minimize_);
    layout->addWidget(maximize_);
    layout->addWidget(close_);

    connect(minimize_, &QToolButton::clicked, window_, [this] { window_->showMinimized(); });
    connect(maximize_, &QToolButton::clicked, this, [this] { toggleMaximized(); });
    connect(close_, &QToolButton::clicked, window_, [this] { window_->close(); });
    window_->installEventFilter(this);
}

void QTitleBar::setTitle(const QString& title) { title_->setText(title); }

void QTitleBar::setIcon(const QPixmap& icon) { icon_->setPixmap(icon); }

void QTitleBar::addLeftButton(QWidget* button) { left_->addWidget(button); }

void QTitleBar::addRightButton(QWidget* button) { right_->addWidget(button); }

void QTitleBar::toggleMaximized()
{
    if (window_->isMaximized())
        window_->showNormal();
    else
        window_->showMaximized();
}

void QTitleBar::updateMaximizeButton()
{
    maximize_->setIcon(data_icon(window_->isMaximized() ? "title_restore.png" : "title_maximize.png"));
}

bool QTitleBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_ && event->type() == QEvent::WindowStateChange)
        updateMaximizeButton();
    return QWidget::eventFilter(watched, event);
}

void QTitleBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !window_->isMaximized()) {
        dragging_ = true;
        dragOffset_ = event->globalPos() - window_->frameGeometry().topLeft();
    }
    QWidget::mousePressEvent(event);
}

void QTitleBar::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_ && (event->buttons() & Qt::LeftButton))
        window_->move(event->globalPos() - dragOffset_);
    QWidget::mouseMoveEvent(event);
}

void QTitleBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

void QTitleBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        toggleMaximized();
    QWidget::mouseDoubleClickEvent(event);
}

}  // namespace app::QtView
