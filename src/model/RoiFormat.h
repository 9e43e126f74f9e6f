#pragma once

#include "kyrgx/MouseState.h"
#include "kyrgx/Vec2.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kyrgx {
class Graphics;
}

namespace app {

class IMainView;
class IPropertyView;
class IPropertyViewPushParamater;
class IPropertyViewRangeParameter;
class MainModel;
class VideoDeviceController;

// One integer feature's range as the camera reports it.
struct RoiRange {
    int64_t minimum = 0;
    int64_t maximum = 0;
    int64_t increment = 1;
};

// What a region of interest must fit: the ranges of "OffsetX", "OffsetY",
// "Width" and "Height" and the size of the current video format. An increment
// of 0 or less counts as 1.
struct RoiLimits {
    RoiRange offsetX;
    RoiRange offsetY;
    RoiRange width;
    RoiRange height;
    int64_t formatWidth = 0;
    int64_t formatHeight = 0;

    // The grid of the left and top edges: the larger of the offset's and the
    // size's increments.
    int64_t stepX() const;
    int64_t stepY() const;
    // The furthest left and top edges: where the smallest rectangle still fits
    // into the image, on the edge grid, or the offset's maximum when that lies
    // further. The offsets' own maxima follow the current size and are 0 at a
    // camera's full format, where a section can still lie anywhere.
    int64_t edgeMaximumX() const;
    int64_t edgeMaximumY() const;
};

// A rectangle in image pixels: (x1, y1) is its first pixel, (x2, y2) lies just
// past its last one.
struct RoiRect {
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;

    int32_t width() const { return x2 - x1; }
    int32_t height() const { return y2 - y1; }
    bool operator==(const RoiRect& other) const
    {
        return x1 == other.x1 && y1 == other.y1 && x2 == other.x2 && y2 == other.y2;
    }
};

// Fits a dragged rectangle to the limits. (x1, y1) is the fixed corner and
// (x2, y2) the pixel under the pointer, so on each axis a second value below
// the first drags the near edge (the far edge stays, the size is fitted
// first), otherwise the far edge (the near edge is put on the edge grid
// within the edge range, the size fitted, and a far edge within one increment
// of the format's end goes to that end). Pure; all arithmetic in 64 bits.
RoiRect fit_roi(const RoiLimits& limits, RoiRect rect);

// The selected camera's limits: twelve feature reads and the video format.
// Throws vsx::VSXException when a feature is missing or cannot be read.
RoiLimits read_roi_limits(const VideoDeviceController& camera);

// The region-of-interest tool of the main controller: while it is on it takes
// the mouse of the live views, keeps one rectangle in image pixels fitted to
// the selected camera's limits at every change, draws it with eight handles
// and a hint, and mirrors it in the panel "ROI", whose rows can be edited. It
// reads camera features only and writes none.
//
// A press on a handle grabs it, a press outside the rectangle starts a new one
// (rubber band), a press inside ends the selection and switches the tool off;
// a release lets go of whatever was grabbed.
//
// GUI thread only. Mouse handling and drawing never throw: a failure is logged
// and the event goes on to the plug-ins.
class RoiFormat : public std::enable_shared_from_this<RoiFormat> {
public:
    enum Mode : int32_t {
        RubberBand = 0,
        Idle = 1,
        TopLeft = 2,
        TopRight = 3,
        BottomRight = 4,
        BottomLeft = 5,
        Left = 7,
        Right = 8,
        Top = 9,
        Bottom = 10,
    };
    using Mapping = std::function<kyrgx::Vec2<float>(kyrgx::Vec2<float>)>;

    // The mappings convert between the live view's pixels and image pixels.
    RoiFormat(std::shared_ptr<IMainView> view, std::shared_ptr<MainModel> model, Mapping viewToImage,
              Mapping imageToView);
    RoiFormat(const RoiFormat&) = delete;
    RoiFormat& operator=(const RoiFormat&) = delete;

    // Each returns true when the tool took the event: false while it is off
    // (and for presses and releases of other buttons than the left one), or
    // when handling failed.
    bool mouseDown(const kyrgx::MouseState& mouse);
    bool mouseMove(const kyrgx::MouseState& mouse);
    bool mouseUp(const kyrgx::MouseState& mouse);
    // Draws the rectangle; true when it drew (the tool is on).
    bool render(kyrgx::Graphics& g);

    // Switches the tool on: reads the selected camera's limits, opens (or
    // refreshes) the panel and starts from the smallest rectangle at the
    // offset minima. False, logged and the tool left off when that fails.
    bool switchOn();
    void switchOff();
    bool isActive() const { return active_; }

    // Opens or refreshes the panel for the selected camera; throws what the
    // camera throws (before anything changed when its limits cannot be read).
    void showPanel();
    // Follows the selected camera (another one, or a new format): the panel's
    // rows take its ranges and the rectangle is fitted to it again. Does
    // nothing while the tool is off and no panel is open. False, logged and
    // the tool switched off when the camera's limits cannot be read (or none
    // is selected).
    bool followCamera();
    // Fits the rectangle to the selected camera and shows it in the panel's
    // rows. Throws what the fit throws, with rectangle and rows unchanged.
    void setRoi(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    // fit_roi with the selected camera's limits.
    RoiRect fitToCamera(const RoiRect& rect) const;

    RoiRect rect() const { return rect_; }
    Mode mode() const { return mode_; }
    kyrgx::Vec2<int32_t> startPoint() const { return start_; }
    IPropertyView* panel() const { return panel_; }

    // Runs when the panel's "Select" ended the selection (the tool is off).
    std::function<void()> selectionEnded;

private:
    struct Rows;

    // The pointer in image pixels, truncated toward zero.
    kyrgx::Vec2<int32_t> imagePoint(const kyrgx::MouseState& mouse) const;
    // The handle under an image point, or RubberBand.
    Mode handleAt(kyrgx::Vec2<float> point) const;
    // Fits the rectangle for the grabbed mode and the pointer.
    void follow(kyrgx::Vec2<int32_t> pointer);
    void makeRows(IPropertyView& panel);
    // Gives the rows the limits' ranges and the rectangle's values.
    void setupRows(const RoiLimits& limits, const RoiRect& rect);
    void onRowEdited(int row, int64_t value);
    void startRectangle(const RoiLimits& limits);

    bool active_ = false;
    kyrgx::Vec2<int32_t> start_{0, 0};
    RoiRect rect_;
    Mode mode_ = RubberBand;
    IPropertyView* panel_ = nullptr;
    std::shared_ptr<Rows> rows_;
    bool updating_ = false;
    std::shared_ptr<IMainView> view_;
    std::shared_ptr<MainModel> model_;
    Mapping viewToImage_;
    Mapping imageToView_;
};

} // namespace app
