// effect_script.cpp -- fuzzes the effect script reader with every registered effect type: the text is read into a
// timeline, whose effects are then initialised, stepped through a few demo times and destroyed.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/archive.h"
#include "data/archive_writer.h"
#include "data/memory_stream.h"
#include "effects/effect_manager.h"
#include "effects/effect_script.h"
#include "effects/scene_registry.h"

namespace {

using namespace qv3rn;

// Includes are found in a small archive: one ordinary script and one that includes itself. Names the archive lacks
// are looked for on disk, as the reader does; the working folder is left alone, since the fuzzer's corpus paths
// are relative to it.
std::shared_ptr<Archive> includeArchive() {
    static std::shared_ptr<Archive> archive = [] {
        namespace fs = std::filesystem;
        const fs::path folder = fs::temp_directory_path() / "qv3rn_fuzz_effect_script";
        fs::create_directories(folder);
        const fs::path path = folder / "includes.dat";
        const std::string plain =
            "Flash {\nName \"inc\"\nStart 0\nEnd 2\nColor 1 0 0 1\nAlpha {\n{ Envelope\n1\nKey 1 0 0 0 0 0 0 0 0 0\n"
            "Behaviors 1 1\n}\n}\n}\n";
        const std::string loop = "Include \"loop.effect\"\n";
        ArchiveWriter writer;
        writer.create(path.string(), "");
        writer.addData("inc.effect", std::vector<std::uint8_t>(plain.begin(), plain.end()));
        writer.addData("loop.effect", std::vector<std::uint8_t>(loop.begin(), loop.end()));
        writer.commit();
        auto opened = std::make_shared<Archive>();
        if (!opened->open(path.string(), "none")) std::abort();
        return opened;
    }();
    return archive;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::shared_ptr<Archive> archive = includeArchive();
    SceneRegistry scenes;  // the scenes the scene effects load go with each input
    EffectManager manager;
    try {
        EffectScript script(manager);
        script.setArchive(archive);
        MemoryStream stream(data, size);
        const bool parsed = script.parse(stream);
        if (!parsed && script.failure().empty()) std::abort();  // a failure always says why
        if (parsed && !script.failure().empty()) std::abort();
    } catch (const std::runtime_error&) {
        // Script errors are part of the format; what was added before the error stays in the manager.
    }
    try {
        manager.initAll();
    } catch (const std::runtime_error&) {
        // A scene effect raises the errors of the scene and shader scripts it reads.
    }
    for (const float time : {0.0f, 0.5f, 1.0f, 2.0f, 10.0f, 1000.0f}) manager.update(time);
    manager.clear();
    return 0;
}
