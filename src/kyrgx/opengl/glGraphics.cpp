#include "kyrgx/opengl/glGraphics.h"

#include "app/Utf8.h"
#include "kyrgx/Resources.h"
#include "kyrgx/opengl/glImage.h"
#include "kyrgx/opengl/glShader.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fmt/format.h>
#include <map>
#include <mutex>
#include <spdlog/spdlog.h>
#include <stdexcept>

namespace kyrgx::OpenGL {

namespace {

void draw_elements(unsigned mode, int count, unsigned type, const void* indices)
{
    glDrawElements(mode, count, type, indices);
}

glGraphics::DrawElementsFn g_draw_elements = &draw_elements;

void drain_gl_errors()
{
    for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) {
        switch (e) {
        case GL_INVALID_ENUM:
            std::fputs("GLError: GL_INVALID_ENUM\n", stdout);
            break;
        case GL_INVALID_VALUE:
            std::fputs("GLError: GL_INVALID_VALUE\n", stdout);
            break;
        case GL_INVALID_OPERATION:
            std::fputs("GLError: GL_INVALID_OPERATION\n", stdout);
            break;
        case GL_OUT_OF_MEMORY:
            std::fputs("GLError: GL_OUT_OF_MEMORY\n", stdout);
            break;
        default:
            std::fputs("GLError: Unknown\n", stdout);
            break;
        }
    }
}

const char* gl_string(GLenum name)
{
    const auto* s = reinterpret_cast<const char*>(glGetString(name));
    return s ? s : "";
}

// The shader texts, loaded once per process.
std::string shader_text(const std::string& fileName)
{
    static std::mutex mutex;
    static std::map<std::string, std::string> cache;
    std::lock_guard lock(mutex);
    auto it = cache.find(fileName);
    if (it == cache.end())
        it = cache.emplace(fileName, load_resource_text(app::utf8_to_wide(fileName))).first;
    return it->second;
}

std::shared_ptr<glShader> make_program(const std::string& vs, const std::string& ps)
{
    spdlog::info("Creating shader -> vs: {} ps: {}", vs, ps);
    return std::make_shared<glShader>(shader_text(vs), shader_text(ps));
}

// The formats the debayer program converts texel by texel (mosaics, YUV422,
// packed rows): they need the image size and filter between converted pixels
// themselves. The others are sampled by the texture unit.
bool converted_in_shader(int f)
{
    return (f >= 5 && f <= 8) || (f >= 10 && f <= 16) || (f >= 18 && f <= 25);
}

void set_identity(float* m)
{
    std::fill(m, m + 16, 0.0f);
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

} // namespace

void glGraphics::setDrawElementsHook(DrawElementsFn hook)
{
    g_draw_elements = hook ? hook : &draw_elements;
}

glGraphics::glGraphics()
{
    for (Vertex& v : vertices_)
        v = Vertex{0.0f, 0.0f, 0.0f, 0.0f, 255, 255, 255, 255};
    set_identity(projection_);
    set_identity(view_);

    glewExperimental = GL_TRUE;
    const GLenum glewError = glewInit();
    if (glewError != GLEW_OK)
        spdlog::error("glGraphics::glGraphics - {}",
                      reinterpret_cast<const char*>(glewGetErrorString(glewError)));
    glGetError(); // glewInit may leave an error behind on some drivers

    static std::once_flag logged;
    std::call_once(logged, [] {
        spdlog::info("GL_VENDOR: {}", gl_string(GL_VENDOR));
        spdlog::info("GL_RENDERER: {}", gl_string(GL_RENDERER));
        spdlog::info("GL_VERSION: {}", gl_string(GL_VERSION));
        spdlog::info("GLSL_VERSION: {}", gl_string(GL_SHADING_LANGUAGE_VERSION));
    });
    GLint major = 0;
    GLint minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    if (major < 3 || (major == 3 && minor < 3))
        spdlog::error("glGraphics needs OpenGL 3.3 or later; this context offers {}.{} ({})", major, minor,
                      gl_string(GL_VERSION));

    GLint bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    windowFramebuffer_ = static_cast<unsigned>(bound);

    for (int q = 0; q < MAX_VERTICES / 4; ++q) {
        const auto base = static_cast<uint16_t>(q * 4);
        uint16_t* idx = &indices_[q * 6];
        idx[0] = base;
        idx[1] = static_cast<uint16_t>(base + 1);
        idx[2] = static_cast<uint16_t>(base + 2);
        idx[3] = base;
        idx[4] = static_cast<uint16_t>(base + 2);
        idx[5] = static_cast<uint16_t>(base + 3);
    }
    glGenBuffers(1, &indexBuffer_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof(indices_), indices_, GL_DYNAMIC_DRAW);
    drain_gl_errors();

    glGenBuffers(1, &vertexBuffer_);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    drain_gl_errors();
    for (GLuint attribute = 0; attribute < 3; ++attribute) {
        glEnableVertexAttribArray(attribute);
        drain_gl_errors();
    }
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    drain_gl_errors();

    loadShaders();
    drain_gl_errors();
}

glGraphics::~glGraphics()
{
    if (vertexBuffer_)
        glDeleteBuffers(1, &vertexBuffer_);
    if (indexBuffer_)
        glDeleteBuffers(1, &indexBuffer_);
}

void glGraphics::loadShaders()
{
    simple_ = make_program("simple_vs.glsl", "simple_ps.glsl");
    imagePrograms_.clear();
    // The program of RGB32 is built now, so that a shader that does not
    // compile shows when the driver is made; the others when first drawn.
    const int rgb32 = static_cast<int>(PixelFormat::RGB32);
    ImageProgram& first = imagePrograms_[programKey(rgb32, false)];
    first.shader = buildImageProgram(rgb32, false);
    useProgram(first.shader.get());

    set_identity(view_);
    vertexCount_ = 0;
    batchImage_ = nullptr;
    transform_.setIdentity();

    setClip(0, 0, 0, 0);
    setViewport(0, 0, 0, 0);
    color_[0] = color_[1] = color_[2] = color_[3] = 255;
    setBlendMode(0);
    setFilterMode(3);
    dirty_ |= 0x4F;
}

std::unique_ptr<Image> glGraphics::createImage(int width, int height, PixelFormat format, int usage)
{
    return std::make_unique<glImage>(width, height, format, usage);
}

std::shared_ptr<Image> glGraphics::createSharedImage(int width, int height, PixelFormat format, int usage)
{
    return std::make_shared<glImage>(width, height, format, usage);
}

void glGraphics::useProgram(glShader* program)
{
    if (current_ == program)
        return;
    flush();
    dirty_ |= DIRTY_PROGRAM;
    current_ = program;
    glUseProgram(program->program());
}

void glGraphics::applyTargetState()
{
    if (dirty_ & DIRTY_FRAMEBUFFER)
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_ ? framebuffer_ : windowFramebuffer_);
    if (dirty_ & DIRTY_VIEWPORT) {
        glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
        const float w = viewport_[2] != 0 ? static_cast<float>(viewport_[2]) : 1.0f;
        const float h = viewport_[3] != 0 ? static_cast<float>(viewport_[3]) : 1.0f;
        std::fill(projection_, projection_ + 16, 0.0f);
        projection_[0] = 2.0f / w;
        projection_[5] = -2.0f / h;
        projection_[10] = -1.0f;
        projection_[12] = -1.0f;
        projection_[13] = 1.0f;
        projection_[15] = 1.0f;
    }
    if (dirty_ & DIRTY_CLIP) {
        if (std::equal(clip_, clip_ + 4, viewport_)) {
            glDisable(GL_SCISSOR_TEST);
        } else {
            glEnable(GL_SCISSOR_TEST);
            glScissor(clip_[0], viewport_[3] - clip_[1] - clip_[3], std::max(clip_[2], 0),
                      std::max(clip_[3], 0));
        }
    }
    dirty_ &= ~static_cast<uint32_t>(DIRTY_FRAMEBUFFER | DIRTY_VIEWPORT | DIRTY_CLIP);
}

