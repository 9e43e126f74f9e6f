#pragma once

#include <QString>
#include <functional>

class QWidget;

// How the panes of the device selection dialog report a failing step: a
// critical message box with the pane as parent, an empty title and the single
// button OK. Tests replace it.
using CriticalMessageHook = std::function<void(QWidget* parent, const QString& text)>;

void show_critical_message(QWidget* parent, const QString& text);

// Replaces the process-wide hook (an empty one restores the message box) and
// returns the previous one.
CriticalMessageHook set_critical_message_hook(CriticalMessageHook hook);
