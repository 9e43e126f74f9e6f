#pragma once

#include <QKeyEvent>

namespace vsx::ui_util {

// The keys of the editors' text fields: keypad Enter finishes the editing,
// Escape throws the typed text away. True when the key was handled (and
// accepted); every other key is left to the field.
template <typename Finish, typename Discard>
bool handle_edit_keys(QKeyEvent* event, Finish&& finish, Discard&& discard)
{
    switch (event->key()) {
    case Qt::Key_Enter:
        event->accept();
        finish();
        return true;
    case Qt::Key_Escape:
        event->accept();
        discard();
        return true;
    default:
        return false;
    }
}

} // namespace vsx::ui_util
