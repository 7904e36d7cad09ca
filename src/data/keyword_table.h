// keyword_table.h -- the one shape of every script block reader: keyword rows in test order, row makers for the
// common value kinds, and the loop that reads a block with them.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "data/script_parser.h"

namespace qv3rn {

// A block is a list of rows, each the text a line must contain and what to do with the line. A line is
// tested against the rows in table order and the first keyword that the line contains wins, so longer
// keywords come first ("WriteMask " before "Mask ", "TexRect " before "Rect "). The order of a table is part
// of its script format.

// What a row's action gets: the line, and the line reader and stream of the block for actions that read on
// (an envelope field, a nested block). An action may end the block or fail it.
struct BlockLine {
    BlockLine(const std::string& text, ScriptParser& parser, std::istream& stream)
        : text(text), parser(parser), stream(stream) {}

    const std::string& text;
    ScriptParser& parser;  // its readLine counts lines, and the stream knows its file line for errors
    std::istream& stream;

    enum class Outcome { Next, Closed, Failed };
    Outcome outcome = Outcome::Next;
    std::string reason;

    std::string readLine() { return parser.readLine(stream); }
    // This line closes the block.
    void endBlock() { outcome = Outcome::Closed; }
    // The line was recognised but cannot be used: the block ends, failed; `why` is for the caller's message.
    void failBlock(std::string why = {}) {
        outcome = Outcome::Failed;
        reason = std::move(why);
    }
};

// Every keyword a row has been made with in this process, so that tools can list what the script readers know
// (the fuzzing dictionary is made from it). Tables at namespace scope note theirs at start-up, the effect
// grammars when their loaders are made.
void noteKeyword(const std::string& keyword);
std::vector<std::string> notedKeywords();  // sorted, each once

template <typename Target>
struct Row {
    using Action = std::function<void(Target&, BlockLine&)>;

    Row(std::string keyword, Action read) : keyword(std::move(keyword)), read(std::move(read)) {
        noteKeyword(this->keyword);
    }
    // A row written for a base class works in the table of a class derived from it.
    template <typename Base>
        requires(std::derived_from<Target, Base> && !std::same_as<Target, Base>)
    Row(const Row<Base>& row) : keyword(row.keyword), read(row.read) {}

    std::string keyword;
    Action read;
};

template <typename Target>
using KeywordTable = std::vector<Row<Target>>;

// A table made of rows and whole tables (of Target or of a base class of it), in the order given: a shared
// prefix, then a type's own rows.
template <typename Target, typename... Parts>
KeywordTable<Target> joinRows(const Parts&... parts) {
    KeywordTable<Target> table;
    const auto append = [&table](const auto& part) {
        if constexpr (requires { part.begin(); })
            table.insert(table.end(), part.begin(), part.end());
        else
            table.push_back(part);
    };
    (append(parts), ...);
    return table;
}

// What a block does with a line that no row takes and that contains no "}".
struct UnknownLine {
    enum class Action { Raise, RaiseWithLine, Fail, Skip };
    Action action;
    std::string message;

    // Raises std::runtime_error(message).
    static UnknownLine raise(std::string message) { return {Action::Raise, std::move(message)}; }
    // Raises std::runtime_error(prefix + the line).
    static UnknownLine raiseWithLine(std::string prefix) { return {Action::RaiseWithLine, std::move(prefix)}; }
    // Ends the block, failed, without a message.
    static UnknownLine fail() { return {Action::Fail, {}}; }
    // Ignores the line.
    static UnknownLine skip() { return {Action::Skip, {}}; }

    // Raises for Raise and RaiseWithLine; otherwise tells whether the line fails the block.
    bool failsOn(const std::string& line) const;
};

// How a block ended: at a line that closed it (a row's, or a line with "}" that no row took), at the end of
// the stream, or failed (the line that failed it and the reason a row gave, if any).
struct BlockEnd {
    enum class How { Closed, EndOfStream, Failed };
    How how = How::Closed;
    std::string failedLine;
    std::string reason;

