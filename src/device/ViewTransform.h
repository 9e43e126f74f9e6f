#pragma once

namespace app {

// How one camera's image is shown: zoom, rotation in degrees and flips. The
// camera's controller keeps it for the model and the live view.
struct ViewTransform {
    float zoom = 1.0f;
    float rotation = 0.0f;
    bool flipVertical = false;
    bool flipHorizontal = false;
};

} // namespace app
