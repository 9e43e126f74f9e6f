#include "views/grid/QtDecimalSpinner.h"

#include "views/grid/GuardedCall.h"
#include "views/grid/NumberText.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace app::QtView {

namespace {

bool isDecimalInteger(const QString& text)
{
    bool ok = false;
    text.toInt(&ok, 10);
    return ok;
}

} // namespace

QtDecimalSpinner::ExpValidator::ExpValidator(QtDecimalSpinner* spinner)
    : QValidator(spinner), spinner_(spinner)
{
}

QValidator::State QtDecimalSpinner::ExpValidator::validate(QString& input, int& /*pos*/) const
{
    // The suffix the box shows is no part of the time; without this, typing
    // into the number in front of it would always be refused.
    QString text = input;
    const QString suffix = spinner_->suffix();
    if (!suffix.isEmpty() && text.endsWith(suffix))
        text.chop(suffix.size());
    text = text.trimmed();
    if (text.isEmpty())
        return Acceptable;
    bool number = false;
    text.toFloat(&number);
    if (number || isDecimalInteger(text))
        return Acceptable;
    const QStringList parts = text.split('/', Qt::KeepEmptyParts);
    if (parts.size() == 2) {
        if (isDecimalInteger(parts[0]) && (parts[1].isEmpty() || isDecimalInteger(parts[1])))
            return Acceptable;
        if (parts[0].isEmpty() && isDecimalInteger(parts[1]))
            return Acceptable;
        return Invalid;
    }
    const QByteArray utf8 = text.toUtf8();
    if (parts.size() == 1 && isIncompleteDouble({utf8.constData(), static_cast<size_t>(utf8.size())}))
        return Intermediate;
    return Invalid;
}

QtDecimalSpinner::QtDecimalSpinner(QWidget* parent) : QSpinBox(parent)
{
    setKeyboardTracking(false);
    lineEdit()->setValidator(new ExpValidator(this));
}

std::wstring QtDecimalSpinner::typedText() const
{
    return cleanText().trimmed().toStdWString();
}

void QtDecimalSpinner::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        guardedCall("QtDecimalSpinner::keyPressEvent()",
                    [this] { raise_event(eventTextChanged, nullptr, typedText()); });
        event->accept();
        return;
    }
    QSpinBox::keyPressEvent(event);
}

void QtDecimalSpinner::focusOutEvent(QFocusEvent* event)
{
    // Read before Qt puts the shown text back.
    const std::wstring typed = typedText();
    if (typed != text_)
        guardedCall("QtDecimalSpinner::focusOutEvent()",
                    [&] { raise_event(eventTextChanged, nullptr, typed); });
    QSpinBox::focusOutEvent(event);
}

int QtDecimalSpinner::valueFromText(const QString& /*text*/) const
{
    return position_;
}

QString QtDecimalSpinner::textFromValue(int /*value*/) const
{
    return QString::fromStdWString(text_);
}

} // namespace app::QtView
