#pragma once

#include <QTabWidget>

class QToolButton;

namespace QtGui {

class RibbonTabContent;

// The ribbon: a tab widget whose pages hold rows of button groups. Buttons
// are addressed by tab text, group title and the button's object name, all
// matched without regard to case; tabs and groups come with their first
// button and go with their last.
class Ribbon : public QTabWidget {
    Q_OBJECT
public:
    explicit Ribbon(QWidget* parent = nullptr);

    // Appends a tab with a new empty page and returns the page.
    RibbonTabContent* addTab(const QString& text);
    // Adds the button to the group of the tab; both are made when missing.
    void addButton(const QString& tab, const QString& group, QToolButton* button);
    // Removes the button; a group left empty goes, and so does a tab left
    // without groups (its page is deleted on the next event-loop turn).
    void removeButton(const QString& tab, const QString& group, const QString& name);
    // The page of the first tab of that text (any case), or null.
    RibbonTabContent* tabContent(const QString& tab) const;

private:
    int tabIndex(const QString& tab) const;
};

} // namespace QtGui
