#pragma once

#include "views/IMenuButton.h"

#include <QToolButton>

namespace app {

// A command button of the ribbon or the title bar. Its name is its Qt object
// name (by which the ribbon finds it) and its first text.
class QtMenuButton : public QToolButton, public IMenuButton {
    Q_OBJECT
public:
    explicit QtMenuButton(const std::wstring& name, QWidget* parent = nullptr);

    void setText(const std::wstring& text) override;
    void setToolTip(const std::wstring& text) override;
    void setIcon(const std::wstring& name) override;
    void setEnabled(bool enabled) override;
    void setCheckable(bool checkable) override;
    // Posted: the tool button's state changes on the next event-loop turn.
    void setChecked(bool checked) override;
};

} // namespace app
