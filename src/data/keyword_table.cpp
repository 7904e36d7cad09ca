// keyword_table.cpp -- what a block does with an unknown line, the number scanning of the row makers, and the
// list of noted keywords.
#include "data/keyword_table.h"

#include <cstdio>  // Required for: sscanf
#include <mutex>
#include <set>

namespace qv3rn {

namespace {
struct NotedKeywords {
    std::mutex mutex;
    std::set<std::string> keywords;
};
NotedKeywords& noted() {
    static NotedKeywords instance;  // made on first use, whatever the order of start-up
    return instance;
}
}  // namespace

void noteKeyword(const std::string& keyword) {
    NotedKeywords& all = noted();
    const std::lock_guard lock(all.mutex);
    all.keywords.insert(keyword);
}

std::vector<std::string> notedKeywords() {
    NotedKeywords& all = noted();
    const std::lock_guard lock(all.mutex);
    return {all.keywords.begin(), all.keywords.end()};
}

bool UnknownLine::failsOn(const std::string& line) const {
    switch (action) {
        case Action::Raise:
            throw std::runtime_error(message);
        case Action::RaiseWithLine:
            throw std::runtime_error(message + line);
        case Action::Fail:
            return true;
        case Action::Skip:
            break;
    }
    return false;
}

void scanFloats(const std::string& line, float* values, int count) {
    float scanned[4] = {};
    const int wanted = count < 4 ? count : 4;
    const int got = std::sscanf(line.c_str(), "%*s %f %f %f %f", &scanned[0], &scanned[1], &scanned[2], &scanned[3]);
    for (int i = 0; i < wanted && i < got; ++i) values[i] = scanned[i];
}

void scanFloats(const std::string& line, const FloatSlots& slots) {
    float scanned[FloatSlots::most] = {};
    const int got = std::sscanf(line.c_str(), "%*s %f %f %f %f %f %f", &scanned[0], &scanned[1], &scanned[2],
                                &scanned[3], &scanned[4], &scanned[5]);
    for (int i = 0; i < slots.count && i < got; ++i) *slots.slots[i] = scanned[i];
}

int scanIntegers(const std::string& line, long long* values, int count) {
    long long scanned[4] = {};
    const int wanted = count < 4 ? count : 4;
    const int got = std::sscanf(line.c_str(), "%*s %lld %lld %lld %lld", &scanned[0], &scanned[1], &scanned[2],
                                &scanned[3]);
    int taken = 0;
    for (; taken < wanted && taken < got; ++taken) values[taken] = scanned[taken];
    return taken;
}

void scanInteger(const std::string& line, std::int32_t& value) {
    long long scanned = 0;
    if (scanIntegers(line, &scanned, 1) == 1) value = wrappedInteger<std::int32_t>(scanned);
}

void scanInteger(const std::string& line, std::uint32_t& value) {
    long long scanned = 0;
    if (scanIntegers(line, &scanned, 1) == 1) value = wrappedInteger<std::uint32_t>(scanned);
}

}  // namespace qv3rn
