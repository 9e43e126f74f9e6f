#pragma once

#include "media/MediaTypes.h"

namespace vsxsim::media {

Status save_bmp(const ImageView& image, const std::string& utf8_path, uint32_t flags);
Status save_png(const ImageView& image, const std::string& utf8_path, int32_t compression);
Status save_jpeg(const ImageView& image, const std::string& utf8_path, int32_t quality);
Status save_tiff(const ImageView& image, const std::string& utf8_path, uint32_t compression);

} // namespace vsxsim::media
