#include "app/IApplicationContext.h"

#include "app/ProductInfo.h"

#include <mutex>
#include <stdexcept>

namespace application {

namespace {

std::mutex g_mutex;
std::shared_ptr<IApplicationContext> g_context;
std::function<std::shared_ptr<IApplicationContext>()> g_factory;

}  // namespace

std::shared_ptr<IApplicationContext> get_context()
{
    std::lock_guard lock(g_mutex);
    if (!g_context) {
        if (!g_factory)
            throw std::logic_error("get_context: no application context installed");
        g_context = g_factory();
        g_context->setTitle(app::get_title());
    }
    return g_context;
}

void set_context_factory(std::function<std::shared_ptr<IApplicationContext>()> factory)
{
    std::lock_guard lock(g_mutex);
    g_factory = std::move(factory);
}

void set_context(std::shared_ptr<IApplicationContext> context)
{
    std::lock_guard lock(g_mutex);
    g_context = std::move(context);
}

}  // namespace application
