// image_command.cpp -- "qv3rn-tool image": decodes images the way the engine loads them and reports what the
// engine would get (format, sizes, texture target, a checksum of the pixels), optionally uploaded to a headless
// OpenGL context and read back.
#include <zlib.h>  // Required for: crc32

#include <cstdio>
#include <memory>
#include <string>

#include "gl/extensions.h"
#include "platform/headless_context.h"
#include "shader/image_registry.h"
#include "shader/texture_1d.h"
#include "shader/texture_2d.h"
#include "shader/texture_names.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

struct ImageArguments {
    ImageFormat format = ImageFormat::Rgb;  // as an image block without a Format line
    GLenum target = GL_TEXTURE_2D;
    bool upload = false;
    std::vector<std::string> files;
};

bool parseArguments(const std::vector<std::string>& args, ImageArguments& parsed, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--format" || arg == "--type") {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            const std::string& value = args[++i];
            // The names are matched whole here: a tool should refuse a misspelt name, not guess.
            const TextureNameTable table = arg == "--format" ? imageFormatNames : imageTypeNames;
            bool known = false;
            for (const TextureName& entry : table)
                if (value == entry.name) {
                    known = true;
                    if (arg == "--format")
                        parsed.format = static_cast<ImageFormat>(entry.value);
                    else
                        parsed.target = static_cast<GLenum>(entry.value);
                }
            if (!known || parsed.target == GL_TEXTURE_CUBE_MAP_ARB) {
                error = "unknown " + arg.substr(2) + " \"" + value + "\"";
                return false;
            }
        } else if (arg == "--upload") {
            parsed.upload = true;
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else {
            parsed.files.push_back(arg);
        }
    }
    if (parsed.files.empty()) error = "no image files given";
    return !parsed.files.empty();
}

const PixelStore* storeOf(const Texture& texture) {
    if (auto* image = dynamic_cast<const Texture2D*>(&texture)) return &image->pixels();
    if (auto* line = dynamic_cast<const Texture1D*>(&texture)) return &line->pixels();
    return nullptr;
}

// Binds the texture (which uploads it) and prints what the driver holds.
bool reportUpload(Texture& texture) {
    if (!texture.bind(GL_TEXTURE0)) return false;
    const GLenum levelTarget = texture.target();
    GLint width = 0, height = 0, internal = 0, levels = 0, minFilter = 0, wrapS = 0, wrapT = 0;
    glGetTexLevelParameteriv(levelTarget, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(levelTarget, 0, GL_TEXTURE_HEIGHT, &height);
    glGetTexLevelParameteriv(levelTarget, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
    if (levelTarget == GL_TEXTURE_RECTANGLE_ARB) {
        levels = width > 0 ? 1 : 0;  // rectangle textures have no mipmap levels to ask about
    } else {
        for (GLint w = width; w > 0 && levels < 32; ++levels) {
            w = 0;
            glGetTexLevelParameteriv(levelTarget, levels + 1, GL_TEXTURE_WIDTH, &w);
        }
    }
    glGetTexParameteriv(levelTarget, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(levelTarget, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(levelTarget, GL_TEXTURE_WRAP_T, &wrapT);
    texture.unbind(GL_TEXTURE0);
    const GLenum glError = glGetError();
    std::printf("  uploaded: %d x %d, internal format 0x%04X, %d level%s, min filter 0x%04X, wrap 0x%04X 0x%04X%s\n",
                width, height, static_cast<unsigned>(internal), levels, levels == 1 ? "" : "s",
                static_cast<unsigned>(minFilter), static_cast<unsigned>(wrapS), static_cast<unsigned>(wrapT),
                glError == GL_NO_ERROR ? "" : ", OpenGL error");
    return glError == GL_NO_ERROR && width > 0;
}

int runImage(const std::vector<std::string>& args) {
    ImageArguments arguments;
    std::string error;
    if (!parseArguments(args, arguments, error)) return usageError("image", error);

    std::unique_ptr<platform::HeadlessContext> context;
    if (arguments.upload) {
        context = platform::HeadlessContext::create(64, 64, {}, &error);
        if (!context) {
            std::fprintf(stderr, "qv3rn-tool image: no OpenGL context for --upload: %s\n", error.c_str());
            return 1;
        }
        reportExtensions(*context);
    }

    ImageRegistry registry;  // the engine's decoders and rules, nothing else: files are named as given
    registry.registerDefaults();
    int failures = 0;
    for (const std::string& file : arguments.files) {
        Handle<Texture> image = registry.load(file, arguments.format, arguments.target);
        if (!image) {
            std::fprintf(stderr, "qv3rn-tool image: %s\n", registry.lastError().c_str());
            ++failures;
            continue;
        }
        image->setAlias(file + " #" + std::to_string(registry.images().size()));  // keep each load separate
        const PixelStore* pixels = storeOf(*image);
        const uLong checksum = pixels ? crc32(0, pixels->data(), static_cast<uInt>(pixels->size())) : 0;
        std::printf("%s: %s %d x %d %s crc32 %08lx\n", file.c_str(), std::string(formatName(image->format())).c_str(),
                    pixels ? pixels->width() : 0, pixels ? pixels->height() : 0,
                    nameOfValue(image->target(), imageTypeWriteNames), checksum);
        if (context && !reportUpload(*image)) {
            std::fprintf(stderr, "qv3rn-tool image: %s: the upload failed\n", file.c_str());
            ++failures;
        }
    }
    registry.clear();  // while the context is still current
    return failures ? 1 : 0;
}

const ToolCommand image{"image", "image [--format RGB|RGBA|...] [--type 2D|RECT_2D|1D] [--upload] <file>...", runImage};

}  // namespace
}  // namespace qv3rn::tool
