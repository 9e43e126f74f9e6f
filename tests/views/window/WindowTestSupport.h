#pragma once

// Small helpers for the window tests: synthetic mouse events sent straight to
// a widget, and the language of the shipped data folder.

#include "app/AppFolders.h"
#include "app/Localization.h"
#include "app/Utf8.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>
#include <filesystem>

namespace quorel::test {

// Sends a mouse event at a point of the widget (local coordinates); the global
// position follows from the widget's place on the screen.
inline void send_mouse(QWidget* widget, QEvent::Type type, QPoint local, Qt::MouseButton button,
                       Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(local), QPointF(local), QPointF(widget->mapToGlobal(local)), button, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// The same at a global position.
inline void send_mouse_global(QWidget* widget, QEvent::Type type, QPoint global, Qt::MouseButton button,
                              Qt::MouseButtons held)
{
    const QPoint local = widget->mapFromGlobal(global);
    QMouseEvent event(type, QPointF(local), QPointF(local), QPointF(global), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// Loads the shipped translation of the code from the data folder beside the
// test binary.
inline void load_shipped_language(const std::wstring& code)
{
    const std::filesystem::path data = app::path_from_wide(app::get_application_directory()) / "data";
    app::set_application_folders(app::path_to_wide(data), app::get_application_directory());
    Localization::loadLanguage(code);
}

} // namespace quorel::test
