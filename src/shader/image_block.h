// image_block.h -- the "Image {" block of the shader script: loads an image (or the six faces of a cube map)
// through the image registry and gives it its alias and texture parameters.
#pragma once

#include <GL/gl.h>

#include <istream>
#include <ostream>

#include "data/keyword_table.h"

namespace qv3rn {

class ImageRegistry;
class Texture;

// Reads the lines after "Image {" up to and including its "}" (or to the end of the stream). Keywords, in test
// order: "Type " (1D, RECT_2D, 2D, CUBEMAP; none of them ends the block at once with false), "Format " (default
// RGB), "Name " (loads the quoted image with the current type and format), "Alias ", "State {", "}", "Info ".
// Errors are std::runtime_error with the format's messages: "PARSE ERROR! Unknown Image Token",
// "PARSE ERROR! Image not loaded " + name, "unable to load cubemap image: " + face file name.
bool readImageBlock(ScriptParser& parser, std::istream& stream, ImageRegistry& registry);

// The "Image {" text of `texture` with `typeCode` on its Type line (the target, or a depth texture's format).
bool writeImageBlock(std::ostream& out, const Texture& texture, GLenum typeCode);

}  // namespace qv3rn
