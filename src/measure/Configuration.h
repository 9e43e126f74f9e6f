#pragma once

#include "app/ParameterContainer.h"
#include "measure/LengthUnit.h"

#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>

namespace Measure {

// One magnification of a microscope: how many image pixels ("dots") make one
// length unit, which unit that is (stored by name), and how many decimal
// places measured values show. It is a parameter container with the four
// parameters "Name", "DotsPerUnit", "Unit" and "Decimal Planes", so the
// microscope dialog edits it like any other settings; the handles below reach
// the parameters directly.
//
// Threads: the values are atomics or guarded by their parameter, so the
// overlay may read them on a frame thread while the dialog sets them.
class Configuration : public helper::ParameterContainer {
public:
    static constexpr const wchar_t* NAME = L"Name";
    static constexpr const wchar_t* DOTS_PER_UNIT = L"DotsPerUnit";
    static constexpr const wchar_t* UNIT = L"Unit";
    static constexpr const wchar_t* DECIMAL_PLANES = L"Decimal Planes";
    // The range of "DotsPerUnit": the positive normal single-precision values.
    static constexpr double MIN_DOTS_PER_UNIT = 1.1754943508222875e-38;
    static constexpr double MAX_DOTS_PER_UNIT = 3.4028234663852886e+38;
    static constexpr int MAX_DECIMAL_PLANES = 6;

    // "Name" = name, 100 dots per "cm" (which reads as Centimeter), 2 decimal places.
    explicit Configuration(const std::wstring& name);
    Configuration(const Configuration&) = delete;
    Configuration& operator=(const Configuration&) = delete;

    // One element of "magnifications": "name" and "unit" strings,
    // "dots-per-unit" and "decimal-planes" numbers. The values become the
    // parameters' values and defaults. "decimal-planes" is truncated and
    // brought into 0..6. Throws std::runtime_error (naming the key) for a
    // missing key, a wrong type, or a "dots-per-unit" that is not a positive
    // finite single-precision value: such a value would put inf or NaN into
    // every label and export.
    static std::shared_ptr<Configuration> fromJson(const nlohmann::json& value);
    // Replaces the value with {"decimal-planes", "dots-per-unit" (narrowed to
    // single precision, written as a double), "name", "unit"}.
    void toJson(nlohmann::json& value) const;

    std::wstring name() const;
    std::wstring unitName() const;
    // The unit of the "Unit" text (an unknown text is Centimeter).
    LengthUnit unit() const;
    // "DotsPerUnit" narrowed to single precision.
    float dotsPerUnit() const;
    // "Decimal Planes", within 0..6.
    int decimalPlanes() const;

    std::shared_ptr<helper::stringParameter> nameParameter;
    std::shared_ptr<helper::stringParameter> unitParameter;
    std::shared_ptr<helper::floatParameter> dotsPerUnitParameter;
    std::shared_ptr<helper::IntParameter> decimalPlanesParameter;

private:
    struct Values {
        std::wstring name;
        double dotsPerUnit;
        std::wstring unit;
        int64_t decimalPlanes;
    };
    explicit Configuration(const Values& values);
};

} // namespace Measure
