// shaders_command.cpp -- "qv3rn-tool shaders": reads a shader script with its images in a headless context and
// writes every image, program and shader back as script text.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>

#include "data/resource_reader.h"
#include "data/script_error.h"
#include "gl/extensions.h"
#include "platform/headless_context.h"
#include "shader/image_registry.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"
#include "shader/shader_script_writer.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

namespace fs = std::filesystem;

// The folder the script's paths are relative to: the one holding the "data" folder the script lies in
// (content/data/shader/demo.shader gives content), or the script's own folder.
fs::path scriptRoot(const fs::path& script) {
    for (fs::path folder = script.parent_path(); !folder.empty() && folder != folder.root_path();
         folder = folder.parent_path()) {
        if (folder.filename() == "data") return folder.parent_path();
    }
    return script.parent_path();
}

int scriptError(const std::string& file, int line, const std::string& message) {
    if (line > 0)
        std::fprintf(stderr, "qv3rn-tool shaders: %s:%d: %s\n", file.c_str(), line, message.c_str());
    else
        std::fprintf(stderr, "qv3rn-tool shaders: %s: %s\n", file.c_str(), message.c_str());
    return 1;
}

int runShaders(const std::vector<std::string>& args) {
    if (args.size() != 1) return usageError("shaders", args.empty() ? "no script given" : "one script at a time");
    const std::string& given = args[0];
    std::error_code error;
    const fs::path script = fs::absolute(resourceName(given), error);
    if (error || !fs::is_regular_file(script, error)) return scriptError(given, 0, "no such script file");

    std::string contextError;
    auto context = platform::HeadlessContext::create(64, 64, {}, &contextError);
    if (!context) {
        std::fprintf(stderr, "qv3rn-tool shaders: no OpenGL context: %s\n", contextError.c_str());
        return 1;
    }
    reportExtensions(*context);

    // Includes name paths from the root, as the demo does from its own folder.
    const fs::path root = scriptRoot(script);
    const fs::path previous = fs::current_path();
    fs::current_path(root, error);
    ImageRegistry& images = ImageRegistry::instance();
    images.registerDefaults();
    images.addSearchPath((root / "data" / "art").string() + "/");
    images.addSearchPath((root / "data" / "fnt").string() + "/");
    images.addSearchPath(script.parent_path().string() + "/");
    ShaderManager& shaders = *ShaderManager::instance();

    int status = 0;
    try {
        ShaderScriptLoader loader(shaders);
        if (loader.load(script.string()))
            writeShaderScript(std::cout, images, shaders);
        else
            status = scriptError(given, 0, "the script did not load: " + loader.failure());
    } catch (const ScriptError& failure) {
        const std::string file = failure.file() == script.string() ? given : failure.file();
        status = scriptError(file, failure.line(), failure.what());
    } catch (const std::runtime_error& failure) {
        status = scriptError(given, 0, failure.what());
    }
    std::cout.flush();
    // Shaders hold their images: they go first, while the context still exists.
    shaders.clear();
    images.clear();
    fs::current_path(previous, error);
    return status;
}

const ToolCommand shadersCommand{"shaders", "shaders <script>", runShaders};

}  // namespace
}  // namespace qv3rn::tool
