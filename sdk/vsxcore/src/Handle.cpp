#include "Handle.h"

namespace vsxsim {

namespace {
std::atomic<int> g_external[kHandleKindCount];
}

const char* handle_kind_name(HandleKind kind)
{
    switch (kind) {
    case HandleKind::DevEnum:
        return "devenum";
    case HandleKind::DevItf:
        return "devitf";
    case HandleKind::DevInfo:
        return "devinfo";
    case HandleKind::Grabber:
        return "grabber";
    case HandleKind::PropMap:
        return "propmap";
    case HandleKind::Prop:
        return "prop";
    case HandleKind::PropList:
        return "proplist";
    case HandleKind::Sink:
        return "sink";
    case HandleKind::Display:
        return "display";
    case HandleKind::ImageBuffer:
        return "imagebuffer";
    case HandleKind::VideoWriter:
        return "videowriter";
    }
    return "unknown";
}

Handle::~Handle()
{
    magic_ = 0;
}

void Handle::hand_out()
{
    add_ref();
    g_external[static_cast<int>(kind_)].fetch_add(1, std::memory_order_relaxed);
}

void Handle::count_external()
{
    g_external[static_cast<int>(kind_)].fetch_add(1, std::memory_order_relaxed);
}

void Handle::take_back()
{
    g_external[static_cast<int>(kind_)].fetch_sub(1, std::memory_order_relaxed);
    release();
}

Handle* Handle::check(const void* p, HandleKind kind)
{
    if (!p)
        return nullptr;
    auto* h = static_cast<Handle*>(const_cast<void*>(p));
    if (h->magic_ != kMagic || h->kind_ != kind)
        return nullptr;
    return h;
}

int Handle::external_count(HandleKind kind)
{
    return g_external[static_cast<int>(kind)].load(std::memory_order_relaxed);
}

void Handle::reset_external_counts()
{
    for (auto& c : g_external)
        c.store(0);
}

} // namespace vsxsim
