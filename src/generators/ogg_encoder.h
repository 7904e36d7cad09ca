// ogg_encoder.h -- encodes interleaved float samples to an Ogg Vorbis file with libvorbisenc.
#pragma once

#include <string>
#include <vector>

namespace qv3rn {

// `interleaved` holds `channels` samples per frame, each in -1 .. 1. `quality` is libvorbisenc's VBR quality,
// -0.1 .. 1.0. False with `error` naming the file on failure.
bool encodeOggVorbis(const std::vector<float>& interleaved, int channels, int sampleRate, float quality,
                     const std::string& path, std::string& error);

}  // namespace qv3rn
