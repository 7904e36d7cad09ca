// image_block.cpp -- the image block's keyword table, image and cube-map loading, and the image text.
#include "shader/image_block.h"

#include <memory>
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
    explicit ImageBlock(ImageRegistry& registry) : registry(registry) {}
    ImageRegistry& registry;
    ImageFormat format = ImageFormat::Rgb;
    GLenum target = GL_TEXTURE_2D;
    Handle<Texture> current;  // the block's hold on its image, given back with the block
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

void readType(ImageBlock& b, BlockLine& line) {
    if (auto type = firstContained(lastWord(line.text), imageTypeNames))
        b.target = static_cast<GLenum>(*type);
    else
        line.failBlock();  // an unknown type ends the block at once, failed
}

void readName(ImageBlock& b, BlockLine& line) {
    const std::string name = quotedText(line.text);
    if (b.target == GL_TEXTURE_CUBE_MAP_ARB) {
        b.current = loadCubeMap(b, name);
        return;
    }
    b.current = b.registry.load(name, b.format, b.target);
    if (!b.current) throw std::runtime_error("PARSE ERROR! Image not loaded " + name);
}

// "}" comes before "Info ": a line with both closes the block.
const KeywordTable<ImageBlock> imageRows = {
    {"Type ", readType},
    {"Format ",
     [](ImageBlock& b, BlockLine& l) {
         if (auto format = firstContained(lastWord(l.text), imageFormatNames)) b.format = static_cast<ImageFormat>(*format);
     }},
    {"Name ", readName},
    {"Alias ",
     [](ImageBlock& b, BlockLine& l) {
         if (b.current) b.current->setAlias(quotedText(l.text));
     }},
    {"State {",
     [](ImageBlock& b, BlockLine& l) {
         TextureParams params;
         readTextureState(l.parser, l.stream, params);
         if (b.current) b.current->setParams(params);
     }},
    closing<ImageBlock>(),
    ignored<ImageBlock>("Info "),
};

void writeQuoted(std::ostream& out, const char* keyword, const std::string& value) {
    out << '\t' << keyword << "\t\"" << value << "\"\n";
}

}  // namespace

bool readImageBlock(ScriptParser& parser, std::istream& stream, ImageRegistry& registry) {
    ImageBlock block(registry);
    return !readKeywordBlock(parser, stream, block, imageRows, UnknownLine::raise("PARSE ERROR! Unknown Image Token"))
                .failed();
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
