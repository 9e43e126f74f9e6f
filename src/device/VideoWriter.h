#pragma once

#include "device/ImageBuffer.h"
#include "device/PropertyMap.h"
#include "device/VsxError.h"

#include <string>

struct vsx_videowriter;

namespace vsx {

// The camera library's video writer: it encodes H.264 or H.265 and writes the
// file. Holds one reference to its handle.
class VideoWriter {
public:
    enum Type : int { H264 = 0, H265 = 1 };

    // Creates a writer; without one (handle null) the record holds the failure.
    explicit VideoWriter(int type, Error& err = Error::defaultRecord());
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    vsx_videowriter* handle() const { return handle_; }

    // "UseHardwareAcceleration", "BitRateAuto", "BitRate" ...
    PropertyMap propertyMap(Error& err = Error::defaultRecord()) const;
    // Begins a file whose frames are all of the type, at the frame rate.
    bool beginFile(const std::wstring& path, const ImageType& type, double framerate,
                   Error& err = Error::defaultRecord()) const;
    // Encodes a frame; its pixels are not used after the call returns.
    bool addFrame(const ImageBuffer& frame, Error& err = Error::defaultRecord()) const;
    bool finishFile(Error& err = Error::defaultRecord()) const;

private:
    vsx_videowriter* handle_ = nullptr;
};

} // namespace vsx
