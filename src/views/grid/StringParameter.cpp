#include "views/grid/StringParameter.h"

namespace app::QtView {

StringParameter::StringParameter(std::wstring text, QWidget* parent)
    : PropertyGridParameterBase<QLineEdit>(QString::fromStdWString(text), parent), text_(std::move(text))
{
    setReadOnly(true);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setMaximumWidth(1000);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& changed) {
        guardedCall("StringParameter::onTextChanged()",
                    [&] { raise_event(eventTextChanged, nullptr, changed.toStdWString()); });
    });
    installEventFilters();
}

void StringParameter::setText(const std::wstring& text)
{
    text_ = text;
    QLineEdit::setText(QString::fromStdWString(text));
}

void StringParameter::setValid(bool valid)
{
    setStyleSheet(valid ? "QLineEdit { border-color: #3f3f46;}" : "QLineEdit { border-color: #ff0000;}");
}

} // namespace app::QtView
