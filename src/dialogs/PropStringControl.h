#pragma once

#include "dialogs/PropControlBase.h"
#include "views/IViewBase.h"

#include <QLineEdit>
#include <string>

namespace vsx::ui_util {

// The editor of a String feature: a line edit that writes when editing
// finishes; Escape shows the camera's value again.
class PropStringControl : public PropControlBase<PropString, std::string> {
public:
    // A line edit whose keypad Enter finishes editing and whose Escape runs
    // the escape callbacks (with a null view).
    class StringLineEdit : public QLineEdit {
    public:
        using QLineEdit::QLineEdit;
        app::EventList<> escapePressed;

    protected:
        void keyPressEvent(QKeyEvent* event) override;
    };

    PropStringControl(PropString feature, QWidget* parent, Grabber* grabber);

    void update_all() override;
    bool set_value_unchecked(std::string value) override;
    // Shows the camera's value ("n/a" when it cannot be read).
    void update_value();

    StringLineEdit* edit = nullptr;
    int64_t maxLength = -1;
};

} // namespace vsx::ui_util
