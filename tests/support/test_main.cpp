// The tests' main: each test program runs in a fresh folder of its own below CTest's working folder, with the
// software renderer kept to two threads (none of its own under AddressSanitizer, whose leak check at exit can
// crash while the renderer's threads end) and SDL's silent sound driver unless the caller chose otherwise.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    ::testing::InitGoogleTest(&argc, argv);
#if defined(__SANITIZE_ADDRESS__)
    ::setenv("LP_NUM_THREADS", "0", 0);
#else
    ::setenv("LP_NUM_THREADS", "2", 0);
#endif
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    const fs::path parent = fs::current_path();
    const fs::path own = parent / ("run-" + std::to_string(::getpid()));
    std::error_code error;
    fs::remove_all(own, error);  // left behind by a killed run that had the same process id
    fs::create_directories(own);
    fs::current_path(own);
    const int result = RUN_ALL_TESTS();
    fs::current_path(parent);
    fs::remove_all(own, error);
    return result;
}