void glGraphics::applyDrawState()
{
    if (dirty_ & DIRTY_BLEND) {
        switch (blendMode_) {
        case 0:
            glDisable(GL_BLEND);
            break;
        case 1:
            glEnable(GL_BLEND);
            glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
            break;
        case 2:
            glEnable(GL_BLEND);
            glBlendFunc(GL_ONE, GL_ONE);
            break;
        case 3:
            glEnable(GL_BLEND);
            glBlendFunc(GL_DST_COLOR, GL_ONE_MINUS_SRC_ALPHA);
            break;
        default:
            throw std::logic_error("Invalid BlendMode.");
        }
        dirty_ &= ~static_cast<uint32_t>(DIRTY_BLEND);
    }
    for (const auto& p : current_->params())
        if (p->changed())
            dirty_ |= DIRTY_PROGRAM;
    if (dirty_ & DIRTY_PROGRAM) {
        const GLuint program = current_->program();
        glUseProgram(program);
        glUniformMatrix4fv(glGetUniformLocation(program, "r_proj"), 1, GL_FALSE, projection_);
        glUniformMatrix4fv(glGetUniformLocation(program, "r_view"), 1, GL_FALSE, view_);
        for (const auto& p : current_->params())
            p->apply();
        dirty_ &= ~static_cast<uint32_t>(DIRTY_PROGRAM);
    }
    if (batchImage_) {
        const GLint filter = filterMode_ == 3 ? GL_LINEAR : GL_NEAREST;
        const auto& textures = batchImage_->textures();
        for (size_t i = 0; i < textures.size(); ++i) {
            glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
            glBindTexture(GL_TEXTURE_2D, textures[i]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        }
        glActiveTexture(GL_TEXTURE0);
        dirty_ &= ~static_cast<uint32_t>(DIRTY_FILTER);
    }
}

void glGraphics::flush()
{
    applyTargetState();
    if (vertexCount_ == 0)
        return;
    const unsigned count = vertexCount_;
    // A failing draw drops its batch rather than failing every later call.
    vertexCount_ = 0;
    applyDrawState();
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(Vertex)), vertices_,
                 GL_DYNAMIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
    // The attribute layout is set on every draw: the host may have bound
    // another vertex array object since the last one.
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<const void*>(0));
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<const void*>(8));
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex), reinterpret_cast<const void*>(16));
    for (GLuint attribute = 0; attribute < 3; ++attribute)
        glEnableVertexAttribArray(attribute);
    if (primitive_ != 4)
        throw std::logic_error("Invalid primitive type.");
    g_draw_elements(GL_TRIANGLES, static_cast<int>(count / 4 * 6), GL_UNSIGNED_SHORT, nullptr);
}

