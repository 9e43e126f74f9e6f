#pragma once

namespace Measure {

// The measurands of measurement objects. Code that shows or exports values
// finds them by a dynamic cast from the object to each interface.

class ILengthMeasurand {
public:
    virtual ~ILengthMeasurand() = default;
    virtual float length() const = 0;
};

class IPerimeterMeasurand {
public:
    virtual ~IPerimeterMeasurand() = default;
    virtual float perimeter() const = 0;
};

class IAreaMeasurand {
public:
    virtual ~IAreaMeasurand() = default;
    virtual float area() const = 0;
};

class IRadiusMeasurand {
public:
    virtual ~IRadiusMeasurand() = default;
    virtual float radius() const = 0;
};

class IDiameterMeasurand {
public:
    virtual ~IDiameterMeasurand() = default;
    virtual float diameter() const = 0;
};

class IRectMeasurand {
public:
    virtual ~IRectMeasurand() = default;
    virtual float width() const = 0;
    virtual float height() const = 0;
};

// The angle between the two legs, 0 to 180 degrees.
class IArcAngle {
public:
    virtual ~IArcAngle() = default;
    virtual float angle() const = 0;
};

} // namespace Measure
