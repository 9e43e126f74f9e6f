#pragma once

#include "views/grid/PropertyGridParameterBase.h"

#include <QWidget>
#include <string>

class QLineEdit;
class QPushButton;

namespace app::QtView {

// A path shown read-only with a browse button; the owner opens its file
// dialog on eventBrowse and shows the chosen path with setText.
class FilenameParameter : public PropertyGridParameterBase<QWidget> {
public:
    FilenameParameter(std::wstring path, QWidget* parent);

    // Stores and shows the path; raises nothing.
    void setText(const std::wstring& path);
    const std::wstring& text() const { return text_; }

    QLineEdit* pathField() const { return pathField_; }
    QPushButton* browseButton() const { return browseButton_; }

    EventList<std::wstring> eventTextChanged;
    EventList<> eventBrowse;

private:
    std::wstring text_;
    QLineEdit* pathField_;
    QPushButton* browseButton_;
};

} // namespace app::QtView
