// clear_buffer.cpp -- clearing the chosen buffers, and the block's keyword.
#include "effects/clear_buffer.h"

#include <stdexcept>
#include <string_view>

#include "effects/effect_loaders.h"

namespace qv3rn {

namespace {

// The words of a Clear line, in the order it is searched, with the effect's bit and OpenGL's.
struct BufferWord {
    std::string_view word;
    std::uint32_t bit;
    GLbitfield glBit;
};
constexpr BufferWord bufferWords[] = {
    {"COLOR", ClearBuffer::Color, GL_COLOR_BUFFER_BIT},
    {"DEPTH", ClearBuffer::Depth, GL_DEPTH_BUFFER_BIT},
    {"STENCIL", ClearBuffer::Stencil, GL_STENCIL_BUFFER_BIT},
    {"ACCUM", ClearBuffer::Accum, GL_ACCUM_BUFFER_BIT},
};

}  // namespace

GLbitfield ClearBuffer::clearMask() const {
    GLbitfield mask = 0;
    for (const BufferWord& entry : bufferWords)
        if (buffers & entry.bit) mask |= entry.glBit;
    return mask;
}

void ClearBuffer::render() {
    const GLbitfield mask = clearMask();
    if (mask != 0) glClear(mask);
}

ClearBufferLoader::ClearBufferLoader()
    : EffectLoaderOf("ClearBuffer",
                     effectGrammar<ClearBuffer>({
                         {"Clear ",
                          [](ClearBuffer& effect, BlockLine& l) {
                              std::uint32_t buffers = 0;
                              for (const BufferWord& entry : bufferWords)
                                  if (matches(l.text, entry.word)) buffers |= entry.bit;
                              if (buffers == 0) throw std::runtime_error("ClearBuffer unknown buffer(s): " + l.text);
                              effect.buffers = buffers;
                          }},
                     }),
                     UnknownLine::raiseWithLine("ClearBuffer unknown token: ")) {}

std::unique_ptr<EffectLoader> makeClearBufferLoader() { return std::make_unique<ClearBufferLoader>(); }

}  // namespace qv3rn
