#include "dialogs/StreamGuard.h"

#include "device/Grabber.h"

#include <QMessageBox>
#include <spdlog/spdlog.h>

namespace vsx::ui_util {

namespace {

ErrorReporter& reporter()
{
    static ErrorReporter instance = [](QWidget* editor, const QString& title, const QString& text) {
        QMessageBox::critical(editor, title, text);
    };
    return instance;
}

// What a write must restore after it stopped the stream.
struct StreamRestart {
    bool due = false;
    bool acquisitionActive = false;
    std::shared_ptr<Sink> sink;
    std::shared_ptr<Display> display;
};

// Stops the stream when the write needs it; a failed stop leaves its error in the record.
StreamRestart prepare_stream_restart(Grabber* grabber, const Property& feature, Error& record)
{
    StreamRestart restart;
    if (!grabber || !feature.isLikelyLockedByStream(Error::ignoreRecord()) || !grabber->isStreaming())
        return restart;
    restart.acquisitionActive = grabber->isAcquisitionActive();
    restart.display = grabber->display(Error::ignoreRecord());
    restart.sink = grabber->sink(Error::ignoreRecord());
    restart.due = grabber->streamStop(record);
    return restart;
}

} // namespace

void set_error_reporter(ErrorReporter replacement)
{
    reporter() = std::move(replacement);
}

void report_error(QWidget* editor, const QString& text)
{
    if (reporter())
        reporter()(editor, QStringLiteral("Error"), text);
}

bool guarded_write(Grabber* grabber, const Property& feature, QWidget* editor,
                   const std::function<bool()>& write)
{
    Error local(Error::Record);
    const StreamRestart restart = prepare_stream_restart(grabber, feature, local);
    if (local.code != Error::kNoError) {
        spdlog::error("PropControlBase::set_value() failed: the stream did not stop: {}", local.message());
        return false;
    }
    const bool written = write();
    if (!restart.due)
        return written;
    const int option = restart.acquisitionActive ? 0 : 1;
    if (grabber->streamSetup(restart.sink, restart.display, option, local))
        return written;
    const std::string name = feature.name(Error::ignoreRecord());
    spdlog::error("PropControlBase::set_value() failed: the stream did not start again after writing {}: {}",
                  name, local.message());
    report_error(editor,
                 QStringLiteral("The camera stopped streaming: after \"%1\" was written, its stream could "
                                "not be started again.\n\n%2")
                     .arg(QString::fromStdString(name), QString::fromStdString(local.message())));
    return false;
}

} // namespace vsx::ui_util
