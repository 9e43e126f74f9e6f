#pragma once

#include "views/grid/PropertyGridParameterBase.h"

#include <QLineEdit>
#include <string>

namespace app::QtView {

// A text shown in a read-only line edit; setValid marks it red when the owner
// finds it wrong.
class StringParameter : public PropertyGridParameterBase<QLineEdit> {
public:
    StringParameter(std::wstring text, QWidget* parent);

    // Stores and shows the text; a different text raises eventTextChanged.
    void setText(const std::wstring& text);
    const std::wstring& text() const { return text_; }
    void setValid(bool valid);

    EventList<std::wstring> eventTextChanged;

private:
    std::wstring text_;
};

} // namespace app::QtView
