#pragma once

#include "views/grid/PropertyGridParameterBase.h"

#include <QLabel>
#include <string>

namespace app::QtView {

// A line of information text in the editor column; it raises only
// eventActivated.
class InfoParameter : public PropertyGridParameterBase<QLabel> {
public:
    InfoParameter(std::wstring text, QWidget* parent);

    const std::wstring& infoText() const { return text_; }

private:
    std::wstring text_;
};

} // namespace app::QtView
