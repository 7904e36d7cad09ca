// log.h -- the process-wide diagnostic log "application.log": sections, tab indentation, one flushed line per event.
#pragma once

#include <cstdio>  // Required for: FILE
#include <string>

namespace qv3rn {

class Log {
public:
    Log();   // registers itself as the current instance
    ~Log();  // closes the stream and clears the current instance
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // The log of the process (the one constructed before main), or nullptr when none exists.
    static Log* instance();

    bool open(const std::string& path);  // fails when a stream is already open; truncates the file
    bool close();
    bool isOpen() const { return stream_ != nullptr; }

    bool beginSection(const std::string& name);  // writes "--==[name]==--", then indents one more level
    bool endSection(const std::string& name);    // outdents one level, then writes the section line
    bool writeLine(const std::string& text);     // a text line of any length
    bool printf(const char* format, ...) __attribute__((format(printf, 2, 3)));  // at most 255 characters

    int depth() const { return depth_; }

private:
    bool writeIndented(const char* text);

    static constexpr std::size_t bufferSize = 256;
    Log* previous_ = nullptr;
    std::FILE* stream_ = nullptr;
    int depth_ = 0;
    char buffer_[bufferSize] = {};  // the one formatting buffer: printf never allocates
};

// The current log (Log::instance, or a closed one when none exists); writes are no-ops until it is opened.
Log& logger();

}  // namespace qv3rn
