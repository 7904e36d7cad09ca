// synthesizer.h -- renders a song to interleaved stereo float samples: drum, bass, pad and lead voices, a delay send.
#pragma once

#include <vector>

#include "generators/song.h"

namespace qv3rn {

struct NoteEvent {
    int instrument = 0;
    long long startSample = 0;
    long long lengthSamples = 0;  // gate length; the voice's release follows
    int note = 0;                 // MIDI note, 0 for drums
    float velocity = 1.0f;
};

// Expands the arrangement into note events, sorted by start sample.
std::vector<NoteEvent> scheduleSong(const Song& song);

// Renders the whole song: song.length seconds of interleaved left/right samples in -1..1.
std::vector<float> renderSong(const Song& song);

}  // namespace qv3rn
