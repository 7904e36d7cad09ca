// keyframer_track.cpp -- segment lookup and the key lines every track writes.
#include "anim/keyframer_track.h"

#include <charconv>
#include <ostream>

namespace qv3rn {

KeyframerTrack::Position KeyframerTrack::locate(float time, bool closedSegments) const {
    const std::size_t count = times_.size();
    if (count == 0 || time <= times_[0]) return {0, 0.0f};
    if (time >= times_[count - 1]) return {count - 1, 0.0f};
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const float start = times_[i];
        const float end = times_[i + 1];
        const bool inside = start <= time && (closedSegments ? time <= end : time < end);
        if (!inside) continue;
        if (end == start) return {i + 1, 0.0f};
        return {i, (time - start) / (end - start)};
    }
    return {count - 1, 0.0f};
}

bool KeyframerTrack::save(std::ostream& stream) const {
    if (const char* type = typeName()) stream << "\t\t\tType \"" << type << "\"\n";
    stream << "\t\t\tNumKeys " << times_.size() << '\n';
    for (std::size_t i = 0; i < times_.size(); ++i) {
        stream << "\t\t\tKey ";
        writeTrackNumber(stream, times_[i]);
        saveKeyValues(stream, i);
        stream << '\n';
    }
    return static_cast<bool>(stream);
}

void writeTrackNumber(std::ostream& stream, float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    stream.write(text, result.ptr - text);
}

}  // namespace qv3rn
