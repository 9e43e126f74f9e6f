#include "device/VideoWriter.h"

#include <vsxcore.h>

namespace vsx {

VideoWriter::VideoWriter(int type, Error& err)
{
    if (!err.check(vsx_videowriter_create(type, &handle_)))
        handle_ = nullptr;
}

VideoWriter::~VideoWriter()
{
    vsx_videowriter_unref(handle_);
}

PropertyMap VideoWriter::propertyMap(Error& err) const
{
    vsx_propmap* map = nullptr;
    if (!err.check(vsx_videowriter_get_property_map(handle_, &map)))
        return PropertyMap();
    return PropertyMap::adopt(map);
}

bool VideoWriter::beginFile(const std::wstring& path, const ImageType& type, double framerate,
                            Error& err) const
{
    const vsx_image_type sdkType{type.pixelFormat, type.width, type.height};
    return err.check(vsx_videowriter_begin_fileW(handle_, path.c_str(), &sdkType, framerate));
}

bool VideoWriter::addFrame(const ImageBuffer& frame, Error& err) const
{
    return err.check(vsx_videowriter_add_frame(handle_, frame.handle()));
}

bool VideoWriter::finishFile(Error& err) const
{
    return err.check(vsx_videowriter_finish_file(handle_));
}

} // namespace vsx
