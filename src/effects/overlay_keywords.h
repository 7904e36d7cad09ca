// overlay_keywords.h -- keyword tables of the effect loaders: each block type lists its keywords in test order
// with what each one does, and a line is taken by the first keyword it contains.
#pragma once

#include <cstddef>
#include <cstdio>
#include <istream>
#include <string>
#include <string_view>

#include "data/script_parser.h"

namespace qv3rn {

template <typename Loader, typename EffectType>
struct KeywordAction {
    std::string_view keyword;
    // False when the line was recognised but could not be used (the block then fails).
    bool (*take)(Loader& loader, std::string& line, std::istream& stream, EffectType& effect);
};

enum class KeywordResult { NotFound, Taken, Failed };

// Runs the action of the first keyword of `table` that `line` contains.
template <typename Loader, typename EffectType, std::size_t N>
KeywordResult takeKeyword(const KeywordAction<Loader, EffectType> (&table)[N], Loader& loader, std::string& line,
                          std::istream& stream, EffectType& effect) {
    for (const auto& entry : table)
        if (matches(line, entry.keyword))
            return entry.take(loader, line, stream, effect) ? KeywordResult::Taken : KeywordResult::Failed;
    return KeywordResult::NotFound;
}

// "%*s %f %f %f %f" and its shorter forms: the numbers after the keyword; fields without a number keep
// their value.
inline void scanFloats(const std::string& line, float& a) { std::sscanf(line.c_str(), "%*s %f", &a); }
inline void scanFloats(const std::string& line, float& a, float& b) {
    std::sscanf(line.c_str(), "%*s %f %f", &a, &b);
}
inline void scanFloats(const std::string& line, float& a, float& b, float& c) {
    std::sscanf(line.c_str(), "%*s %f %f %f", &a, &b, &c);
}
inline void scanFloats(const std::string& line, float& a, float& b, float& c, float& d) {
    std::sscanf(line.c_str(), "%*s %f %f %f %f", &a, &b, &c, &d);
}
inline void scanInt(const std::string& line, int& value) { std::sscanf(line.c_str(), "%*s %d", &value); }

}  // namespace qv3rn
