// script_parser.cpp -- logical line reading and the keyword and value helpers of the script formats.
#include "data/script_parser.h"

#include <stdexcept>
#include <string>

#include "core/input_limits.h"

namespace qv3rn {

namespace {
bool isSkippedSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
}  // namespace

std::string ScriptParser::readLine(std::istream& stream) {
    using Traits = std::istream::traits_type;
    std::streambuf* buffer = stream.rdbuf();
    std::string line;
    if (!buffer || !stream.good()) return line;

    int c = buffer->sgetc();
    while (c != Traits::eof() && c != 0 && isSkippedSpace(c)) c = buffer->snextc();
    if (c == Traits::eof()) {
        stream.setstate(std::ios::eofbit);
        return line;
    }
    for (;;) {
        c = buffer->sbumpc();
        if (c == Traits::eof()) {
            stream.setstate(std::ios::eofbit);
            break;
        }
        if (c == '\n') {
            ++lineCount_;
            break;
        }
        if (c == ';') {
            do c = buffer->sbumpc();
            while (c != '\n' && c != Traits::eof());
            if (c == '\n')
                ++lineCount_;
            else
                stream.setstate(std::ios::eofbit);
            break;
        }
        // A line is working memory: a compressed script cannot make one larger than the reading allowance.
        if (line.size() == readingAllowance)
            throw std::runtime_error("a line longer than " + std::to_string(readingAllowance) + " bytes");
        line.push_back(c == '\t' ? ' ' : static_cast<char>(c));
    }
    return line;
}

bool matches(std::string_view line, std::string_view keyword) { return line.find(keyword) != std::string_view::npos; }

std::string quotedText(std::string_view line) {
    const auto first = line.find('"');
    if (first == std::string_view::npos) return {};
    const auto last = line.rfind('"');
    if (last == first) return std::string(line.substr(first + 1));
    return std::string(line.substr(first + 1, last - first - 1));
}

bool skipBlock(std::istream& stream) {
    char c = 0;
    while (stream.get(c))
        if (c == '}') break;
    return stream.good();
}

}  // namespace qv3rn
