// music_command.cpp -- "qv3rn-tool music": renders a song file with the synthesiser and encodes it as Ogg Vorbis.
#include <cstdio>
#include <fstream>

#include "generators/ogg_encoder.h"
#include "generators/song.h"
#include "generators/synthesizer.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

// The song's grid as comment lines of an effect script, so the timeline's author can include it.
bool writeTiming(const Song& song, const std::string& path) {
    std::ofstream out(path);
    out << "; Music timing, written by qv3rn-tool music: " << song.tempo << " BPM, 4/4\n"
        << "; beat " << 60.0f / song.tempo << " s, bar " << song.secondsPerBar() << " s, 8-bar phrase "
        << song.secondsPerBar() * 8 << " s, length " << song.length << " s\n";
    const int bars = static_cast<int>(song.length / song.secondsPerBar());
    for (int bar = 1; bar <= bars; bar += 8)
        out << "; bar " << bar << " starts at " << (bar - 1) * song.secondsPerBar() << " s\n";
    return static_cast<bool>(out);
}

int runMusic(const std::vector<std::string>& args) {
    if (args.size() != 2 && !(args.size() == 4 && args[2] == "--timing"))
        return usageError("music", "expected a song file and the Ogg file to write");
    std::ifstream in(args[0]);
    if (!in) {
        std::fprintf(stderr, "qv3rn-tool music: unable to open %s\n", args[0].c_str());
        return 1;
    }
    Song song;
    std::string error;
    if (!parseSong(in, args[0], song, error)) {
        std::fprintf(stderr, "qv3rn-tool music: %s\n", error.c_str());
        return 1;
    }
    const std::vector<float> samples = renderSong(song);
    if (!encodeOggVorbis(samples, 2, song.sampleRate, 0.4f, args[1], error)) {
        std::fprintf(stderr, "qv3rn-tool music: %s\n", error.c_str());
        return 1;
    }
    if (args.size() == 4 && !writeTiming(song, args[3])) {
        std::fprintf(stderr, "qv3rn-tool music: unable to write %s\n", args[3].c_str());
        return 1;
    }
    std::printf("%s: %.1f s at %g BPM\n", args[1].c_str(), static_cast<double>(song.length),
                static_cast<double>(song.tempo));
    return 0;
}

const ToolCommand music{"music", "music <song.txt> <music.ogg> [--timing <timing.effect>]", runMusic};

}  // namespace
}  // namespace qv3rn::tool
