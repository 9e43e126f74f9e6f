#include "views/grid/InfoParameter.h"

namespace app::QtView {

InfoParameter::InfoParameter(std::wstring text, QWidget* parent)
    : PropertyGridParameterBase<QLabel>(QString::fromStdWString(text), parent), text_(std::move(text))
{
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    setWordWrap(true);
    adjustSize();
    installEventFilters();
    show();
}

} // namespace app::QtView
