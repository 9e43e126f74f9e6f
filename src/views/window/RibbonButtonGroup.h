#pragma once

#include <QLayout>
#include <QWidget>

class QFrame;
class QGridLayout;
class QHBoxLayout;
class QToolButton;
class QVBoxLayout;

namespace QtGui {

// One group of ribbon buttons, left to right in order of addition, with a
// separator line at its right edge. Its title is its key (matched without
// regard to case) and is not displayed.
class RibbonButtonGroup : public QWidget {
    Q_OBJECT
public:
    explicit RibbonButtonGroup(QWidget* parent = nullptr);

    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }

    // Styles the button as a ribbon button and appends it; the group becomes
    // its parent.
    void addButton(QToolButton* button);
    // Takes the first button of that object name (any case) out of the group
    // and deletes it on the next event-loop turn, so a button may be removed
    // from its own handler. An unknown name changes nothing.
    void removeButton(const QString& name);
    int buttonCount() const;
    // The first button of that object name (any case), or null.
    QToolButton* button(const QString& name) const;

private:
    QString title_;
    QGridLayout* gridLayout_ = nullptr;
    QFrame* verticalLine_ = nullptr;
    QVBoxLayout* verticalLayout_ = nullptr;
    QHBoxLayout* horizontalLayout_ = nullptr;
};

// Names of tabs, groups and buttons match when they are equal after lowering.
bool ribbon_names_match(const QString& a, const QString& b);

// The first widget of the layout, in layout order, that is a T whose name (as
// `name` reads it) matches; null when there is none. With `index` the
// widget's position is stored there.
template <class T, class Name>
T* ribbon_layout_find(const QLayout* layout, const QString& wanted, Name name, int* index = nullptr)
{
    for (int i = 0; i < layout->count(); ++i) {
        auto* widget = qobject_cast<T*>(layout->itemAt(i)->widget());
        if (widget && ribbon_names_match(name(widget), wanted)) {
            if (index)
                *index = i;
            return widget;
        }
    }
    return nullptr;
}

// Takes the widget at the index out of the layout, hides it and deletes it on
// the next event-loop turn, so that it may go from inside its own handlers.
void ribbon_layout_take_later(QLayout* layout, int index);

} // namespace QtGui
