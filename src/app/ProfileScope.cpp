#include "app/ProfileScope.h"

#include "app/Clock.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <mutex>

namespace app {

namespace {

struct Probe {
    const char* name = nullptr;
    int64_t total = 0;
    int32_t scopes = 0;
    int32_t depth = 0;
    int parent = -1;
    int children[ProfileScope::kMaxChildren];

    Probe() { std::fill(std::begin(children), std::end(children), -1); }
};

struct Table {
    std::mutex mutex;
    Probe probes[ProfileScope::kMaxProbes];
    uint64_t epoch = 1;
};

Table& table()
{
    static Table instance;
    return instance;
}

// Each thread's place in its own nesting of scopes; valid for one table epoch.
struct ThreadState {
    int current = -1;
    int32_t depth = 0;
    uint64_t epoch = 0;
};

thread_local ThreadState t_state;

void add_child(Probe& parent, int child)
{
    for (int& slot : parent.children) {
        if (slot == child)
            return;
        if (slot < 0) {
            slot = child;
            return;
        }
    }
    parent.children[ProfileScope::kMaxChildren - 1] = child;
}

} // namespace

ProfileScope::ProfileScope(const char* name)
{
    if (name == nullptr)
        return;
    Table& t = table();
    {
        std::lock_guard lock(t.mutex);
        if (t_state.epoch != t.epoch)
            t_state = ThreadState{-1, 0, t.epoch};
        const int32_t d = t_state.depth;
        int found = -1;
        for (int i = 0; i < kMaxProbes; ++i) {
            Probe& p = t.probes[i];
            if (p.name == nullptr) {
                p.name = name;
                found = i;
                break;
            }
            if (p.depth == d && std::strcmp(p.name, name) == 0) {
                found = i;
                break;
            }
        }
        if (found < 0)
            return;
        Probe& probe = t.probes[found];
        if (t_state.current >= 0)
            add_child(t.probes[t_state.current], found);
        probe.parent = t_state.current;
        probe.depth = d;
        previous_ = t_state.current;
        t_state.current = found;
        t_state.depth = d + 1;
        probe_ = found;
        epoch_ = t.epoch;
    }
    start_ = clock_microseconds();
}

ProfileScope::~ProfileScope()
{
    if (probe_ < 0)
        return;
    const int64_t elapsed = clock_microseconds() - start_;
    Table& t = table();
    std::lock_guard lock(t.mutex);
    if (epoch_ != t.epoch || t_state.epoch != t.epoch)
        return;
    if (t_state.current == probe_)
        t_state.current = previous_;
    Probe& probe = t.probes[probe_];
    probe.total += elapsed;
    probe.scopes += 1;
    t_state.depth -= 1;
}

std::vector<ProfileProbe> ProfileScope::snapshot()
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    std::vector<ProfileProbe> out;
    for (const Probe& p : t.probes) {
        if (p.name == nullptr)
            break;
        ProfileProbe copy;
        copy.name = p.name;
        copy.totalMicroseconds = p.total;
        copy.scopes = p.scopes;
        copy.depth = p.depth;
        if (p.parent >= 0)
            copy.parent = t.probes[p.parent].name;
        for (int child : p.children)
            if (child >= 0)
                copy.children.push_back(t.probes[child].name);
        out.push_back(std::move(copy));
    }
    return out;
}

void ProfileScope::reset()
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    for (Probe& p : t.probes)
        p = Probe();
    t.epoch += 1;
}

} // namespace app
