#pragma once

#include <QWidget>

class QGridLayout;
class QHBoxLayout;
class QScrollArea;
class QToolButton;

namespace QtGui {

class RibbonButtonGroup;

// One ribbon page: a horizontally scrolling row of button groups, packed at
// the left in order of creation. Groups come with their first button and go
// with their last.
class RibbonTabContent : public QWidget {
    Q_OBJECT
public:
    explicit RibbonTabContent(QWidget* parent = nullptr);

    // Adds the button to the group of that title (any case), made when missing.
    void addButton(const QString& group, QToolButton* button);
    // Removes the button of that name from the group; a group left empty goes.
    void removeButton(const QString& group, const QString& name);
    // Takes the first group of that title out of the page and deletes it (with
    // its buttons) on the next event-loop turn.
    void removeGroup(const QString& group);
    int groupCount() const;
    // The first group of that title (any case), or null.
    RibbonButtonGroup* group(const QString& title) const;

private:
    QGridLayout* gridLayout_ = nullptr;
    QScrollArea* scrollArea_ = nullptr;
    QWidget* scrollAreaContent_ = nullptr;
    QGridLayout* gridLayout2_ = nullptr;
    QWidget* spacer_ = nullptr;
    QHBoxLayout* groupsLayout_ = nullptr;
};

} // namespace QtGui
