#include "dialogs/PropCategoryControl.h"

#include <QLabel>

namespace vsx::ui_util {

PropCategoryControl::PropCategoryControl(PropCategory feature, QWidget* parent, Grabber* grabber)
    : PropControlBase(std::move(feature), parent, grabber)
{
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("QWidget { background-color: #252526;}"));
    auto* label = new QLabel(this);
    label->setStyleSheet(QStringLiteral("QLabel { background-color: #252526;}"));
    label->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::MinimumExpanding);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->addWidget(label);
}

} // namespace vsx::ui_util
