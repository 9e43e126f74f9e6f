#pragma once

#include "kyrgx/Shader.h"

#include <memory>
#include <string>
#include <vector>

namespace kyrgx::OpenGL {

// A uniform of a glShader: its location, GL type, texture unit (samplers) and
// the value to upload when changed.
class glShaderParam : public ShaderParam {
public:
    glShaderParam(std::string name, int location, unsigned type, int textureUnit);

    bool changed() const override { return changed_; }
    std::string name() const override { return name_; }
    void setInt(int value) override;
    void setFloat(float value) override;
    void setVec2(const Vec2<float>& value) override { set2(value.x, value.y); }
    void set2(float x, float y) override;
    void setVec3(const Vec3f& value) override { set3(value.x, value.y, value.z); }
    void set3(float x, float y, float z) override;
    void setVec4(const Vec4f& value) override { set4(value.x, value.y, value.z, value.w); }
    void set4(float x, float y, float z, float w) override;
    void setMatrix(const float* values) override;

    int location() const { return location_; }
    unsigned type() const { return type_; }
    int textureUnit() const { return textureUnit_; }
    bool isSampler() const;
    // Uploads the value to the program in use when it changed (samplers always
    // get their unit) and lowers the flag. Throws std::logic_error
    // "Unknown ShaderParameter-Type." for a type it cannot upload.
    void apply();
    const float* values() const { return values_; }
    int intValue() const { return intValue_; }

private:
    std::string name_;
    int location_;
    unsigned type_;
    int textureUnit_;
    bool changed_ = false;
    float values_[16] = {};
    int intValue_ = 0;
};

// A linked program from a vertex and a fragment text. Both texts are compiled
// after "#version 330 ", the define DEBAYER_FILTERING_ENABLED and the given
// defines (whole lines, such as "#define PIXEL_FORMAT 10\n"). Throws
// std::runtime_error with the GL info log when compiling or linking fails.
class glShader : public Shader {
public:
    glShader(const std::string& vertexText, const std::string& fragmentText, const std::string& defines = {});
    ~glShader() override;
    glShader(const glShader&) = delete;
    glShader& operator=(const glShader&) = delete;

    std::shared_ptr<ShaderParam> param(const std::string& name) const override;
    const std::vector<std::shared_ptr<glShaderParam>>& params() const { return params_; }
    unsigned program() const { return program_; }

private:
    std::vector<std::shared_ptr<glShaderParam>> params_;
    unsigned program_ = 0;
};

} // namespace kyrgx::OpenGL
