// The application context's pixel buffers for the live view, under a real
// OpenGL context (Xvfb in the test run).

#include "../kyrgx/GlContext.h"
#include "app/Utf8.h"
#include "application/qt_context.h"
#include "kyrgx/Resources.h"
#include "kyrgx/opengl/Pixelbuffer.h"
#include "kyrgx/opengl/glGraphics.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>

TEST(PixelBufferFactory, MakesABufferOfHeightTimesStride)
{
    ASSERT_TRUE(quorel::test::make_gl_context_current()) << "no OpenGL context";
    kyrgx::set_resource_directory(
        app::path_to_wide(std::filesystem::read_symlink("/proc/self/exe").parent_path() / "data"));
    kyrgx::OpenGL::glGraphics driver; // the live view's driver comes first and loads OpenGL's functions
    application::qt_context context;
    const auto buffer =
        context.makePixelBuffer(100, 10, 400, static_cast<int32_t>(kyrgx::PixelFormat::RGB32));
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->byteSize(), 4000u);
    EXPECT_EQ(buffer->width(), 100u);
    EXPECT_EQ(buffer->height(), 10u);
    EXPECT_EQ(buffer->stride(), 400u);
    EXPECT_EQ(buffer->format(), kyrgx::PixelFormat::RGB32);
    uint8_t* data = buffer->lock();
    ASSERT_NE(data, nullptr);
    data[3999] = 7;
    buffer->unlock();
    EXPECT_THROW(context.makePixelBuffer(-1, 10, 400, 2), std::invalid_argument);
}
