// song.h -- the music's plain-text song: tempo, instruments, step patterns and the arrangement that places them in bars.
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace qv3rn {

enum class Voice { Kick, Snare, Hat, Bass, Pad, Lead };

struct Instrument {
    std::string name;
    Voice voice = Voice::Kick;
    float volume = 1.0f;
    float pan = 0.0f;  // -1 left .. 1 right
};

// One step of a pattern: nothing, a new hit or notes, or a hold that lengthens the previous notes.
struct Step {
    enum Kind { Rest, Hit, Hold } kind = Rest;
    std::vector<int> notes;  // MIDI note numbers (drums use none)
    float velocity = 1.0f;
};

struct Pattern {
    std::string name;
    int instrument = 0;  // index into Song::instruments
    std::vector<Step> steps;  // sixteenth notes; a multiple of 16 long
};

struct Placement {
    int firstBar = 1;  // bars count from 1 like the arrangement sheet
    int lastBar = 1;
    int pattern = 0;
    int transpose = 0;
};

struct Song {
    float tempo = 120.0f;  // beats per minute, 4 beats to the bar, 4 steps to the beat
    float length = 252.0f;  // seconds rendered
    int sampleRate = 44100;
    std::vector<Instrument> instruments;
    std::vector<Pattern> patterns;
    std::vector<Placement> placements;

    float secondsPerStep() const { return 15.0f / tempo; }
    float secondsPerBar() const { return 240.0f / tempo; }
};

// Reads a song; returns false with "<source>:<line>: <message>" in `error` at the first bad line.
bool parseSong(std::istream& in, const std::string& source, Song& song, std::string& error);

// "c4" = 60, "a4" = 69, sharps with "#" ("f#2"); -1 when the text is not a note.
int noteNumber(const std::string& text);

}  // namespace qv3rn
