// Saving: the configuration file and captured sequence frames. Neither is
// written yet: the configuration file and the image writer come with image
// saving, and until then no sequence captures.

#include "model/MainModel.h"

namespace app {

void MainModel::save_application_settings() {}

void MainModel::save_sequence_frame(const std::shared_ptr<VideoDeviceController>&, ImageSequence&,
                                    const kyr_kelvane::image_descriptor&, const std::filesystem::path&)
{
}

} // namespace app
