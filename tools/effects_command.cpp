// effects_command.cpp -- "qv3rn-tool effects": reads an effect script the way the demo does and lists its
// effects in script order, or says where the script goes wrong; draws the timeline as a chart on request.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "command_arguments.h"
#include "data/resource_reader.h"
#include "data/script_error.h"
#include "effects/blend.h"
#include "effects/effect_manager.h"
#include "effects/effect_script.h"
#include "gl/extensions.h"
#include "platform/headless_context.h"
#include "shader/image_registry.h"
#include "shader/shader_manager.h"
#include "generators/picture.h"
#include "timeline_chart.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

namespace fs = std::filesystem;

// The folder the script's includes are relative to: the one holding the "data" folder the script lies in
// (content/data/effect/demo.effect gives content), or the script's own folder.
fs::path contentRoot(const fs::path& script) {
    for (fs::path folder = script.parent_path(); !folder.empty() && folder != folder.root_path();
         folder = folder.parent_path()) {
        if (folder.filename() == "data") return folder.parent_path();
    }
    return script.parent_path();
}

// Messages name the script as the user gave it.
std::string asGiven(std::string text, const std::string& absolute, const std::string& given) {
    for (std::size_t at = text.find(absolute); at != std::string::npos; at = text.find(absolute, at + given.size()))
        text.replace(at, absolute.size(), given);
    return text;
}

void printEffect(const Effect& effect) {
    const std::string_view mode = drawModeName(effect.drawMode());
    std::printf("%s name=\"%s\" start=%g end=%g layer=%d mode=", std::string(effectTypeName(effect.kind())).c_str(),
                effect.name().c_str(), static_cast<double>(effect.start()), static_cast<double>(effect.end()),
                static_cast<int>(effect.layer()));
    if (mode.empty())
        std::printf("%u", static_cast<unsigned>(effect.drawMode()));
    else
        std::printf("%s", std::string(mode).c_str());
    std::printf(" visible=%s\n", effect.visibleTrack() ? "envelope" : "always");
}

int runEffects(const std::vector<std::string>& args) {
    std::string given, chart;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--chart" && i + 1 >= args.size()) return usageError("effects", "--chart needs a picture file");
        std::string error;
        if (args[i] == "--chart") chart = args[++i];
        else if (!takeOperand(args[i], given, "script", error)) return usageError("effects", error);
    }
    if (given.empty()) return usageError("effects", "no script given");
    if (!chart.empty()) chart = fs::absolute(chart).string();
    std::error_code error;
    const fs::path script = fs::absolute(resourceName(given), error);
    if (error || !fs::is_regular_file(script, error)) {
        std::fprintf(stderr, "qv3rn-tool effects: %s: no such script file\n", given.c_str());
        return 1;
    }

    // Loaders may make textures (videos) and look up programs: give them a context when one can be had.
    auto context = platform::HeadlessContext::create(64, 64);
    if (context) reportExtensions(*context);

    const fs::path previous = fs::current_path();
    fs::current_path(contentRoot(script), error);
    ImageRegistry& images = ImageRegistry::instance();
    images.registerDefaults();
    images.addSearchPath("data\\art\\");
    images.addSearchPath("data\\fnt\\");

    EffectManager manager;
    int status = 0;
    std::string failure;
    try {
        EffectScript reader(manager);
        if (!reader.loadFile(script.string())) failure = reader.failure();
    } catch (const ScriptError& raised) {
        failure = raised.located();
    } catch (const std::runtime_error& raised) {
        failure = script.string() + ": " + raised.what();
    }
    std::vector<ChartEffect> bars;
    for (const auto& effect : manager.pending()) {
        printEffect(*effect);
        bars.push_back(
            {effect->name(), effect->kind(), effect->start(), effect->end(), static_cast<int>(effect->layer())});
    }
    std::fflush(stdout);
    std::string written;
    if (failure.empty() && !chart.empty() && !writePicture(drawTimelineChart(bars), chart, written)) failure = written;
    if (!failure.empty()) {
        std::fprintf(stderr, "qv3rn-tool effects: %s\n", asGiven(failure, script.string(), given).c_str());
        status = 1;
    }

    // Effects hold shaders and images: they go first, while the context still exists.
    manager.clear();
    if (ShaderManager* shaders = ShaderManager::instance()) shaders->clear();
    images.clear();
    fs::current_path(previous, error);
    return status;
}

const ToolCommand effectsCommand{"effects", "effects <script> [--chart <timeline.png>]", runEffects};

}  // namespace
}  // namespace qv3rn::tool
