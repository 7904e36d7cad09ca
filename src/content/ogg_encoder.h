// ogg_encoder.h -- encodes interleaved stereo float samples to an Ogg Vorbis file with libvorbisenc.
#pragma once

#include <string>
#include <vector>

namespace qv3rn {

// `quality` is libvorbisenc's VBR quality, -0.1 .. 1.0. False with `error` naming the file on failure.
bool encodeOggVorbis(const std::vector<float>& interleavedStereo, int sampleRate, float quality, const std::string& path,
                     std::string& error);

}  // namespace qv3rn
