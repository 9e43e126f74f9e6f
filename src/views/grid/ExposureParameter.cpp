#include "views/grid/ExposureParameter.h"
#include "views/grid/RowLayout.h"

#include "app/StringUtil.h"
#include "app/Utf8.h"
#include "views/grid/NumberText.h"
#include "views/grid/QtDecimalSpinner.h"

#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <cmath>
#include <optional>

namespace app::QtView {

const std::array<float, 17> exposureSnapTable = {
    1.0f / 20000, 1.0f / 10000, 1.0f / 4000, 1.0f / 2000, 1.0f / 1000, 1.0f / 500,
    1.0f / 250,   1.0f / 120,   1.0f / 60,   1.0f / 30,   1.0f / 15,   1.0f / 8,
    1.0f / 4,     1.0f / 2,     1.0f,        2.0f,        4.0f};

namespace {

double toSingle(double v)
{
    return static_cast<double>(static_cast<float>(v));
}

std::optional<float> parseFloat(std::string text)
{
    // A leading "+" passes the spinner's validator; the reader takes none.
    if (!text.empty() && text.front() == '+')
        text.erase(0, 1);
    const std::optional<double> value = parseDouble(text);
    if (!value || !std::isfinite(static_cast<float>(*value)))
        return std::nullopt;
    return static_cast<float>(*value);
}

} // namespace

ExposureParameter::ExposureParameter(double min, double max, double value, double step, bool locked,
                                     bool readOnly, QWidget* parent)
    : FloatParamBase(min, max, value, {}), PropertyGridParameterBase<QWidget>(parent)
{
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setRange(0, 100);
    slider_->setValue(valueToSlider(value));
    connect(slider_, &QSlider::valueChanged, this,
            [this](int p) { guardedCall("ExposureParameter::onSliderMoved()", [&] { onSliderMoved(p); }); });
    spinBox_ = new QtDecimalSpinner(this);
    spinBox_->setMinimumWidth(80);
    spinBox_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    spinBox_->eventTextChanged.push_back(
        [this](IViewBase*, const std::wstring& text) { parseExposureText(text); });
    connect(spinBox_, qOverload<int>(&QSpinBox::valueChanged), this, [this](int p) {
        guardedCall("ExposureParameter::onSpinnerValueChanged()", [&] { onSpinnerValueChanged(p); });
    });
    setup(min, max, value, step, locked, readOnly);

    makeRowLayout(this, {{slider_, 1}, {spinBox_, 0}});
    installEventFilters();
}

void ExposureParameter::setup(double min, double max, double value, double step, bool locked, bool readOnly)
{
    FloatParamBase::setup(min, max, value, step, locked, readOnly);
    const int p = valueToSlider(value_);
    {
        const QSignalBlocker blocker(slider_);
        slider_->setRange(0, 100);
        slider_->setValue(p);
        slider_->setEnabled(!locked);
    }
    const QSignalBlocker blocker(spinBox_);
    spinBox_->setSingleStep(1);
    spinBox_->setRange(0, 100);
    spinBox_->setSuffix(" sec");
    showInSpinner(value_, p);
    spinBox_->setReadOnly(locked || readOnly);
    spinBox_->setEnabled(!locked && !readOnly);
    spinBox_->setButtonSymbols(readOnly ? QAbstractSpinBox::NoButtons : QAbstractSpinBox::UpDownArrows);
}

void ExposureParameter::showInSpinner(double v, int p)
{
    const QSignalBlocker blocker(spinBox_);
    spinBox_->setText(formatExposure(v));
    spinBox_->setPosition(p);
    // Also refreshes the shown text when the position stays.
    spinBox_->setValue(p);
}

void ExposureParameter::setValue(double v)
{
    if (std::isnan(v))
        return;
    v = toSingle(clampTo(v, min_, max_));
    if (v == value_)
        return;
    const int p = valueToSlider(v);
    value_ = v;
    {
        const QSignalBlocker blocker(slider_);
        slider_->setValue(p);
    }
    showInSpinner(v, p);
    if (!signalsBlocked())
        raise_event(eventValueChanged, nullptr, static_cast<float>(v));
}

double ExposureParameter::positionValue(int p)
{
    return toSingle(clampTo(sliderToValue(p), min_, max_));
}

void ExposureParameter::onSliderMoved(int p)
{
    const double v = positionValue(p);
    if (v == value_)
        return;
    value_ = v;
    showInSpinner(v, p);
    raise_event(eventValueChanged, nullptr, static_cast<float>(v));
}

void ExposureParameter::onSpinnerValueChanged(int p)
{
    const double v = positionValue(p);
    if (v == value_)
        return;
    showInSpinner(v, p);
    value_ = v;
    {
        const QSignalBlocker blocker(slider_);
        slider_->setValue(p);
    }
    raise_event(eventValueChanged, nullptr, static_cast<float>(v));
}

double ExposureParameter::snapValue(double x)
{
    // Half the width of one slider tick. Only the entry nearest to x snaps: a
    // chain from entry to entry would carry short times far up the table and
    // out of reach of slider and arrows.
    const float tolerance =
        (static_cast<float>(max_) - static_cast<float>(min_)) / static_cast<float>(2 * ticks_);
    const float target = static_cast<float>(x);
    const float* nearest = nullptr;
    float nearestDistance = tolerance;
    for (const float& entry : exposureSnapTable) {
        const float distance = std::fabs(entry - target);
        if (distance < nearestDistance) {
            nearest = &entry;
            nearestDistance = distance;
        }
    }
    return nearest ? static_cast<double>(*nearest) : x;
}

void ExposureParameter::setSingleStep(int s)
{
    slider_->setSingleStep(s);
    spinBox_->setSingleStep(s);
}

void ExposureParameter::setUnit(const std::wstring& unit)
{
    spinBox_->setSuffix(" " + QString::fromStdWString(unit));
}

void ExposureParameter::scheduleRepaint()
{
    QTimer::singleShot(0, this, [this] {
        repaint();
        if (QWidget* parent = parentWidget())
            parent->repaint();
    });
}

std::wstring ExposureParameter::formatExposure(double v)
{
    // Times of zero and below have no reciprocal: they keep the fixed form.
    if (v > 0.0 && v < 0.25)
        return L"1/" + QString::number(std::trunc(1.0 / v + 0.5), 'f', 0).toStdWString();
    return QString::number(v, 'f', 6).toStdWString();
}

void ExposureParameter::parseExposureText(const std::wstring& text)
{
    const std::vector<std::string> parts = split_string(wide_to_utf8(text), '/');
    std::optional<float> value;
    if (parts.size() == 2) {
        const std::optional<int> a = parseInt32(parts[0]);
        const std::optional<int> b = parseInt32(parts[1]);
        if (a && b) {
            if (*b == 0)
                return;
            value = static_cast<float>(*a) / static_cast<float>(*b);
        }
    } else {
        value = parseFloat(parts.front());
    }
    if (!value) {
        spdlog::warn("Failed to parse string: spinBox_->eventTextChanged.");
        return;
    }
    const double v = *value;
    QTimer::singleShot(100, this, [this, v] {
        guardedCall("ExposureParameter::setValue()", [&] {
            setValue(v);
            // A time equal to the current one changes nothing, but the spinner
            // shows it in its own form again.
            showInSpinner(value_, spinBox_->position());
        });
    });
}

} // namespace app::QtView
