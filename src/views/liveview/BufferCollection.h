#pragma once

#include "kyrgx/IImageBuffer.h"
#include "kyrgx/PixelFormat.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace app {

// A queue of image buffers under its own mutex, held for each whole
// operation. It keeps its slots in a ring sized once, so moving buffers
// through it never allocates.
class BufferRing {
public:
    explicit BufferRing(size_t capacity = 8);

    // Appends at the back (the ring grows only past its capacity).
    void push(std::shared_ptr<kyrgx::IImageBuffer> buffer);
    // Takes the front buffer; false when empty.
    bool tryPop(std::shared_ptr<kyrgx::IImageBuffer>& out);
    void clear();
    // Moves every buffer, front first, to the back of the other ring. Holds this
    // ring's mutex throughout and the other's for each buffer: the lock order
    // is this ring, then the other.
    void moveAllTo(BufferRing& other);
    size_t size() const;

private:
    void pushLocked(std::shared_ptr<kyrgx::IImageBuffer> buffer);

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<kyrgx::IImageBuffer>> slots_;
    size_t head_ = 0;
    size_t count_ = 0;
};

// Hands frames from a camera's frame thread to the GUI thread through three
// display buffers of one size and format: the frame thread writes each
// accepted frame into a free buffer and publishes the one written before as
// ready; the paint takes the ready one, uploads it and gives it back. Neither
// side waits for the other's work, and nothing is allocated per frame.
//
// The buffers are mapped OpenGL pixel buffers from the factory (the
// application context's by default), or heap Pixmaps when the factory fails.
// They stay locked while free, current or ready; the paint unlocks one only
// around its upload.
//
// Threads: fill on the frame thread; everything else on the GUI thread, which
// never releases or initialises the pool while a fill can run. initialize,
// release and destruction need the OpenGL context current when the buffers
// are pixel buffers.
class BufferCollection {
public:
    using Factory = std::function<std::shared_ptr<kyrgx::IImageBuffer>(int width, int height, int stride,
                                                                       kyrgx::PixelFormat)>;

    static constexpr int BUFFER_COUNT = 3;

    // An empty factory means the application context's pixel buffers.
    explicit BufferCollection(Factory factory = {});
    ~BufferCollection();
    BufferCollection(const BufferCollection&) = delete;
    BufferCollection& operator=(const BufferCollection&) = delete;

    // Three locked buffers of the factory; when it or a lock throws, logs
    // "BufferCollection::initialize: <what>" and adds three Pixmaps (keeping
    // the buffers made before). An initialised pool is released first.
    void initialize(int width, int height, int stride, kyrgx::PixelFormat format);
    static std::shared_ptr<kyrgx::IImageBuffer> makePixmap(int width, int height, int stride,
                                                           kyrgx::PixelFormat format);

    // Frame thread: takes a free buffer as the current one, publishes the
    // previous current one as the only ready buffer (an older unconsumed one
    // goes back to the free ring) and lets the writer fill the new one. False,
    // without calling the writer, when no buffer is free.
    template <typename Writer> bool fill(Writer&& writer)
    {
        std::shared_ptr<kyrgx::IImageBuffer> buffer;
        if (!freeRing_ || !freeRing_->tryPop(buffer))
            return false;
        std::shared_ptr<kyrgx::IImageBuffer> previous = std::move(current_);
        current_ = buffer;
        if (previous) {
            ready_.moveAllTo(*freeRing_);
            ready_.push(std::move(previous));
        }
        writer(buffer);
        return true;
    }

    // GUI thread: the newest complete frame, if one waits.
    bool takeReady(std::shared_ptr<kyrgx::IImageBuffer>& out) { return ready_.tryPop(out); }
    // GUI thread: gives a taken buffer back.
    void recycle(std::shared_ptr<kyrgx::IImageBuffer> buffer);
    // GUI thread: drops every buffer the pool holds; harmless when released or
    // never initialised.
    void release();

    bool initialized() const { return freeRing_ != nullptr; }
    size_t freeCount() const { return freeRing_ ? freeRing_->size() : 0; }
    size_t readyCount() const { return ready_.size(); }

private:
    Factory factory_;
    std::unique_ptr<BufferRing> freeRing_;
    std::shared_ptr<kyrgx::IImageBuffer> current_;
    BufferRing ready_;
};

} // namespace app
