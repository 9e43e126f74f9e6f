#include "application/EditorWheelGuard.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QScrollBar>
#include <QWidget>

namespace application {

EditorWheelGuard::EditorWheelGuard(QObject* parent) : QObject(parent) {}

bool EditorWheelGuard::isValueEditor(const QObject* object)
{
    return qobject_cast<const QAbstractSpinBox*>(object) || qobject_cast<const QComboBox*>(object) ||
           (qobject_cast<const QAbstractSlider*>(object) && !qobject_cast<const QScrollBar*>(object));
}

bool EditorWheelGuard::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Polish:
        // Before the first show: Qt hands a wheel-focus widget the focus
        // before any filter sees the wheel event.
        if (isValueEditor(watched)) {
            auto* editor = static_cast<QWidget*>(watched);
            if ((editor->focusPolicy() & Qt::WheelFocus) == Qt::WheelFocus)
                editor->setFocusPolicy(Qt::StrongFocus);
        }
        break;
    case QEvent::Wheel:
        if (isValueEditor(watched) && !static_cast<QWidget*>(watched)->hasFocus()) {
            // Not for this editor: Qt offers the ignored event to its parents,
            // up to the scroll area around it.
            event->ignore();
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace application
