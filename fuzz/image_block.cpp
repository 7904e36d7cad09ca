// Fuzz target: the "Image {" block reader (with its State, Apply and Envmap sub-blocks) on arbitrary text,
// parsing only: no OpenGL context, images that load come from the decoders alone. What it read is written back
// and read again, which must not fail either.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "core/message_hook.h"
#include "data/script_parser.h"
#include "shader/image_block.h"
#include "shader/image_registry.h"
#include "shader/texture.h"

namespace {

// A folder with one small image, "a.tga", so that "Name" lines can load something.
std::string imageFolder() {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "qv3rn-fuzz-images";
    std::filesystem::create_directories(folder);
    const unsigned char tga[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0, 1, 2, 3, 4, 5, 6};
    std::ofstream(folder / "a.tga", std::ios::binary).write(reinterpret_cast<const char*>(tga), sizeof tga);
    return folder.string() + "/";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = (qv3rn::setMessageHook([](const std::string&, const std::string&) {}), true);
    (void)quiet;
    static const std::string folder = imageFolder();
    qv3rn::ImageRegistry registry;
    registry.registerDefaults();
    registry.addSearchPath(folder);
    std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
    qv3rn::ScriptParser parser;
    try {
        qv3rn::readImageBlock(parser, stream, registry);
    } catch (const std::runtime_error&) {
        return 0;
    }
    for (const qv3rn::Texture* image : registry.images()) {
        std::ostringstream text;
        image->write(text);
        std::istringstream again(text.str().substr(text.str().find('\n') + 1));
        qv3rn::ScriptParser second;
        try {
            qv3rn::readImageBlock(second, again, registry);
        } catch (const std::runtime_error&) {
        }
    }
    return 0;
}
