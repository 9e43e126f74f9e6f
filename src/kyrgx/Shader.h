#pragma once

#include "kyrgx/Vec2.h"

#include <memory>
#include <string>

namespace kyrgx {

struct Vec3f {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct Vec4f {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;
};

// One uniform of a shader program. Every setter stores the value and raises
// the changed flag; the driver uploads changed values before its next draw.
class ShaderParam {
public:
    virtual ~ShaderParam() = default;
    virtual bool changed() const = 0;
    virtual std::string name() const = 0;
    virtual void setInt(int value) = 0;
    virtual void setFloat(float value) = 0;
    virtual void setVec2(const Vec2<float>& value) = 0;
    virtual void set2(float x, float y) = 0;
    virtual void setVec3(const Vec3f& value) = 0;
    virtual void set3(float x, float y, float z) = 0;
    virtual void setVec4(const Vec4f& value) = 0;
    virtual void set4(float x, float y, float z, float w) = 0;
    // 16 floats, column-major.
    virtual void setMatrix(const float* values) = 0;
};

// A shader program with its uniforms.
class Shader {
public:
    virtual ~Shader() = default;
    // The uniform of that exact name; empty when the program has none.
    virtual std::shared_ptr<ShaderParam> param(const std::string& name) const = 0;
};

} // namespace kyrgx
