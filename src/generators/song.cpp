// song.cpp -- reads the song text: one keyword per line, ";" starts a comment.
//
//   tempo 120                       beats per minute
//   length 252                      seconds to render
//   instrument NAME VOICE VOL PAN   VOICE is kick, snare, hat, bass, pad or lead
//   pattern NAME INSTRUMENT STEP... one token per sixteenth: "x" hit, "X" accent, a note "a2" or a chord
//                                   "c3+e3+g3", "-" holds the notes before, "." is silence
//   play FIRST LAST PATTERN [+N]    repeats the pattern from bar FIRST to bar LAST, transposed by N semitones
#include "generators/song.h"

#include <cctype>
#include <sstream>
#include <stdexcept>  // Required for: std::invalid_argument

namespace qv3rn {

namespace {

struct VoiceName {
    const char* name;
    Voice voice;
};
constexpr VoiceName kVoices[] = {{"kick", Voice::Kick}, {"snare", Voice::Snare}, {"hat", Voice::Hat},
                                 {"bass", Voice::Bass}, {"pad", Voice::Pad},     {"lead", Voice::Lead}};

template <typename T>
int findByName(const std::vector<T>& items, const std::string& name) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].name == name) return static_cast<int>(i);
    return -1;
}

bool parseStep(const std::string& token, Step& step) {
    if (token == ".") return step.kind = Step::Rest, true;
    if (token == "-") return step.kind = Step::Hold, true;
    if (token == "x" || token == "X") {
        step.kind = Step::Hit;
        step.velocity = token == "X" ? 1.0f : 0.7f;
        return true;
    }
    step.kind = Step::Hit;
    std::stringstream chord(token);
    std::string note;
    while (std::getline(chord, note, '+')) {
        const int number = noteNumber(note);
        if (number < 0) return false;
        step.notes.push_back(number);
    }
    return !step.notes.empty();
}

}  // namespace

int noteNumber(const std::string& text) {
    static const int kOffsets[] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
    if (text.size() < 2) return -1;
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    if (letter < 'a' || letter > 'g') return -1;
    size_t pos = 1;
    int semitone = kOffsets[letter - 'a'];
    if (text[pos] == '#') ++semitone, ++pos;
    if (pos + 1 != text.size() || !std::isdigit(static_cast<unsigned char>(text[pos]))) return -1;
    const int octave = text[pos] - '0';
    return 12 * (octave + 1) + semitone;
}

bool parseSong(std::istream& in, const std::string& source, Song& song, std::string& error) {
    std::string raw;
    int lineNumber = 0;
    auto fail = [&](const std::string& message) {
        error = source + ":" + std::to_string(lineNumber) + ": " + message;
        return false;
    };
    while (std::getline(in, raw)) {
        ++lineNumber;
        const size_t comment = raw.find(';');
        std::stringstream line(raw.substr(0, comment));
        std::string keyword;
        if (!(line >> keyword)) continue;
        if (keyword == "tempo") {
            if (!(line >> song.tempo) || song.tempo < 20.0f || song.tempo > 400.0f) return fail("tempo must be 20..400");
        } else if (keyword == "length") {
            if (!(line >> song.length) || song.length <= 0.0f || song.length > 3600.0f)
                return fail("length must be 0..3600 seconds");
        } else if (keyword == "instrument") {
            Instrument instrument;
            std::string voice;
            if (!(line >> instrument.name >> voice >> instrument.volume >> instrument.pan))
                return fail("expected: instrument NAME VOICE VOLUME PAN");
            bool known = false;
            for (const VoiceName& v : kVoices)
                if (voice == v.name) instrument.voice = v.voice, known = true;
            if (!known) return fail("unknown voice \"" + voice + "\"");
            if (findByName(song.instruments, instrument.name) >= 0)
                return fail("instrument \"" + instrument.name + "\" defined twice");
            song.instruments.push_back(instrument);
        } else if (keyword == "pattern") {
            Pattern pattern;
            std::string instrument;
            if (!(line >> pattern.name >> instrument)) return fail("expected: pattern NAME INSTRUMENT STEPS");
            pattern.instrument = findByName(song.instruments, instrument);
            if (pattern.instrument < 0) return fail("unknown instrument \"" + instrument + "\"");
            if (findByName(song.patterns, pattern.name) >= 0)
                return fail("pattern \"" + pattern.name + "\" defined twice");
            std::string token;
            while (line >> token) {
                Step step;
                if (!parseStep(token, step)) return fail("bad step \"" + token + "\"");
                pattern.steps.push_back(step);
            }
            if (pattern.steps.empty() || pattern.steps.size() % 16 != 0)
                return fail("pattern \"" + pattern.name + "\" must have a multiple of 16 steps, has " +
                            std::to_string(pattern.steps.size()));
            song.patterns.push_back(pattern);
        } else if (keyword == "play") {
            Placement placement;
            std::string name, transpose;
            if (!(line >> placement.firstBar >> placement.lastBar >> name)) return fail("expected: play FIRST LAST PATTERN");
            if (placement.firstBar < 1 || placement.lastBar < placement.firstBar || placement.lastBar > 10000)
                return fail("bad bar range");
            placement.pattern = findByName(song.patterns, name);
            if (placement.pattern < 0) return fail("unknown pattern \"" + name + "\"");
            if (line >> transpose) {
                try {
                    size_t used = 0;
                    placement.transpose = std::stoi(transpose, &used);
                    if (used != transpose.size()) throw std::invalid_argument(transpose);
                } catch (const std::exception&) {
                    return fail("bad transpose \"" + transpose + "\"");
                }
            }
            song.placements.push_back(placement);
        } else {
            return fail("unknown keyword \"" + keyword + "\"");
        }
    }
    return true;
}

}  // namespace qv3rn
