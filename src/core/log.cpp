// log.cpp -- the diagnostic log: every line is written at the current depth and flushed at once.
#include "core/log.h"

#include <cstdarg>  // Required for: va_list

namespace qv3rn {

namespace {
Log* currentLog = nullptr;
}

// A log constructed while another exists (a test's own log) becomes current until it is destroyed,
// then hands the role back to the one before it.
Log::Log() : previous_(currentLog) { currentLog = this; }

Log::~Log() {
    if (stream_) std::fclose(stream_);
    if (currentLog == this) currentLog = previous_;
}

Log* Log::instance() { return currentLog; }

bool Log::open(const std::string& path) {
    if (stream_) return false;
    stream_ = std::fopen(path.c_str(), "w");
    if (!stream_) return false;
    depth_ = 0;
    return true;
}

bool Log::close() {
    if (!stream_) return false;
    std::fclose(stream_);
    stream_ = nullptr;
    return true;
}

bool Log::writeIndented(const char* text) {
    if (!stream_) return false;
    for (int i = 0; i < depth_; ++i) std::fputc('\t', stream_);
    std::fputs(text, stream_);
    std::fputc('\n', stream_);
    std::fflush(stream_);
    return std::ferror(stream_) == 0;
}

bool Log::beginSection(const std::string& name) {
    if (!stream_) return false;
    bool good = writeIndented(("--==[" + name + "]==--").c_str());
    ++depth_;
    return good;
}

bool Log::endSection(const std::string& name) {
    if (!stream_) return false;
    --depth_;
    return writeIndented(("--==[" + name + "]==--").c_str());
}

bool Log::writeLine(const std::string& text) { return writeIndented(text.c_str()); }

bool Log::printf(const char* format, ...) {
    if (!stream_) return false;
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer_, bufferSize, format, args);  // cuts longer messages to 255 characters
    va_end(args);
    return writeIndented(buffer_);
}

// The process's log, constructed before main like the other registries.
Log processLog;

Log& logger() {
    if (currentLog) return *currentLog;
    static Log closedLog;  // only reached during static destruction: swallows every write
    return closedLog;
}

}  // namespace qv3rn
