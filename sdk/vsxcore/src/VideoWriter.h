#pragma once

#include "Handle.h"
#include "Status.h"
#include "vsxcore.h"

#include <memory>
#include <mutex>
#include <string>

namespace vsxsim {

class ImageBuffer;
class PropertyMap;
class WriterSettings;

namespace media {
class VideoEncoder;
}

// A video writer (vsx_videowriter): its property map and one encoder; the last
// reference finishes an open file.
class VideoWriter : public Handle {
public:
    explicit VideoWriter(int codec);

    PropertyMap* map() const { return map_; }
    Status begin(const std::string& utf8_path, const vsx_image_type& type, double fps);
    Status add(ImageBuffer& frame);
    Status finish();

protected:
    ~VideoWriter() override;

private:
    int codec_;
    std::mutex mutex_;
    std::shared_ptr<WriterSettings> settings_;
    PropertyMap* map_ = nullptr;
    std::unique_ptr<media::VideoEncoder> encoder_;
    bool open_ = false;
    vsx_image_type type_{0, 0, 0};
};

} // namespace vsxsim
