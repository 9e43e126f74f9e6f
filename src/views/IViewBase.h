#pragma once

#include <functional>
#include <vector>

namespace app {

class IViewBase;

// An event list of a view: callbacks appended by controllers, raised in order
// on the GUI thread with the raising view first.
template <typename... Args> using EventList = std::vector<std::function<void(IViewBase*, Args...)>>;

template <typename... Args, typename... Values>
void raise_event(const EventList<Args...>& list, IViewBase* sender, Values&&... values)
{
    for (const auto& callback : list)
        callback(sender, values...);
}

// Root of every view interface.
class IViewBase {
public:
    virtual ~IViewBase() = default;

    EventList<> closed;
};

} // namespace app
