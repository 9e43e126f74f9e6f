#include "kyrgx/opengl/glShader.h"

#include <GL/glew.h>

#include <cstring>
#include <fmt/format.h>
#include <stdexcept>

namespace kyrgx::OpenGL {

namespace {

void check(GLuint object, const char* type)
{
    GLint ok = 0;
    char log[1024] = {};
    const bool program = std::strcmp(type, "PROGRAM") == 0;
    if (program)
        glGetProgramiv(object, GL_LINK_STATUS, &ok);
    else
        glGetShaderiv(object, GL_COMPILE_STATUS, &ok);
    if (ok)
        return;
    if (program) {
        glGetProgramInfoLog(object, sizeof(log), nullptr, log);
        throw std::runtime_error(fmt::format("ERROR::PROGRAM_LINKING_ERROR of type : {}\n{}\n", type, log));
    }
    glGetShaderInfoLog(object, sizeof(log), nullptr, log);
    throw std::runtime_error(fmt::format("ERROR::SHADER_COMPILATION_ERROR of type : {}\n{}\n", type, log));
}

GLuint compile(GLenum kind, const std::string& defines, const std::string& text, const char* type)
{
    const char* parts[4] = {"#version 330 \n", "#define DEBAYER_FILTERING_ENABLED\n", defines.c_str(),
                            text.c_str()};
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 4, parts, nullptr);
    glCompileShader(shader);
    try {
        check(shader, type);
    } catch (...) {
        glDeleteShader(shader);
        throw;
    }
    return shader;
}

} // namespace

glShaderParam::glShaderParam(std::string name, int location, unsigned type, int textureUnit)
    : name_(std::move(name)), location_(location), type_(type), textureUnit_(textureUnit)
{
}

void glShaderParam::setInt(int value)
{
    intValue_ = value;
    values_[0] = static_cast<float>(value);
    changed_ = true;
}

void glShaderParam::setFloat(float value)
{
    values_[0] = value;
    intValue_ = static_cast<int>(value);
    changed_ = true;
}

void glShaderParam::set2(float x, float y)
{
    values_[0] = x;
    values_[1] = y;
    changed_ = true;
}

void glShaderParam::set3(float x, float y, float z)
{
    values_[0] = x;
    values_[1] = y;
    values_[2] = z;
    changed_ = true;
}

void glShaderParam::set4(float x, float y, float z, float w)
{
    values_[0] = x;
    values_[1] = y;
    values_[2] = z;
    values_[3] = w;
    changed_ = true;
}

void glShaderParam::setMatrix(const float* values)
{
    std::memcpy(values_, values, sizeof(values_));
    changed_ = true;
}

bool glShaderParam::isSampler() const
{
    return type_ == GL_SAMPLER_2D;
}

void glShaderParam::apply()
{
    if (isSampler()) {
        glUniform1i(location_, textureUnit_);
        return;
    }
    if (!changed_)
        return;
    switch (type_) {
    case GL_INT:
    case GL_BOOL:
        glUniform1i(location_, intValue_);
        break;
    case GL_FLOAT:
        glUniform1f(location_, values_[0]);
        break;
    case GL_FLOAT_VEC2:
        glUniform2fv(location_, 1, values_);
        break;
    case GL_FLOAT_VEC3:
        glUniform3fv(location_, 1, values_);
        break;
    case GL_FLOAT_VEC4:
        glUniform4fv(location_, 1, values_);
        break;
    case GL_FLOAT_MAT4:
        glUniformMatrix4fv(location_, 1, GL_FALSE, values_);
        break;
    default:
        throw std::logic_error("Unknown ShaderParameter-Type.");
    }
    changed_ = false;
}

glShader::glShader(const std::string& vertexText, const std::string& fragmentText, const std::string& defines)
{
    const GLuint vs = compile(GL_VERTEX_SHADER, defines, vertexText, "VERTEX");
    GLuint fs = 0;
    try {
        fs = compile(GL_FRAGMENT_SHADER, defines, fragmentText, "FRAGMENT");
    } catch (...) {
        glDeleteShader(vs);
        throw;
    }
    program_ = glCreateProgram();
    glAttachShader(program_, vs);
    glAttachShader(program_, fs);
    glBindAttribLocation(program_, 0, "a_Position");
    glBindAttribLocation(program_, 1, "a_TexCoord0");
    glBindAttribLocation(program_, 2, "a_Color");
    glLinkProgram(program_);
    glDeleteShader(vs);
    glDeleteShader(fs);
    try {
        check(program_, "PROGRAM");
    } catch (...) {
        glDeleteProgram(program_);
        program_ = 0;
        throw;
    }

    GLint count = 0;
    glGetProgramiv(program_, GL_ACTIVE_UNIFORMS, &count);
    int unit = 0;
    for (GLint i = 0; i < count; ++i) {
        char name[257] = {};
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program_, static_cast<GLuint>(i), 256, nullptr, &size, &type, name);
        std::string uniform(name);
        const size_t bracket = uniform.find('[');
        if (bracket != std::string::npos)
            uniform.erase(bracket);
        const GLint location = glGetUniformLocation(program_, uniform.c_str());
        if (location == -1)
            continue;
        int textureUnit = 0;
        if (type == GL_SAMPLER_2D)
            textureUnit = unit++;
        params_.push_back(std::make_shared<glShaderParam>(uniform, location, type, textureUnit));
    }
}

glShader::~glShader()
{
    if (program_)
        glDeleteProgram(program_);
}

std::shared_ptr<ShaderParam> glShader::param(const std::string& name) const
{
    for (const auto& p : params_)
        if (p->name() == name)
            return p;
    return {};
}

} // namespace kyrgx::OpenGL
