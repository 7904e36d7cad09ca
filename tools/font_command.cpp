// font_command.cpp -- "qv3rn-tool font" and "qv3rn-tool textfade": the bitmap font and the blurred/sharp text picture.
#include <cstdio>

#include "generators/font_atlas.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

int report(const char* command, bool ok, const std::string& error, const std::string& path) {
    if (!ok) {
        std::fprintf(stderr, "qv3rn-tool %s: %s\n", command, error.c_str());
        return 1;
    }
    std::printf("%s written\n", path.c_str());
    return 0;
}

int runFont(const std::vector<std::string>& args) {
    if (args.size() != 2) return usageError("font", "expected a TrueType file and the atlas to write");
    Picture atlas;
    std::string error;
    const bool ok = makeFontAtlas(args[0], atlas, error) && writePicture(atlas, args[1], error);
    return report("font", ok, error, args[1]);
}

int runTextFade(const std::vector<std::string>& args) {
    if (args.size() != 3) return usageError("textfade", "expected a TrueType file, the text and the picture to write");
    Picture picture;
    std::string error;
    const bool ok = makeTextFadePicture(args[0], args[1], picture, error) && writePicture(picture, args[2], error);
    return report("textfade", ok, error, args[2]);
}

const ToolCommand font{"font", "font <font.ttf> <atlas.png|tga>", runFont};
const ToolCommand textFade{"textfade", "textfade <font.ttf> <text> <picture.png|tga>", runTextFade};

}  // namespace
}  // namespace qv3rn::tool
