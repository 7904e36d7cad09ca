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

std::unique_ptr<Effect> ClearBufferLoader::createEffect() { return std::make_unique<ClearBuffer>(); }

std::unique_ptr<EffectLoader> makeClearBufferLoader() { return std::make_unique<ClearBufferLoader>(); }

bool ClearBufferLoader::onToken(std::string& line, std::istream& stream, Effect& base) {
    if (EffectLoader::onToken(line, stream, base)) return true;
    if (!matches(line, "Clear ")) throw std::runtime_error("ClearBuffer unknown token: " + line);
    std::uint32_t buffers = 0;
    for (const BufferWord& entry : bufferWords)
        if (matches(line, entry.word)) buffers |= entry.bit;
    if (buffers == 0) throw std::runtime_error("ClearBuffer unknown buffer(s): " + line);
    static_cast<ClearBuffer&>(base).buffers = buffers;
    return true;
}

}  // namespace qv3rn
