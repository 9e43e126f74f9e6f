#include "views/window/QtMenuButton.h"

#include "views/window/GuardedCall.h"
#include "views/window/MenuIcon.h"

#include <QTimer>

namespace app {

QtMenuButton::QtMenuButton(const std::wstring& name, QWidget* parent) : QToolButton(parent)
{
    setObjectName(QString::fromStdWString(name));
    QToolButton::setText(QString::fromStdWString(name));
    setAutoFillBackground(true);
    QToolButton::setEnabled(true);
    connect(this, &QAbstractButton::clicked, this, [this] {
        QtView::run_guarded("QtMenuButton::clicked", [this] { raise_event(IMenuButton::clicked, this); });
    });
}

void QtMenuButton::setText(const std::wstring& text)
{
    QToolButton::setText(QString::fromStdWString(text));
}

void QtMenuButton::setToolTip(const std::wstring& text)
{
    QToolButton::setToolTip(QString::fromStdWString(text));
}

void QtMenuButton::setIcon(const std::wstring& name)
{
    QToolButton::setIcon(QtView::make_menu_icon(name));
}

void QtMenuButton::setEnabled(bool enabled)
{
    QToolButton::setEnabled(enabled);
}

void QtMenuButton::setCheckable(bool checkable)
{
    QToolButton::setCheckable(checkable);
}

void QtMenuButton::setChecked(bool checked)
{
    QTimer::singleShot(0, this, [this, checked] { QToolButton::setChecked(checked); });
}

} // namespace app
