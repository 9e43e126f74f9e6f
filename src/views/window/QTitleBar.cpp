#include "views/window/QTitleBar.h"

#include "kyrgx/qt/PixmapCache.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QToolButton>
#include <stdexcept>

namespace app::QtView {

namespace {

const QString kWindowButtonStyle =
    QStringLiteral("QToolButton { padding: 1px;margin: 0px;min-width: 24px;min-height: 30px;}");
const QString kListButtonStyle = QStringLiteral(
    "QToolButton { padding: 1px;margin: 0px;padding-right: 8px;min-width: 32px;min-height: 30px;}");
constexpr int kDeadBorder = 5;

QWidget* required_window(QWidget* window)
{
    if (!window)
        throw std::invalid_argument("Parent must be a QCustomWindow object (cannot be null).");
    return window;
}

QToolButton* make_window_button(QWidget* parent, const char* text, const char* objectName,
                                const wchar_t* icon)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setText(QString::fromLatin1(text));
    button->setStyleSheet(kWindowButtonStyle);
    button->setFocusPolicy(Qt::NoFocus);
    // The text stands in when the image is missing.
    const QPixmap pixmap = cached_pixmap(icon);
    if (!pixmap.isNull())
        button->setIcon(QIcon(pixmap));
    return button;
}

} // namespace

QTitleBar::QTitleBar(QWidget* window) : QWidget(required_window(window)), window_(window)
{
    setObjectName(QStringLiteral("QTitleBar"));

    title_ = new QLabel(QStringLiteral("QCustomWindow"), this);
    title_->setObjectName(QStringLiteral("QTitleBarTitle"));
    title_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

    minimize_ = make_window_button(this, "-", "QTitleBarMinimize", L"title_minimize.png");
    maximize_ = make_window_button(this, "+", "QTitleBarMaximize", L"title_maximize.png");
    close_ = make_window_button(this, "X", "QTitleBarClose", L"title_close.png");

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("QTitleBarIcon"));
    icon->setStyleSheet(QStringLiteral("QLabel { padding-left: 0px; min-width: 32px; }"));
    icon->setPixmap(cached_pixmap(L"favicon_16x16.png"));
    icon->setAlignment(Qt::AlignCenter);

    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(1, 1, 7, 4);
    layout_->setSpacing(2);
    layout_->addWidget(icon);
    layout_->addWidget(title_, 1);
    layout_->addWidget(minimize_);
    layout_->addWidget(maximize_);
    layout_->addWidget(close_);
    setMinimumHeight(35);
    setMaximumHeight(35);

    connect(close_, &QToolButton::clicked, window_, &QWidget::close);
    connect(minimize_, &QToolButton::clicked, window_, &QWidget::showMinimized);
    connect(maximize_, &QToolButton::clicked, this, [this] { toggleMaximized(); });
    connect(window_, &QWidget::windowTitleChanged, title_, &QLabel::setText);
    window_->installEventFilter(this);
}

void QTitleBar::addButton(QToolButton* button, int side)
{
    button->setStyleSheet(button->popupMode() == QToolButton::InstantPopup ? kListButtonStyle
                                                                           : kWindowButtonStyle);
    int position;
    if (side != 0) {
        position = layout_->count() - 3;
    } else {
        int leading = 0;
        while (leading < static_cast<int>(sides_.size()) && sides_[leading] == 0)
            ++leading;
        position = 1 + leading;
    }
    layout_->insertWidget(position, button, 0);
    sides_.push_back(side);
}

void QTitleBar::toggleMaximized()
{
    if (window_->isMaximized())
        window_->showNormal();
    else
        window_->showMaximized();
}

void QTitleBar::updateMaximizeIcon()
{
    const QPixmap pixmap =
        cached_pixmap(window_->isMaximized() ? L"title_restore.png" : L"title_maximize.png");
    if (!pixmap.isNull())
        maximize_->setIcon(QIcon(pixmap));
}

bool QTitleBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_ && event->type() == QEvent::WindowStateChange)
        updateMaximizeIcon();
    return QWidget::eventFilter(watched, event);
}

void QTitleBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->pos();
        dragAllowed_ =
            at.x() > kDeadBorder && at.y() > kDeadBorder && at.x() < window_->width() - kDeadBorder;
        dragOffset_ = event->globalPos() - window_->frameGeometry().topLeft();
    }
    QWidget::mousePressEvent(event);
}

void QTitleBar::mouseMoveEvent(QMouseEvent* event)
{
    if (!doubleClickSeen_ && dragAllowed_ && (event->buttons() & Qt::LeftButton) && !window_->isMaximized())
        window_->move(event->globalPos() - dragOffset_);
    doubleClickSeen_ = false;
    QWidget::mouseMoveEvent(event);
}

void QTitleBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        doubleClickSeen_ = true;
        toggleMaximized();
    }
    QWidget::mouseDoubleClickEvent(event);
}

void QTitleBar::paintEvent(QPaintEvent* event)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    painter.end();
    QWidget::paintEvent(event);
}

} // namespace app::QtView
