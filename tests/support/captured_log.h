// captured_log.h -- the process log redirected into a file of the test's own, for tests that check log lines.
#pragma once

#include <string>
#include <utility>

#include "core/log.h"
#include "support/test_files.h"

namespace qv3rn::test {

// The log while it lives; text() closes it and gives what was written.
class CapturedLog {
public:
    explicit CapturedLog(std::string path) : path_(std::move(path)) { log_.open(path_); }
    std::string text() {
        log_.close();
        return readFile(path_);
    }

private:
    std::string path_;
    Log log_;
};

}  // namespace qv3rn::test
