// Fuzz target: channel and track keyframer blocks through load, evaluation, the getters and save.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "anim/keyframer.h"
#include "anim/keyframer_lw.h"
#include "data/memory_stream.h"
#include "data/script_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the kind; the rest is the block body after its opening line.
    const bool channels = data[0] & 1;
    std::unique_ptr<qv3rn::KeyframerBase> keyframer;
    if (channels)
        keyframer = std::make_unique<qv3rn::KeyframerLW>();
    else
        keyframer = std::make_unique<qv3rn::Keyframer>();
    qv3rn::MemoryStream stream(data + 1, size - 1);
    qv3rn::ScriptParser parser;
    bool loaded = false;
    try {
        loaded = keyframer->load(parser, stream);
    } catch (const std::runtime_error&) {
    }

    volatile float sink = 0.0f;
    for (float t : {-1e20f, -1.0f, 0.0f, 0.25f, 1.0f, 2.5f, 100.0f, 1e20f}) {
        keyframer->evaluate(t);
        sink = sink + keyframer->position().x + keyframer->rotation().w + keyframer->scale().z;
        sink = sink + keyframer->getRotationMatrix(t).m[5] + keyframer->getXAxis(t).y + keyframer->getPosition(t).z;
    }
    (void)sink;
    if (!loaded || channels) return 0;

    // A loaded track keyframer writes a block that reads back to the same text.
    std::ostringstream first;
    if (!keyframer->save(first)) std::abort();
    std::istringstream again(first.str());
    qv3rn::ScriptParser reparser;
    reparser.readLine(again);  // the "Keyframer {" line
    qv3rn::Keyframer reread;
    try {
        if (!reread.load(reparser, again)) std::abort();
    } catch (const std::runtime_error&) {
        std::abort();
    }
    std::ostringstream second;
    reread.save(second);
    if (second.str() != first.str()) std::abort();
    return 0;
}
