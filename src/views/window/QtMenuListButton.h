#pragma once

#include "views/IMenuListButton.h"

#include <QToolButton>
#include <memory>
#include <vector>

class QAction;
class QMenu;

namespace app {

class QtMenuItem;

// A button with a drop-down list of checkable text items. Its name is its Qt
// object name and its first text. The list opens on press; in split mode
// (setPopupMode(1)) the face is a button of its own and only the arrow opens
// the list, and choosing an item leaves no item checked.
class QtMenuListButton : public QToolButton, public IMenuListButton {
    Q_OBJECT
public:
    explicit QtMenuListButton(const std::wstring& name, QWidget* parent = nullptr);
    ~QtMenuListButton() override;

    // The actions leave the menu at once and are deleted on the next
    // event-loop turn, so a handler of the list may clear it.
    void clear() override;
    std::shared_ptr<IMenuItem> addItem(const std::wstring& text) override;
    std::vector<std::wstring> items() override;
    void setText(const std::wstring& text) override;
    void setIcon(const std::wstring& name) override;
    // Also switches background filling on.
    void setEnabled(bool enabled) override;
    void setCheckedItem(const std::wstring& text) override;
    void setMultiSelect(bool multiSelect) override;

    // 0: the list opens on press; 1: split button. Other values change nothing.
    void setPopupMode(int mode);
    bool isSplit() const { return split_; }

private:
    void onTriggered(QAction* action);

    std::vector<std::shared_ptr<QtMenuItem>> items_;
    bool multiSelect_ = false;
    bool split_ = false;
    QMenu* menu_ = nullptr;
};

} // namespace app