void glGraphics::finish()
{
    flush();
    glFinish();
}

void glGraphics::clear(float red, float green, float blue)
{
    flush();
    glClearColor(red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void glGraphics::setRenderTarget(Image* image)
{
    auto* target = dynamic_cast<glImage*>(image);
    const unsigned fb = target ? target->framebuffer() : 0;
    if (fb == framebuffer_)
        return;
    flush();
    dirty_ |= 0x23;
    framebuffer_ = fb;
}

void glGraphics::setWindowFramebuffer(unsigned framebuffer)
{
    if (framebuffer == windowFramebuffer_)
        return;
    flush();
    windowFramebuffer_ = framebuffer;
    dirty_ |= DIRTY_FRAMEBUFFER;
}

void glGraphics::invalidateState()
{
    flush();
    dirty_ = DIRTY_ALL;
    if (current_)
        glUseProgram(current_->program());
}

void glGraphics::setViewport(int x, int y, int width, int height)
{
    flush();
    viewport_[0] = x;
    viewport_[1] = y;
    viewport_[2] = width;
    viewport_[3] = height;
    dirty_ |= 0x43;
}

void glGraphics::setClip(int x, int y, int width, int height)
{
    flush();
    clip_[0] = x;
    clip_[1] = y;
    clip_[2] = width;
    clip_[3] = height;
    dirty_ |= 0x03;
}

void glGraphics::setTransform(const Affine2D& transform)
{
    transform_.set(transform);
}

void glGraphics::setFilterMode(int mode)
{
    if (mode == filterMode_)
        return;
    flush();
    dirty_ |= DIRTY_FILTER;
    filterMode_ = mode;
}

void glGraphics::setBlendMode(int mode)
{
    if (mode == blendMode_)
        return;
    flush();
    dirty_ |= DIRTY_BLEND;
    blendMode_ = mode;
}

void glGraphics::setAlpha(float alpha)
{
    color_[3] = static_cast<uint8_t>(std::clamp(alpha, 0.0f, 1.0f) * 255.0f);
}

void glGraphics::setColor(float red, float green, float blue)
{
    color_[0] = static_cast<uint8_t>(std::clamp(red, 0.0f, 255.0f));
    color_[1] = static_cast<uint8_t>(std::clamp(green, 0.0f, 255.0f));
    color_[2] = static_cast<uint8_t>(std::clamp(blue, 0.0f, 255.0f));
}

glGraphics::Vertex* glGraphics::appendQuad(glImage* image)
{
    if (primitive_ != 4 || batchImage_ != image || vertexCount_ + 4 > MAX_VERTICES) {
        flush();
        primitive_ = 4;
        batchImage_ = image;
    }
    Vertex* v = &vertices_[vertexCount_];
    vertexCount_ += 4;
    return v;
}

void glGraphics::setVertex(Vertex& v, float x, float y, float u, float w)
{
    const Vec2<float> p = transform_.map({x, y});
    v.x = p.x;
    v.y = p.y;
    v.u = u;
    v.v = w;
    v.r = color_[0];
    v.g = color_[1];
    v.b = color_[2];
    v.a = color_[3];
}

int glGraphics::programKey(int format, bool linear)
{
    return format * 2 + (linear && converted_in_shader(format) ? 1 : 0);
}

std::shared_ptr<glShader> glGraphics::buildImageProgram(int format, bool linear)
{
    const int filter = linear && converted_in_shader(format) ? 1 : 0;
    spdlog::info("Creating shader -> vs: debayer_vs.glsl ps: debayer_ps.glsl for pixel format {}{}", format,
                 filter ? ", linear" : "");
    return std::make_shared<glShader>(
        shader_text("debayer_vs.glsl"), shader_text("debayer_ps.glsl"),
        fmt::format("#define PIXEL_FORMAT {}\n#define LINEAR_FILTER {}\n", format, filter));
}

glGraphics::ImageProgram* glGraphics::imageProgramFor(int format, bool linear)
{
    const int key = programKey(format, linear);
    auto it = imagePrograms_.find(key);
    if (it == imagePrograms_.end()) {
        ImageProgram program;
        try {
            program.shader = buildImageProgram(format, linear);
            program.width = program.shader->param("_width");
            program.height = program.shader->param("_height");
        } catch (const std::exception& e) {
            // Kept empty: the images of this format are not drawn, and the
            // failure is logged once rather than at every paint.
            spdlog::error("glGraphics: no program for pixel format {}: {}", format, e.what());
            program = ImageProgram{};
        }
        it = imagePrograms_.emplace(key, std::move(program)).first;
    }
    return &it->second;
}

glShader* glGraphics::imageProgram(PixelFormat format, bool linear)
{
    return imageProgramFor(static_cast<int>(format), linear)->shader.get();
}

bool glGraphics::applyImageState(glImage* image)
{
    const int f = static_cast<int>(image->format());
    ImageProgram* program = imageProgramFor(f, filterMode_ == 3);
    if (!program->shader)
        return false;
    useProgram(program->shader.get());
    const Vec2<int> size = image->size();
    if (converted_in_shader(f) && (size.x != program->size[0] || size.y != program->size[1])) {
        if (vertexCount_ > 0)
            flush();
        program->size[0] = size.x;
        program->size[1] = size.y;
        if (program->width)
            program->width->setFloat(static_cast<float>(size.x));
        if (program->height)
            program->height->setFloat(static_cast<float>(size.y));
    }
    return true;
}

void glGraphics::drawImage(Image* image, float x, float y)
{
    auto* img = dynamic_cast<glImage*>(image);
    if (!img || !applyImageState(img))
        return;
    Vertex* v = appendQuad(img);
    const Vec2<float>* c = img->corners();
    setVertex(v[0], c[0].x + x, c[0].y + y, img->uMin(), img->vMin());
    setVertex(v[1], c[1].x + x, c[1].y + y, img->uMax(), img->vMin());
    setVertex(v[2], c[2].x + x, c[2].y + y, img->uMax(), img->vMax());
    setVertex(v[3], c[3].x + x, c[3].y + y, img->uMin(), img->vMax());
    flush();
}

void glGraphics::drawImageRect(Image* image, float x, float y, float sx, float sy, float sw, float sh)
{
    auto* img = dynamic_cast<glImage*>(image);
    if (!img || !applyImageState(img))
        return;
    Vertex* v = appendQuad(img);
    const Vec2<float> texel = img->texelSize();
    const float u0 = sx * texel.x;
    const float v0 = sy * texel.y;
    const float u1 = (sx + sw) * texel.x;
    const float v1 = (sy + sh) * texel.y;
    setVertex(v[0], x, y, u0, v0);
    setVertex(v[1], x + sw, y, u1, v0);
    setVertex(v[2], x + sw, y + sh, u1, v1);
    setVertex(v[3], x, y + sh, u0, v1);
}

void glGraphics::fillRect(float x, float y, float width, float height)
{
    useProgram(simple_.get());
    Vertex* v = appendQuad(nullptr);
    setVertex(v[0], x, y, 0.0f, 0.0f);
    setVertex(v[1], x + width, y, 0.0f, 0.0f);
    setVertex(v[2], x + width, y + height, 0.0f, 0.0f);
    setVertex(v[3], x, y + height, 0.0f, 0.0f);
}

void glGraphics::drawLine(float x1, float y1, float x2, float y2, float width)
{
    useProgram(simple_.get());
    const Vec2<float> p1 = transform_.map({x1, y1});
    const Vec2<float> p2 = transform_.map({x2, y2});
    const float h = width * 0.5f;
    Vertex* v = appendQuad(nullptr);
    // The quad's corners are already in device pixels.
    const Affine2D saved = transform_;
    transform_.setIdentity();
    if (std::fabs(p2.y - p1.y) > std::fabs(p2.x - p1.x)) {
        setVertex(v[0], p1.x - h, p1.y, 0.0f, 0.0f);
        setVertex(v[1], p1.x + h, p1.y, 0.0f, 0.0f);
        setVertex(v[2], p2.x + h, p2.y, 0.0f, 0.0f);
        setVertex(v[3], p2.x - h, p2.y, 0.0f, 0.0f);
    } else {
        setVertex(v[0], p1.x, p1.y - h, 0.0f, 0.0f);
        setVertex(v[1], p1.x, p1.y + h, 0.0f, 0.0f);
        setVertex(v[2], p2.x, p2.y + h, 0.0f, 0.0f);
        setVertex(v[3], p2.x, p2.y - h, 0.0f, 0.0f);
    }
    transform_ = saved;
}

std::string glGraphics::rendererName()
{
    return gl_string(GL_RENDERER);
}

} // namespace kyrgx::OpenGL
