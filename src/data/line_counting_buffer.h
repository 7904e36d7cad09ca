// line_counting_buffer.h -- a read buffer over another stream that knows the physical line it has reached.
#pragma once

#include <cstddef>
#include <streambuf>

namespace qv3rn {

// Passes the source's characters through unchanged, in chunks, and counts the line feeds it has handed out,
// so that a loader can say on which line of the file an error was met, blank lines included.
class LineCountingBuffer : public std::streambuf {
public:
    explicit LineCountingBuffer(std::streambuf* source) : source_(source) {}

    // The physical line (from 1) of the last character handed out; a line feed that was handed out last
    // still belongs to the line it ends.
    int line() const;

protected:
    int_type underflow() override;

private:
    std::streambuf* source_;
    long long lineFeedsBefore_ = 0;  // in chunks already handed out completely
    char lastBefore_ = 0;            // the last character of the previous chunk
    char buffer_[4096];
};

}  // namespace qv3rn
