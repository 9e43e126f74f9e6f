#pragma once

#include "kyrgx/Affine2D.h"
#include "kyrgx/GraphicsDriver.h"
#include "kyrgx/Shader.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace kyrgx::OpenGL {

class glImage;
class glShader;

// The batching OpenGL 3.3 driver of the live view. Every primitive becomes a
// quad of four vertices, transformed on the CPU and appended to one batch of
// at most 1,024 vertices; the batch is drawn with one indexed draw call when
// the state it depends on changes, when it is full, or on flush. Colour and
// alpha travel in the vertices, so colour changes never break a batch.
// Untextured quads use the simple program; every image is drawn through the
// debayer program, which turns each pixel format into colour on the GPU. The
// debayer text is compiled once per pixel format (and per filter for the
// formats it filters itself), when an image of that format is first drawn, so
// each program holds the code of its own format only.
// Created and used only while its OpenGL context is current.
class glGraphics : public GraphicsDriver {
public:
    // Dirty flags: state re-applied before the next draw.
    enum Dirty : uint32_t {
        DIRTY_VIEWPORT = 0x01,
        DIRTY_CLIP = 0x02,
        DIRTY_BLEND = 0x04,
        DIRTY_FILTER = 0x08,
        DIRTY_FRAMEBUFFER = 0x20,
        DIRTY_PROGRAM = 0x40,
        DIRTY_ALL = 0xFFFFFFFFu,
    };

    static constexpr int MAX_VERTICES = 1024;

    // The draw call the driver issues; tests put a counting function here.
    using DrawElementsFn = void (*)(unsigned mode, int count, unsigned type, const void* indices);
    static void setDrawElementsHook(DrawElementsFn hook);

    // Initialises GLEW (logging a failure) and checks for OpenGL 3.3, loads the
    // shaders from the resource folder. Throws std::runtime_error when a
    // shader does not compile or link. The framebuffer bound now is taken as
    // the window's (a QOpenGLWidget draws into its own framebuffer object).
    glGraphics();
    ~glGraphics() override;
    glGraphics(const glGraphics&) = delete;
    glGraphics& operator=(const glGraphics&) = delete;

    std::unique_ptr<Image> createImage(int width, int height, PixelFormat format, int usage) override;
    std::shared_ptr<Image> createSharedImage(int width, int height, PixelFormat format, int usage) override;
    bool supportsFeature() override { return true; }
    bool drawsOnScreen() const override { return true; }
    void flush() override;
    void finish() override;
    void clear(float red, float green, float blue) override;
    void setRenderTarget(Image* image) override;
    void setViewport(int x, int y, int width, int height) override;
    void setClip(int x, int y, int width, int height) override;
    void setTransform(const Affine2D& transform) override;
    void setFilterMode(int mode) override;
    void setBlendMode(int mode) override;
    void setAlpha(float alpha) override;
    void setColor(float red, float green, float blue) override;
    void drawImageRect(Image* image, float x, float y, float sx, float sy, float sw, float sh) override;
    void drawImage(Image* image, float x, float y) override;
    void drawLine(float x1, float y1, float x2, float y2, float width) override;
    void fillRect(float x, float y, float width, float height) override;
    std::string rendererName() override;

    // The framebuffer that stands for "the window" (a QOpenGLWidget's
    // defaultFramebufferObject(), which may change when the widget resizes).
    void setWindowFramebuffer(unsigned framebuffer);
    // Marks every piece of GL state for re-application, for a host that lets
    // other code change GL state between frames.
    void invalidateState();

    uint32_t dirtyFlags() const { return dirty_; }
    unsigned vertexCount() const { return vertexCount_; }
    glShader* simpleProgram() const { return simple_.get(); }
    // The program that draws images of a format with the given filtering
    // (linear or nearest), built on first use; null when it failed to build
    // (logged once; such images are not drawn).
    glShader* imageProgram(PixelFormat format, bool linear);
    glShader* currentProgram() const { return current_; }

private:
    struct Vertex {
        float x, y, u, v;
        uint8_t r, g, b, a;
    };
    static_assert(sizeof(Vertex) == 20, "the vertex layout is 20 bytes");

    // A debayer program with the uniforms the driver sets and the image size
    // they hold.
    struct ImageProgram {
        std::shared_ptr<glShader> shader;
        std::shared_ptr<ShaderParam> width;
        std::shared_ptr<ShaderParam> height;
        int size[2] = {0, 0};
    };

    void loadShaders();
    static int programKey(int format, bool linear);
    static std::shared_ptr<glShader> buildImageProgram(int format, bool linear);
    ImageProgram* imageProgramFor(int format, bool linear);
    void useProgram(glShader* program);
    Vertex* appendQuad(glImage* image);
    // Selects the image's program and sets its size; false when the format
    // has no program.
    bool applyImageState(glImage* image);
    void applyTargetState();
    void applyDrawState();
    void setVertex(Vertex& v, float x, float y, float u, float w);

    Affine2D transform_;
    uint32_t dirty_ = DIRTY_ALL;
    unsigned framebuffer_ = 0;
    unsigned windowFramebuffer_ = 0;
    glImage* batchImage_ = nullptr;
    uint8_t color_[4] = {0, 0, 0, 255};
    int blendMode_ = 0;
    int filterMode_ = 3;
    int viewport_[4] = {0, 0, 0, 0};
    int clip_[4] = {0, 0, 0, 0};
    Vertex vertices_[MAX_VERTICES];
    uint16_t indices_[MAX_VERTICES / 4 * 6];
    int primitive_ = 4;
    unsigned vertexCount_ = 0;
    unsigned vertexBuffer_ = 0;
    unsigned indexBuffer_ = 0;
    float projection_[16];
    float view_[16];
    std::shared_ptr<glShader> simple_;
    std::map<int, ImageProgram> imagePrograms_; // by programKey
    glShader* current_ = nullptr;
};

} // namespace kyrgx::OpenGL
