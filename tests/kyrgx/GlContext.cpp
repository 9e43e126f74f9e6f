#include "GlContext.h"

#include "support/GlDrivers.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>

namespace quorel::test {

bool make_gl_context_current()
{
    static QOffscreenSurface* surface = nullptr;
    static QOpenGLContext* context = nullptr;
    if (!context) {
        surface = new QOffscreenSurface;
        surface->create();
        context = new QOpenGLContext;
        if (!context->create())
            return false;
        keep_gl_drivers_loaded();
    }
    return context->makeCurrent(surface);
}

} // namespace quorel::test
