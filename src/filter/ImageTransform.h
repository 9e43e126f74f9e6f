#pragma once

#include "filter/Image.h"
#include "kyrgx/IImageBuffer.h"
#include "kyrgx/ImageDescriptor.h"

#include <cstdint>
#include <memory>

// The orientation transform: any display pixel format into an RGB32 image
// turned by 0, 90, 180 or 270 degrees clockwise and optionally mirrored, as
// the live view shows it. Saved images, the images the measurement tools
// analyse and recorded frames go through it.
namespace ImageUtil {

// Describes a buffer as a frame view (top-down): locks it for the data
// pointer, then takes width, height, stride as the pitch, and format.
kyr_kelvane::image_descriptor image_view_of(kyrgx::IImageBuffer& buffer);

// Turns the source into the target image and returns the same image.
//
// The source is first mirrored (the vertical flip reverses its rows, the
// horizontal flip the pixels of each row), then turned clockwise by rotation
// degrees; any rotation but exactly 90, 180 or 270 means none. The output is
// W x H, or H x W for 90 and 270, always RGB32 and always opaque: blue, green,
// red, 255 (grey formats and mosaics as grey, 16-bit samples by their high
// byte; YUV422 red first).
//
// The target is reused when it holds an RGB32 image of the output size (every
// pixel is overwritten, the bytes past each row's pixels are left alone);
// otherwise it is replaced by a new image. A source format outside 1 to 14
// empties the target and returns an empty pointer. A bottom-up source is read
// from its last stored row upward.
std::shared_ptr<Image> transformImage(const kyr_kelvane::image_descriptor& source, int32_t rotation,
                                      bool flipVertical, bool flipHorizontal, std::shared_ptr<Image>& target);

// As transformImage with red and blue exchanged in the output (red first for
// the RGB formats, blue first for YUV422).
std::shared_ptr<Image> transformImageSwapRB(const kyr_kelvane::image_descriptor& source, int32_t rotation,
                                            bool flipVertical, bool flipHorizontal,
                                            std::shared_ptr<Image>& target);

// One luma, U, V triple into red, green, blue and 255 in out[0..3].
void yuv_to_rgb(uint8_t luma, uint8_t u, uint8_t v, uint8_t* out);

} // namespace ImageUtil
