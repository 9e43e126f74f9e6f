#include "measure/TransformHelper.h"

#include <stdexcept>

namespace Measure {

TransformHelper::TransformHelper(const std::shared_ptr<app::LiveViewController>& controller, Fetcher fetcher)
    : controller_(controller), fetcher_(std::move(fetcher))
{
    if (!controller)
        throw std::runtime_error("TransformHelper: Needs LiveViewController...");
}

std::shared_ptr<app::LiveViewController> TransformHelper::liveViewController()
{
    auto controller = controller_.lock();
    if (!controller && fetcher_) {
        fetcher_(controller);
        controller_ = controller;
    }
    return controller;
}

} // namespace Measure
