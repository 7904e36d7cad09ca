// Fuzz target: envelope blocks through load, evaluate and a save-then-load round trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>

#include "anim/envelope.h"
#include "data/memory_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qv3rn::MemoryStream stream(data, size);
    qv3rn::Envelope envelope;
    bool loaded = false;
    try {
        loaded = envelope.load(stream);
    } catch (const std::runtime_error&) {
    }

    // Whatever was read, evaluation must be safe everywhere, with every behaviour.
    const float times[] = {-1e30f, -7.5f, -0.001f, 0.0f, 0.5f, 1.0f, 3.25f, 1e9f, 3.4e38f};
    volatile float sink = 0.0f;
    for (std::uint16_t behavior = 0; behavior <= 6; ++behavior) {
        qv3rn::Envelope copy = envelope;
        copy.setBehaviors(behavior, static_cast<std::uint16_t>(6 - behavior));
        for (float t : times) sink = sink + copy.evaluate(t);
    }
    (void)sink;
    if (!loaded) return 0;

    // A loaded envelope writes a block that reads back to the same text. An envelope without keys is written
    // as one zero key, so its text settles after one round.
    if (envelope.keyCount() == 0) envelope.addKey(qv3rn::EnvelopeKey{});
    std::ostringstream first;
    envelope.save(first);
    std::istringstream again(first.str());
    qv3rn::Envelope reread;
    try {
        reread.load(again);
    } catch (const std::runtime_error&) {
        std::abort();
    }
    std::ostringstream second;
    reread.save(second);
    if (second.str() != first.str() || reread.keyCount() != envelope.keyCount()) std::abort();
    return 0;
}
