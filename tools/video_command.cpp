// video_command.cpp -- "qv3rn-tool video": writes the generated clip for the Stream effect (MJPEG in AVI).
#include <cstdio>

#include "generators/video_writer.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

int runVideo(const std::vector<std::string>& args) {
    if (args.size() != 1) return usageError("video", "expected the AVI file to write");
    std::string error;
    if (!writeVideo(args[0], 256, 96, 24, error)) {
        std::fprintf(stderr, "qv3rn-tool video: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s written\n", args[0].c_str());
    return 0;
}

const ToolCommand video{"video", "video <clip.avi>", runVideo};

}  // namespace
}  // namespace qv3rn::tool
