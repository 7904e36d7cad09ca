// script_parser.h -- the reading toolkit every script loader shares: logical lines, keyword test, quoted values.
#pragma once

#include <istream>
#include <string>
#include <string_view>

namespace qv3rn {

// Base of every script loader. A logical line has no leading white space, no comment (";" to the end of the
// line) and tabs turned into spaces; trailing spaces and carriage returns are kept.
class ScriptParser {
public:
    virtual ~ScriptParser() = default;

    // The next logical line, or "" at the end of the stream (also for a line that held only a comment). A line
    // longer than the reading allowance throws std::runtime_error.
    std::string readLine(std::istream& stream);

    // Line feeds that ended a line or a comment so far; blank lines skipped before a line do not count.
    int lineCount() const { return lineCount_; }
    void setLineCount(int count) { lineCount_ = count; }

private:
    int lineCount_ = 0;
};

// True when `keyword` occurs anywhere in `line` (case-sensitive); an empty keyword always matches.
bool matches(std::string_view line, std::string_view keyword);

// The text between the first and the last double quote of `line`; everything after a single double quote;
// "" when the line has none.
std::string quotedText(std::string_view line);

// Reads characters up to and including the first "}" (no nesting); false when the stream failed first.
bool skipBlock(std::istream& stream);

}  // namespace qv3rn
