#pragma once

#include "Handle.h"
#include "Status.h"

#include <memory>
#include <mutex>
#include <vector>

namespace vsxsim {

class Camera;
class QueueSink;
class Registration;
class Stream;

// A grabber (vsx_grabber): opens one camera exclusively and runs its stream.
//
// States: no device, open, streaming (set up), acquiring, lost. The state
// mutex is never held while the program is called or a thread is joined.
class Grabber : public Handle {
public:
    Grabber();

    Status open(const std::shared_ptr<Camera>& camera);
    Status close();
    bool is_open() const;
    bool is_valid() const;
    bool is_streaming() const;
    bool is_acquiring() const;
    std::shared_ptr<Camera> camera() const;

    Status stream_setup(QueueSink* sink, bool start_acquisition);
    Status stream_stop();
    Status acquisition(bool start);
    std::shared_ptr<Stream> stream() const;
    Status add_device_lost(std::shared_ptr<Registration> reg);

    // The camera reports its loss (any thread but never with the camera's lock).
    void device_lost(Camera* camera);
    // Whether every stream torn down so far has finished its disconnect.
    bool retired_finished() const;
    // Orderly stop at library shutdown.
    void shutdown();

protected:
    ~Grabber() override;
    void on_last_release() override;

private:
    void reap_retired();

    mutable std::mutex mutex_;
    std::shared_ptr<Camera> camera_;
    bool lost_ = false;
    bool busy_ = false; // an open or a stream set-up is in progress
    std::shared_ptr<Stream> stream_;
    std::vector<std::shared_ptr<Stream>> retired_;
    std::vector<std::shared_ptr<Registration>> lost_regs_;
};

} // namespace vsxsim
