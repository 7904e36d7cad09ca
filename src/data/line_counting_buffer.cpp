// line_counting_buffer.cpp -- chunked pass-through reading with a line feed count.
#include "data/line_counting_buffer.h"

#include <algorithm>
#include <limits>

namespace qv3rn {

LineCountingBuffer::int_type LineCountingBuffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (eback()) {
        lineFeedsBefore_ += std::count(eback(), egptr(), '\n');
        if (egptr() > eback()) lastBefore_ = egptr()[-1];
    }
    const std::streamsize got = source_ ? source_->sgetn(buffer_, sizeof buffer_) : 0;
    if (got <= 0) {
        setg(buffer_, buffer_, buffer_);
        return traits_type::eof();
    }
    setg(buffer_, buffer_, buffer_ + got);
    return traits_type::to_int_type(buffer_[0]);
}

int LineCountingBuffer::line() const {
    long long feeds = lineFeedsBefore_;
    char last = lastBefore_;
    if (eback() && gptr() > eback()) {
        feeds += std::count(eback(), gptr(), '\n');
        last = gptr()[-1];
    }
    if (last == '\n') --feeds;
    const long long line = feeds + 1;
    return static_cast<int>(std::min<long long>(line, std::numeric_limits<int>::max()));
}

}  // namespace qv3rn
