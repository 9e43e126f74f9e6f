#include "dialogs/CriticalMessage.h"

#include <QMessageBox>
#include <utility>

namespace {

CriticalMessageHook& current_hook()
{
    static CriticalMessageHook hook;
    return hook;
}

} // namespace

void show_critical_message(QWidget* parent, const QString& text)
{
    // A copy: the hook may replace itself while it runs.
    const CriticalMessageHook hook = current_hook();
    if (hook) {
        hook(parent, text);
        return;
    }
    QMessageBox::critical(parent, QString(), text, QMessageBox::Ok);
}

CriticalMessageHook set_critical_message_hook(CriticalMessageHook hook)
{
    return std::exchange(current_hook(), std::move(hook));
}
