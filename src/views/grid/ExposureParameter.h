#pragma once

#include "views/grid/FloatParamBase.h"
#include "views/grid/PropertyGridParameterBase.h"

#include <QWidget>
#include <array>
#include <string>

class QSlider;

namespace app::QtView {

class QtDecimalSpinner;

// The customary exposure times the slider snaps to, in seconds.
extern const std::array<float, 17> exposureSnapTable;

// The exposure-time row: the floating-point slider (snapping to customary
// times) and a spinner that shows "1/250 sec" below a quarter of a second and
// "2.000000 sec" from there up. Typed times (decimal or a/b) are applied 100 ms
// after the user confirms them. Every value is held at single precision.
class ExposureParameter : public FloatParamBase, public PropertyGridParameterBase<QWidget> {
public:
    ExposureParameter(double min, double max, double value, double step, bool locked, bool readOnly,
                      QWidget* parent);

    // Clamps and rounds to float; a new value moves slider and spinner, then is
    // reported. NaN is ignored.
    void setValue(double v) override;
    void setSingleStep(int s) override;
    // Stores the numbers and refreshes the widgets; raises nothing.
    void setup(double min, double max, double value, double step, bool locked, bool readOnly) override;
    // The customary time nearest to x within half a slider tick, else x.
    double snapValue(double x) override;
    // The spinner shows one blank and the unit after the time.
    void setUnit(const std::wstring& unit);
    void scheduleRepaint();

    static std::wstring formatExposure(double v);
    // Reads a typed time and applies it 100 ms later; a text that cannot be read
    // is logged and ignored, a fraction over 0 ignored.
    void parseExposureText(const std::wstring& text);

    QSlider* slider() const { return slider_; }
    QtDecimalSpinner* spinBox() const { return spinBox_; }

private:
    void onSliderMoved(int p);
    void onSpinnerValueChanged(int p);
    double positionValue(int p);
    void showInSpinner(double v, int p);

    QSlider* slider_;
    QtDecimalSpinner* spinBox_;
};

} // namespace app::QtView
