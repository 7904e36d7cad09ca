// video_writer.h -- the Stream effect's clip: generated RGB frames encoded as MJPEG in an AVI file with FFmpeg.
#pragma once

#include <string>

#include "generators/picture.h"

namespace qv3rn {

// Frame `index` (0 .. count-1) of the generated clip: glowing rings over drifting noise, `size` x `size` RGB.
Picture makeVideoFrame(int index, int count, int size);

// Writes `frameCount` frames of makeVideoFrame at `framesPerSecond` to `path` (MJPEG in AVI).
bool writeVideo(const std::string& path, int size, int frameCount, int framesPerSecond, std::string& error);

}  // namespace qv3rn
