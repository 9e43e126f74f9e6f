#include "kyrgx/qt/QtGraphicsContext.h"

#include "kyrgx/Keys.h"
#include "kyrgx/qt/QtImage.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace app::QtView {

QtGraphicsContext::QtGraphicsContext(QWidget* widget) : widget_(widget) {}

QtGraphicsContext::QtGraphicsContext(QPainter* painter, void* data, int width, int height, int stride,
                                     kyrgx::PixelFormat format, bool alpha)
    : painter_(painter)
{
    beginImage(data, width, height, stride, format, alpha);
}

QtGraphicsContext::~QtGraphicsContext()
{
    endImage();
}

size_t QtGraphicsContext::slot(int key)
{
    return static_cast<size_t>(std::clamp(key, 0, kyrgx::KEY_STATE_COUNT - 1));
}

bool QtGraphicsContext::isKeyDown(int key) const
{
    return keys_[slot(key)] != 0;
}

int QtGraphicsContext::pressCount(int key) const
{
    return presses_[slot(key)];
}

void QtGraphicsContext::endFrame()
{
    presses_.fill(0);
    for (size_t k = 0; k < keys_.size(); ++k)
        if (heldKeyUps_[k])
            keys_[k] = 0;
    unseenKeyDowns_.fill(0);
    heldKeyUps_.fill(0);
    heldKeyCount_ = 0;
    mouse_.wheel = 0.0f;
    unseenPresses_ = 0;
    for (const int button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
        if (heldReleases_ & button)
            setButton(button, 1);
    heldReleases_ = 0;
}

int QtGraphicsContext::width() const
{
    if (widget_)
        return static_cast<int>(widget_->width() * widget_->devicePixelRatioF());
    return image_ ? image_->width() : 0;
}

int QtGraphicsContext::height() const
{
    if (widget_)
        return static_cast<int>(widget_->height() * widget_->devicePixelRatioF());
    return image_ ? image_->height() : 0;
}

bool QtGraphicsContext::beginImage(void* data, int width, int height, int stride, kyrgx::PixelFormat format,
                                   bool alpha)
{
    const QImage::Format qformat = PixelFormatToQImageFormat(format, alpha);
    endImage();
    data_ = data;
    stride_ = stride;
    format_ = format;
    alpha_ = alpha;
    // Rows lie `stride` bytes apart in the caller's memory, whatever Qt's own
    // line length for this width would be.
    image_ = std::make_unique<QImage>(static_cast<uchar*>(data), width, height, stride, qformat);
    if (format == kyrgx::PixelFormat::RGB64)
        swap_rgb64_red_blue(static_cast<uint8_t*>(data), width, height, stride);
    if (!painter_)
        return false;
    return painter_->begin(image_.get());
}

void QtGraphicsContext::endImage()
{
    if (!image_)
        return;
    if (painter_ && painter_->isActive())
        painter_->end();
    if (format_ == kyrgx::PixelFormat::RGB64)
        swap_rgb64_red_blue(static_cast<uint8_t*>(data_), image_->width(), image_->height(), stride_);
    image_.reset();
    data_ = nullptr;
}

void QtGraphicsContext::keyDown(int key)
{
    const size_t k = slot(key);
    keys_[k] = 1;
    unseenKeyDowns_[k] = 1;
    if (heldKeyUps_[k]) {
        heldKeyUps_[k] = 0;
        --heldKeyCount_;
    }
}

void QtGraphicsContext::keyUp(int key)
{
    const size_t k = slot(key);
    ++presses_[k];
    if (!unseenKeyDowns_[k]) {
        keys_[k] = 0;
    } else if (!heldKeyUps_[k]) {
        heldKeyUps_[k] = 1;
        ++heldKeyCount_;
    }
}

void QtGraphicsContext::setButton(int qtButton, int state)
{
    switch (qtButton) {
    case Qt::LeftButton:
        mouse_.left = state;
        break;
    case Qt::RightButton:
        mouse_.right = state;
        break;
    case Qt::MiddleButton:
        mouse_.middle = state;
        break;
    default:
        break;
    }
}

void QtGraphicsContext::queue(kyrgx::PointerEvent::Kind kind, int qtButton, float x, float y)
{
    int button = -1;
    switch (qtButton) {
    case Qt::LeftButton:
        button = 0;
        break;
    case Qt::RightButton:
        button = 1;
        break;
    case Qt::MiddleButton:
        button = 2;
        break;
    default:
        if (kind != kyrgx::PointerEvent::Kind::Move)
            return; // other buttons are not the toolkit's
        break;
    }
    if (events_.size() >= MAX_PENDING_EVENTS)
        events_.erase(events_.begin());
    events_.push_back({kind, x, y, button});
}

void QtGraphicsContext::mousePress(int qtButton, float x, float y)
{
    queue(kyrgx::PointerEvent::Kind::Press, qtButton, x, y);
    mouse_.x = x;
    mouse_.y = y;
    setButton(qtButton, 0);
    unseenPresses_ |= qtButton;
    heldReleases_ &= ~qtButton;
}

void QtGraphicsContext::mouseRelease(int qtButton, float x, float y)
{
    queue(kyrgx::PointerEvent::Kind::Release, qtButton, x, y);
    mouse_.x = x;
    mouse_.y = y;
    if (unseenPresses_ & qtButton)
        heldReleases_ |= qtButton;
    else
        setButton(qtButton, 1);
}

void QtGraphicsContext::mouseMove(float x, float y)
{
    if (x == mouse_.x && y == mouse_.y)
        return;
    queue(kyrgx::PointerEvent::Kind::Move, Qt::NoButton, x, y);
    mouse_.x = x;
    mouse_.y = y;
}

std::vector<kyrgx::PointerEvent> QtGraphicsContext::takePointerEvents()
{
    std::vector<kyrgx::PointerEvent> taken;
    taken.swap(events_);
    return taken;
}

void QtGraphicsContext::wheel(float angleDelta)
{
    mouse_.wheel = angleDelta;
}

void QtGraphicsContext::resize(int width, int height)
{
    if (resized)
        resized(width, height);
}

} // namespace app::QtView
