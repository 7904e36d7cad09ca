// Fuzz target: an Ogg Vorbis file decoded whole into 16-bit PCM, as the player decodes its music.
#include <cstddef>
#include <cstdint>
#include <string>

#include "demo/music.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qv3rn::platform::PcmBuffer pcm;
    std::string error;
    if (qv3rn::decodeVorbisMemory(data, size, pcm, error)) {
        // A decoded sample is whole frames of a format the sound device can be opened with.
        if (pcm.channels <= 0 || pcm.sampleRate <= 0 || pcm.samples.size() % static_cast<std::size_t>(pcm.channels) != 0)
            __builtin_trap();
    } else if (error.empty()) {
        __builtin_trap();  // a refusal always says why
    }
    return 0;
}
