#pragma once

#include "views/IViewBase.h"

#include <QSpinBox>
#include <QValidator>
#include <string>

namespace app::QtView {

// The spin box of the exposure row. Its integer value is the row's slider
// position (0 to 100), so arrows, wheel and buttons move one slider tick; its
// text is whatever the owner writes (setText). A time typed by the user, as a
// decimal number or a fraction a/b, is handed to the owner through
// eventTextChanged on Return or Enter, or when the box loses the focus with a
// text other than the shown one.
class QtDecimalSpinner : public QSpinBox {
public:
    // Judges typed text without the suffix: empty, a number, or a fraction
    // "a/b", "a/" or "/b" of decimal integers. A number still without the digits
    // of its exponent ("1e-") may be typed on; everything else is refused.
    class ExpValidator : public QValidator {
    public:
        explicit ExpValidator(QtDecimalSpinner* spinner);
        State validate(QString& input, int& pos) const override;

    private:
        QtDecimalSpinner* spinner_;
    };

    explicit QtDecimalSpinner(QWidget* parent);

    // The text shown for the current value (without the suffix).
    void setText(const std::wstring& text) { text_ = text; }
    const std::wstring& text() const { return text_; }
    void setPosition(int position) { position_ = position; }
    int position() const { return position_; }

    // The typed text without the suffix, trimmed.
    std::wstring typedText() const;

    EventList<std::wstring> eventTextChanged;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    int valueFromText(const QString& text) const override;
    QString textFromValue(int value) const override;

private:
    std::wstring text_;
    int position_ = 0;
};

} // namespace app::QtView
