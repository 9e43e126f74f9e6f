#pragma once

#include <functional>
#include <memory>

namespace app {
class LiveViewController;
}

namespace Measure {

// The live view controller a workspace converts points through: kept as a
// weak reference, and fetched again when that controller is gone (the camera's
// view was closed and maybe opened anew).
class TransformHelper {
public:
    using Fetcher = std::function<void(std::shared_ptr<app::LiveViewController>&)>;

    // Throws std::runtime_error "TransformHelper: Needs LiveViewController..."
    // for an empty controller.
    TransformHelper(const std::shared_ptr<app::LiveViewController>& controller, Fetcher fetcher);

    // The controller, fetched again when the kept one is gone; empty when the
    // camera has no live view.
    std::shared_ptr<app::LiveViewController> liveViewController();

private:
    std::weak_ptr<app::LiveViewController> controller_;
    Fetcher fetcher_;
};

} // namespace Measure