    bool failed() const { return how == How::Failed; }
};

// Reads the lines of a block after its opening line, with `parser`'s line reader. Each line goes to the first
// row whose keyword it contains; a line that no row takes closes the block when it contains "}", and is
// otherwise handled as `unknown` says. Lines left empty by the reader (comment lines) are skipped, and the end
// of the stream ends the block. Errors raised by rows and by `unknown` pass through; the stream's line counter
// (see parseCountingLines) gives them their file and line.
template <typename Target>
BlockEnd readKeywordBlock(ScriptParser& parser, std::istream& stream, Target& target,
                          const KeywordTable<Target>& rows, const UnknownLine& unknown) {
    for (;;) {
        const std::string text = parser.readLine(stream);
        if (text.empty()) {
            if (!stream.good()) return {BlockEnd::How::EndOfStream, {}, {}};
            continue;
        }
        const Row<Target>* found = nullptr;
        for (const Row<Target>& row : rows)
            if (matches(text, row.keyword)) {
                found = &row;
                break;
            }
        if (!found) {
            if (matches(text, "}")) return {BlockEnd::How::Closed, {}, {}};
            if (unknown.failsOn(text)) return {BlockEnd::How::Failed, text, {}};
            continue;
        }
        BlockLine line(text, parser, stream);
        found->read(target, line);
        if (line.outcome == BlockLine::Outcome::Closed) return {BlockEnd::How::Closed, {}, {}};
        if (line.outcome == BlockLine::Outcome::Failed) return {BlockEnd::How::Failed, text, line.reason};
    }
}

// ---- Scanning the numbers after a line's first word ("%*s %f %f ..."): a number that does not scan leaves
// its field as it was. At most four numbers, six for the slots of a floats() row.

void scanFloats(const std::string& line, float* values, int count);
inline void scanFloat(const std::string& line, float& value) { scanFloats(line, &value, 1); }
// Integers wrap as they would through a 32-bit integer.
void scanInteger(const std::string& line, std::int32_t& value);
void scanInteger(const std::string& line, std::uint32_t& value);
// Up to `count` (at most 4) integers as scanned; returns how many scanned.
int scanIntegers(const std::string& line, long long* values, int count);
template <typename Integer>
Integer wrappedInteger(long long value) {
    return static_cast<Integer>(static_cast<std::make_unsigned_t<Integer>>(value));
}

// Where the numbers of a floats() row go, in order: a float field takes one number, an array field one per
// element. A class whose field holds a number in another form adds an addFloatSlots overload beside it.
struct FloatSlots {
    static constexpr int most = 6;
    std::array<float*, most> slots{};
    int count = 0;
    void add(float& value) {
        if (count < most) slots[count++] = &value;
    }
};
inline void addFloatSlots(FloatSlots& slots, float& value) { slots.add(value); }
template <std::size_t N>
void addFloatSlots(FloatSlots& slots, float (&values)[N]) {
    for (float& value : values) slots.add(value);
}
template <std::size_t N>
void addFloatSlots(FloatSlots& slots, std::array<float, N>& values) {
    for (float& value : values) slots.add(value);
}
void scanFloats(const std::string& line, const FloatSlots& slots);

// The class a pointer to member belongs to.
template <typename Member>
struct MemberClass;
template <typename Class, typename Type>
struct MemberClass<Type Class::*> {
    using type = Class;
};
template <typename Member>
using MemberClassOf = typename MemberClass<Member>::type;

// ---- Row makers: one keyword, one line. The target class is the class of the first field.

// The numbers after the keyword into float fields (floats, float arrays), in order.
template <typename First, typename... More>
Row<MemberClassOf<First>> floats(std::string keyword, First first, More... more) {
    using Target = MemberClassOf<First>;
    return {std::move(keyword), [first, more...](Target& target, BlockLine& line) {
                FloatSlots slots;
                addFloatSlots(slots, target.*first);
                (addFloatSlots(slots, target.*more), ...);
                scanFloats(line.text, slots);
            }};
}

// The numbers after the keyword into 32-bit integer fields, in order.
template <typename First, typename... More>
Row<MemberClassOf<First>> integers(std::string keyword, First first, More... more) {
    using Target = MemberClassOf<First>;
    return {std::move(keyword), [first, more...](Target& target, BlockLine& line) {
                long long values[4];
                const int got = scanIntegers(line.text, values, 1 + static_cast<int>(sizeof...(more)));
                int index = 0;
                const auto take = [&](auto& field) {
                    if (index < got) field = wrappedInteger<std::remove_reference_t<decltype(field)>>(values[index]);
                    ++index;
                };
                take(target.*first);
                (take(target.*more), ...);
            }};
}

// One integer that must lie in [lowest, highest]; any other number raises `error` followed by the line, and
// the field keeps its value.
template <typename Member, typename Value>
Row<MemberClassOf<Member>> integerIn(std::string keyword, Member member, Value lowest, Value highest,
                                     std::string error) {
    using Target = MemberClassOf<Member>;
    return {std::move(keyword), [=](Target& target, BlockLine& line) {
                auto value = target.*member;
                scanInteger(line.text, value);
                if (value < lowest || value > highest) throw std::runtime_error(error + line.text);
                target.*member = value;
            }};
}

// A yes/no field: true when the line contains "yes" anywhere.
template <typename Member>
Row<MemberClassOf<Member>> flag(std::string keyword, Member member) {
    using Target = MemberClassOf<Member>;
    return {std::move(keyword), [member](Target& target, BlockLine& line) {
                target.*member = matches(line.text, "yes");
            }};
}

// A string field: the line's quoted text.
template <typename Member>
Row<MemberClassOf<Member>> quoted(std::string keyword, Member member) {
    using Target = MemberClassOf<Member>;
    return {std::move(keyword), [member](Target& target, BlockLine& line) {
                target.*member = quotedText(line.text);
            }};
}

// A line that is taken and means nothing (free text such as "Info ").
template <typename Target>
Row<Target> ignored(std::string keyword) {
    return {std::move(keyword), [](Target&, BlockLine&) {}};
}

// A line that closes the block here, before the rows after it are tried.
template <typename Target>
Row<Target> closing(std::string keyword = "}") {
    return {std::move(keyword), [](Target&, BlockLine& line) { line.endBlock(); }};
}

// A nested block on the same target, read with its own rows up to its own "}"; a failed nested block fails
// this one.
template <typename Target>
Row<Target> nested(std::string keyword, const KeywordTable<Target>& rows, UnknownLine unknown) {
    return {std::move(keyword), [&rows, unknown](Target& target, BlockLine& line) {
                const BlockEnd end = readKeywordBlock(line.parser, line.stream, target, rows, unknown);
                if (end.failed()) line.failBlock(end.reason);
            }};
}

}  // namespace qv3rn
