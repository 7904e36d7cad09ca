// image_block.cpp -- the image block's keyword table, image and cube-map loading, and the image text.
#include "shader/image_block.h"

#include <memory>
#include <span>
#include <stdexcept>
#include <string>

#include "shader/cube_map_texture.h"
#include "shader/image_registry.h"
#include "shader/texture_names.h"
#include "shader/texture_state_block.h"

namespace qv3rn {

namespace {

// What the block has read so far.
struct ImageBlock {
    ImageBlock(ImageRegistry& registry, ScriptParser& parser, std::istream& stream)
        : registry(registry), parser(parser), stream(stream) {}
    ImageRegistry& registry;
    ScriptParser& parser;
    std::istream& stream;
    ImageFormat format = ImageFormat::Rgb;
    GLenum target = GL_TEXTURE_2D;
    Handle<Texture> current;  // the block's hold on its image, given back at "}"
    bool typeUnknown = false;
    bool ended = false;
};

Handle<Texture> loadCubeMap(ImageBlock& block, const std::string& name) {
    auto cube = std::make_unique<CubeMapTexture>();
    cube->setName(name);
    for (int face = 0; face < 6; ++face) {
        const std::string faceName = cubeMapFaceName(name, face);
        Handle<Texture> image = block.registry.load(faceName, block.format, GL_TEXTURE_2D);
        auto* image2D = dynamic_cast<Texture2D*>(image.get());
        if (!image2D) throw std::runtime_error("unable to load cubemap image: " + faceName);
        // The lookup's reference stays on the face for as long as the cube map may point at it.
        cube->setFace(face, static_cast<Texture2D*>(image.detach()));
    }
    Texture* added = cube.get();
    if (!block.registry.add(added)) return block.registry.find(name);  // the one listed under this name already
    cube.release();
    return Handle<Texture>(added);
}

using LineReader = void (*)(ImageBlock& block, const std::string& line);

struct ImageKeyword {
    const char* keyword;
    LineReader read;
};

const ImageKeyword imageKeywords[] = {
    {"Type ", [](ImageBlock& b, const std::string& line) {
         if (auto type = firstContained(lastWord(line), imageTypeNames))
             b.target = static_cast<GLenum>(*type);
         else
             b.typeUnknown = true;
     }},
    {"Format ", [](ImageBlock& b, const std::string& line) {
         if (auto format = firstContained(lastWord(line), imageFormatNames)) b.format = static_cast<ImageFormat>(*format);
     }},
    {"Name ", [](ImageBlock& b, const std::string& line) {
         const std::string name = quotedText(line);
         if (b.target == GL_TEXTURE_CUBE_MAP_ARB) {
             b.current = loadCubeMap(b, name);
             return;
         }
         b.current = b.registry.load(name, b.format, b.target);
         if (!b.current) throw std::runtime_error("PARSE ERROR! Image not loaded " + name);
     }},
    {"Alias ", [](ImageBlock& b, const std::string& line) {
         if (b.current) b.current->setAlias(quotedText(line));
     }},
    {"State {", [](ImageBlock& b, const std::string&) {
         TextureParams params;
         readTextureState(b.parser, b.stream, params);
         if (b.current) b.current->setParams(params);
     }},
    {"}", [](ImageBlock& b, const std::string&) {
         b.current.reset();
         b.ended = true;
     }},
    {"Info ", [](ImageBlock&, const std::string&) {}},
};

void writeQuoted(std::ostream& out, const char* keyword, const std::string& value) {
    out << '\t' << keyword << "\t\"" << value << "\"\n";
}

}  // namespace

bool readImageBlock(ScriptParser& parser, std::istream& stream, ImageRegistry& registry) {
    ImageBlock block(registry, parser, stream);
    while (!block.ended) {
        const std::string line = parser.readLine(stream);
        if (line.empty()) {
            if (!stream.good()) return true;  // the end of the stream ends the block
            continue;
        }
        const ImageKeyword* found = nullptr;
        for (const ImageKeyword& keyword : imageKeywords)
            if (matches(line, keyword.keyword)) {
                found = &keyword;
                break;
            }
        if (!found) throw std::runtime_error("PARSE ERROR! Unknown Image Token");
        found->read(block, line);
        if (block.typeUnknown) return false;
    }
    return true;
}

bool writeImageBlock(std::ostream& out, const Texture& texture, GLenum typeCode) {
    out << "Image {\n";
    out << "\tType\t" << nameOfValue(typeCode, imageTypeWriteNames) << '\n';
    out << "\tFormat\t" << formatName(texture.format()) << '\n';
    writeQuoted(out, "Name", texture.name());
    writeQuoted(out, "Alias", texture.alias());
    writeTextureState(out, texture.params());
    out << "}\n";
    return out.good();
}

}  // namespace qv3rn
