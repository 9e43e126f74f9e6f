#pragma once

#include "views/grid/PropertyGridParameterBase.h"

#include <QString>
#include <QWidget>
#include <vector>

class QLineEdit;
class QSlider;

namespace app::QtView {

class PropIntSpinBox;

// The 64-bit integer row. Representations: 0, 1 and 2 a slider (not when
// read-only) and a decimal spin box; 3 a decimal spin box; 4 a hexadecimal
// spin box ("0x"); 5 an IPv4 address and 6 a MAC address in a text field;
// any other code no editor. A one-position slider move (an arrow key) changes
// the value by exactly one step, however wide the range; all slider arithmetic
// runs in double, so the whole 64-bit range maps without overflow.
class IntParameter : public PropertyGridParameterBase<QWidget> {
public:
    IntParameter(long long min, long long max, long long value, long long step,
                 std::vector<long long> allowedValues, int representation, bool locked, bool readOnly,
                 QWidget* parent);

    // Clamps and refreshes every editor, then reports a changed value.
    void setValue(long long v);
    // Stores the numbers (the value as given) and refreshes; raises nothing.
    void setup(long long min, long long max, long long value, long long step, bool locked, bool readOnly);

    // The text of a value in a representation: 2 "True"/"False", 4 "0x" and
    // lower-case hexadecimal, 5 an IPv4 address, 6 a MAC address, else decimal.
    static QString representationText(long long value, int representation);
    static QString macText(long long value);

    long long minimum() const { return min_; }
    long long maximum() const { return max_; }
    long long value() const { return value_; }
    long long step() const { return step_; }
    int representation() const { return representation_; }
    QSlider* slider() const { return slider_; }
    PropIntSpinBox* spinBox() const { return spinBox_; }
    QLineEdit* textField() const { return textField_; }

    EventList<long long> eventValueChanged;

    static constexpr int kTicks = 100'000'000;

private:
    void onSliderValueChanged(int p);
    int positionOf(long long v) const;
    void refresh(bool locked, bool readOnly);

    int sliderMin_ = 0;
    int sliderMax_ = kTicks;
    int ticks_ = kTicks;
    int lastPosition_ = 0;
    long long min_;
    long long max_;
    long long value_;
    std::vector<long long> allowedValues_;
    int representation_;
    long long step_ = 1;
    QSlider* slider_ = nullptr;
    PropIntSpinBox* spinBox_ = nullptr;
    QLineEdit* textField_ = nullptr;
};

} // namespace app::QtView
