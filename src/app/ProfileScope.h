#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace app {

// One probe of the profiler's table, as copied out by ProfileScope::snapshot().
struct ProfileProbe {
    std::string name;
    int64_t totalMicroseconds = 0; // summed over every closed scope
    int32_t scopes = 0;            // number of closed scopes
    int32_t depth = 0;             // nesting depth at which the name was timed
    std::string parent;            // enclosing probe's name; empty at the top
    std::vector<std::string> children;
};

// Times a block under a name and adds the duration to the probe of that name
// and nesting depth in one process-wide table of 64 probes (a name timed at two
// depths has two probes; names beyond the 64th are not recorded). A scope
// opened while another is open on the same thread becomes a child of it (up to
// 32 children; a further child replaces the last).
//
//   void FilterPipeline::runFilters(...) { app::ProfileScope scope("FilterPipeline::runFilters"); ... }
//
// Scopes are opened on several camera threads at once: the table is guarded by
// one lock, and each thread keeps its own current probe and depth, so scopes of
// different threads never nest into one another.
class ProfileScope {
public:
    static constexpr int kMaxProbes = 64;
    static constexpr int kMaxChildren = 32;

    // The name is kept by pointer, not copied: pass a string literal (or text
    // that lives for the whole run). A null name records nothing.
    explicit ProfileScope(const char* name);
    ~ProfileScope();
    ProfileScope(const ProfileScope&) = delete;
    ProfileScope& operator=(const ProfileScope&) = delete;

    // A copy of the probes in use, in table order.
    static std::vector<ProfileProbe> snapshot();

    // Empties the table. Scopes still open record nothing when they close.
    static void reset();

private:
    int64_t start_ = 0;
    int probe_ = -1;
    int previous_ = -1; // this thread's current probe when the scope opened
    uint64_t epoch_ = 0;
};

} // namespace app
