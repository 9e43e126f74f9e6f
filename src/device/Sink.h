#pragma once

#include "device/ImageBuffer.h"
#include "device/VsxError.h"

#include <cstdint>
#include <memory>
#include <vector>

struct vsx_sink;

namespace vsx {

// A sink a stream delivers frames into. Holds one reference to its handle.
class Sink {
public:
    explicit Sink(vsx_sink* handle);  // takes a reference of its own
    virtual ~Sink();
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;

    vsx_sink* handle() const { return handle_; }
    virtual int sinkType() const = 0;

protected:
    vsx_sink* handle_;
};

class QueueSink;

// Told by a queue sink about its stream; the calls arrive on the stream's frame
// thread, one at a time.
class QueueSinkListener {
public:
    virtual ~QueueSinkListener() = default;
    // Accepts the connection (true) after allocating buffers for the type.
    virtual bool sinkConnected(QueueSink& sink, const ImageType& type, size_t minBuffers) = 0;
    virtual void sinkDisconnected(QueueSink& sink) = 0;
    virtual void framesQueued(QueueSink& sink) = 0;
};

// How a queue sink is made.
struct QueueSinkConfig {
    size_t maxOutputBuffers = 0;          // 0: the library chooses
    std::shared_ptr<void> allocator;      // empty: the library allocates
    std::vector<uint32_t> pixelFormats;   // accepted sink formats, in order of preference
};

// The sink the program uses: the library fills buffers and queues them; the
// listener takes them off one at a time.
class QueueSink : public Sink {
public:
    static constexpr int kType = 4;
    using Sink::Sink;
    int sinkType() const override { return kType; }

    // Creates a queue sink that calls the listener. keepAlive (may be empty)
    // keeps the listener alive while the library holds the sink. Empty on failure.
    static std::shared_ptr<QueueSink> create(std::shared_ptr<QueueSinkListener> keepAlive,
                                             QueueSinkListener* listener, const QueueSinkConfig& config,
                                             Error& err = Error::defaultRecord());

    bool allocAndQueueBuffers(size_t count, Error& err = Error::defaultRecord()) const;
    // The oldest filled buffer, or empty when none is queued.
    std::shared_ptr<ImageBuffer> popOutputBuffer(Error& err = Error::defaultRecord()) const;
};

class SnapSink : public Sink {
public:
    static constexpr int kType = 5;
    using Sink::Sink;
    int sinkType() const override { return kType; }
};

}  // namespace vsx
