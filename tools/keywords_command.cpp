// keywords_command.cpp -- "qv3rn-tool keywords": every keyword the script readers know, one quoted entry a
// line, the dictionary format of the fuzz targets for the text formats.
#include <cstdio>
#include <set>
#include <string>

#include "data/keyword_table.h"
#include "effects/effect_loaders.h"
#include "effects/effect_manager.h"
#include "effects/effect_script.h"
#include "scene/scene_grammar.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

// The keyword in double quotes, with quotes, backslashes and bytes outside printable ASCII escaped.
std::string dictionaryEntry(const std::string& keyword) {
    std::string entry = "\"";
    for (const unsigned char c : keyword) {
        if (c == '"' || c == '\\') {
            entry += '\\';
            entry += static_cast<char>(c);
        } else if (c < 0x20 || c > 0x7E) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            entry += escaped;
        } else {
            entry += static_cast<char>(c);
        }
    }
    return entry + "\"";
}

int runKeywords(const std::vector<std::string>& args) {
    if (!args.empty()) return usageError("keywords", "no arguments expected");
    // The tables at namespace scope noted their keywords at start-up (the scene's are asked for here so that
    // they are linked in); the effect grammars are made with the loaders of an effect script.
    EffectManager manager;
    const EffectScript script(manager);
    std::set<std::string> keywords;
    for (const auto& row : commonNodeRows()) keywords.insert(row.keyword);
    for (const std::string& keyword : notedKeywords()) keywords.insert(keyword);
    for (const EffectLoaderEntry& entry : effectLoaderTable)
        if (entry.typeName) keywords.insert(std::string(entry.typeName) + " {");
    for (const std::string& keyword : keywords) std::printf("%s\n", dictionaryEntry(keyword).c_str());
    return 0;
}

}  // namespace

const ToolCommand keywordsCommand{"keywords", "keywords", runKeywords};

}  // namespace qv3rn::tool
