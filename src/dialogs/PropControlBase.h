#pragma once

#include "device/CallbackGuard.h"
#include "dialogs/FeatureNotification.h"
#include "dialogs/IPropControl.h"
#include "dialogs/StreamGuard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QWidget>
#include <spdlog/spdlog.h>

namespace vsx::ui_util {

// Base of the property tree's editors: holds the feature (P, its typed view),
// refreshes on the camera's change notifications and writes values (V)
// through the stream guard.
//
// Threads: the notification only posts an event (type 1001) to the editor on
// the library's notification thread; the refresh, every read and write and
// the stream stop and restart run on the GUI thread. Destruction ends the
// notification before anything of the editor is freed, and no event is
// posted afterwards.
template <typename P, typename V> class PropControlBase : public QWidget, public IPropControl {
public:
    PropControlBase(P feature, QWidget* parent, Grabber* grabber)
        : QWidget(parent), grabber(grabber), property(std::move(feature)), layout(new QHBoxLayout)
    {
        layout->setSpacing(4);
        layout->setContentsMargins(8, 7, 0, 7);
        setLayout(layout);
        const int type = eventType;
        token.add(property, [this, type](Property&) {
            QCoreApplication::postEvent(this, new QEvent(static_cast<QEvent::Type>(type)),
                                        Qt::NormalEventPriority);
        });
    }

    ~PropControlBase() override
    {
        // No child reports an edit while the editor goes (a focused field
        // finishes its editing when it is hidden or destroyed).
        for (QObject* child : findChildren<QObject*>())
            child->blockSignals(true);
        token.remove();
    }

    // The guarded write: true when the value was written and a stream the
    // write stopped runs again. After a failed write the editor shows the
    // camera's value again.
    bool set_value(const V& newValue)
    {
        return guard_callback("PropControlBase::set_value", false, [&] {
            const bool written =
                guarded_write(grabber, property, this, [&] { return set_value_unchecked(newValue); });
            if (!written)
                QCoreApplication::postEvent(this, new QEvent(static_cast<QEvent::Type>(eventType)));
            return written;
        });
    }

    // Writes without the stream guard; true when the camera took the value.
    virtual bool set_value_unchecked(V newValue) = 0;

    void remove_notification() override { token.remove(); }
    Grabber* stream_grabber() const override { return grabber; }

    const int eventType = QEvent::User + 1;
    Grabber* const grabber;
    const P property;
    FeatureNotification token;
    QHBoxLayout* const layout;

protected:
    // Reads the read-only and locked states with a recording record; a
    // failure is logged ("update_all: <message>") and gives false.
    bool read_access(bool& readOnly, bool& locked) const
    {
        Error local(Error::Record);
        readOnly = property.isReadonly(local);
        locked = local.code == Error::kNoError && property.isLocked(local);
        if (local.code == Error::kNoError)
            return true;
        spdlog::error("update_all: {}", local.message());
        return false;
    }

    void customEvent(QEvent* event) override
    {
        if (event->type() == eventType)
            guard_callback("PropControlBase::customEvent", [this] { update_all(); });
    }
};

} // namespace vsx::ui_util
