// show_location.h -- where the player finds its show and writes its log: the working folder first (as the show
// has always been played), then the folder an installation put the show in, found from the program's own place.
#pragma once

#include <filesystem>
#include <string>

namespace qv3rn {

// The installed show's folder relative to the program's folder (bin/../share/qv3rn).
inline constexpr const char* installedShowSubfolder = "../share/qv3rn";

// The folder that holds the show ("data.dat"): `working` when it has it, else `installed`; an empty path and
// `error` naming both places when neither has it.
std::filesystem::path locateShow(const std::filesystem::path& working, const std::filesystem::path& installed,
                                 std::string& error);

// The installed show's folder beside the running program (/proc/self/exe), so that a moved installation still
// finds its show; empty when the program's place cannot be read.
std::filesystem::path installedShowFolder();

// Where the diagnostic log goes: "application.log" in `working` when a file can be written there, else in
// $XDG_STATE_HOME/qv3rn (~/.local/state/qv3rn without it), which is made when missing.
std::filesystem::path logFilePath(const std::filesystem::path& working);

}  // namespace qv3rn
