#include "GlContext.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>

#include <cstring>
#include <dlfcn.h>
#include <link.h>

namespace quorel::test {

namespace {

// Keeps the loaded DRI driver (Mesa) in memory until the process ends. Mesa
// unloads it when the display closes; the leak checker then could not name the
// library of the driver's process-lifetime caches and would report them
// instead of applying tests/lsan.supp.
void pin_dri_drivers()
{
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            if (info->dlpi_name && std::strstr(info->dlpi_name, "_dri.so"))
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

} // namespace

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
        pin_dri_drivers();
    }
    return context->makeCurrent(surface);
}

} // namespace quorel::test
