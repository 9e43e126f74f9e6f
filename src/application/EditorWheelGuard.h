#pragma once

#include <QObject>

class QWidget;

namespace application {

// The wheel rule of every dock, dialog and property grid, installed once on
// the application: a value editor (combo box, spin box, slider) that does not
// have the keyboard focus lets the wheel pass to what surrounds it, so
// scrolling a dock never changes a setting on the way. Once the user has
// clicked or tabbed into the editor, the wheel changes its value. Editors no
// longer take the focus from the wheel itself (wheel focus becomes strong
// focus when they are polished). Scroll bars keep the wheel.
class EditorWheelGuard : public QObject {
public:
    explicit EditorWheelGuard(QObject* parent = nullptr);

    // Whether the widget is an editor whose value the wheel changes.
    static bool isValueEditor(const QObject* object);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace application
