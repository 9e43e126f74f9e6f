#pragma once

#include "device/Property.h"

#include <QString>
#include <functional>

class QWidget;

namespace vsx {
class Grabber;
}

namespace vsx::ui_util {

// Writes a feature through the stream guard: when the camera streams and
// reports the feature as likely locked by the stream, the stream is stopped,
// the value written and the stream set up again with the same sink and
// display, acquisition restarted only when it was active.
//
// Returns whether the value was written and the stream (when stopped) runs
// again. A failing stop writes nothing. A failing restart is logged and
// reported to the user through the error reporter.
bool guarded_write(Grabber* grabber, const Property& feature, QWidget* editor,
                   const std::function<bool()>& write);

// Tells the user that a user action failed: (editor, title, text). The
// default shows a modal "Error" message box; tests replace it.
using ErrorReporter = std::function<void(QWidget*, const QString&, const QString&)>;
void set_error_reporter(ErrorReporter reporter);
void report_error(QWidget* editor, const QString& text);

} // namespace vsx::ui_util
