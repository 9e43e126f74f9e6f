// A recording process for a test to kill: records stamped frames into the file
// named by its first argument with the codec of its second (0 H.264, 1 H.265),
// paced like a camera, and reports each frame handed to the encoder on its
// standard output ("added N"). It never finishes the file.
#include "StampedFrames.h"

#include "media/PixelFormats.h"
#include "media/VideoEncoder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

using namespace vsxsim::media;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FILE CODEC\n", argv[0]);
        return 2;
    }
    av_log_set_level(AV_LOG_ERROR);
    VideoSettings settings;
    settings.codec = std::atoi(argv[2]);
    settings.keyframe_interval = 10;
    const test::Stamp& stamp = test::kRecorderStamp;
    VideoEncoder encoder;
    Status status = encoder.begin(argv[1], pixfmt::BGRa8, stamp.width, stamp.height, 30.0, settings);
    for (uint32_t i = 0; status.ok() && i < stamp.cells(); ++i) {
        status = encoder.add(test::stamped_frame(pixfmt::BGRa8, stamp, i).view());
        if (!status.ok())
            break;
        std::printf("added %u\n", i + 1);
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!status.ok()) {
        std::fprintf(stderr, "%s\n", status.message.c_str());
        return 1;
    }
    for (;;)
        ::pause();
}
