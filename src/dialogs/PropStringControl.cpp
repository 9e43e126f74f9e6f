#include "dialogs/PropStringControl.h"

#include "dialogs/EditKeys.h"

#include <QKeyEvent>
#include <QSignalBlocker>
#include <algorithm>
#include <climits>
#include <spdlog/spdlog.h>

namespace vsx::ui_util {

void PropStringControl::StringLineEdit::keyPressEvent(QKeyEvent* event)
{
    if (!handle_edit_keys(
            event, [this] { emit editingFinished(); }, [this] { app::raise_event(escapePressed, nullptr); }))
        QLineEdit::keyPressEvent(event);
}

PropStringControl::PropStringControl(PropString feature, QWidget* parent, Grabber* grabber)
    : PropControlBase(std::move(feature), parent, grabber)
{
    try {
        maxLength = property.maxLength();
    } catch (const VSXException& e) {
        spdlog::error(e.what());
        maxLength = -1;
    }
    edit = new StringLineEdit(this);
    edit->setReadOnly(property.isReadonly());
    // Only a text the user changed is written (never an "n/a" that stands for a failed read).
    connect(edit, &QLineEdit::editingFinished, this, [this] {
        if (edit->isModified())
            set_value(edit->text().toUtf8().toStdString());
    });
    edit->escapePressed.push_back([this](app::IViewBase*) { update_value(); });
    // A negative length (unknown) leaves Qt's default limit.
    if (maxLength >= 0)
        edit->setMaxLength(static_cast<int>(std::min<int64_t>(maxLength, INT_MAX)));
    update_all();
    layout->addWidget(edit);
}

void PropStringControl::update_value()
{
    const QSignalBlocker blocker(edit);
    try {
        edit->setText(QString::fromStdString(property.getValue()));
    } catch (const VSXException& e) {
        spdlog::error("update_value: {}", e.what());
        edit->setText(QStringLiteral("n/a"));
    }
}

void PropStringControl::update_all()
{
    update_value();
    const QSignalBlocker blocker(edit);
    const bool fixed = property.isReadonly(Error::ignoreRecord()) || property.isLocked(Error::ignoreRecord());
    edit->deselect();
    edit->setReadOnly(fixed);
    edit->setEnabled(!fixed);
    edit->update();
}

bool PropStringControl::set_value_unchecked(std::string value)
{
    try {
        if (property.isReadonly() || property.isLocked())
            return false;
        const bool written = property.setValue(value);
        update_value();
        return written;
    } catch (const std::exception& e) {
        spdlog::error("set_value_unchecked: {}", e.what());
        return false;
    }
}

} // namespace vsx::ui_util
