// shader_manager.h -- the process-wide list of shaders and GPU programs, found by name, and the demo time of the
// frame they draw.
#pragma once

#include <GL/gl.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "shader/gpu_program_list.h"
#include "shader/ref_counted.h"
#include "shader/shader.h"

namespace qv3rn {

using ShaderHandle = Handle<Shader>;

// Owns every shader made by a script or by other subsystems, in creation order, holding one reference on each,
// and the ARB vertex and fragment programs of the scripts.
class ShaderManager {
public:
    ShaderManager();   // becomes the current instance
    ~ShaderManager();  // destroys what is left (see clear) and hands the current role back; the process's
                       // manager must be cleared before exit instead, while the context exists
    ShaderManager(const ShaderManager&) = delete;
    ShaderManager& operator=(const ShaderManager&) = delete;

    // The manager of the process (constructed before main), or a test's own while it exists.
    static ShaderManager* instance();

    // Takes the shader over, with one reference, at the end of the list; false for a null shader. Names need
    // not be unique.
    bool add(std::unique_ptr<Shader> shader);

    // A counted handle to the first shader, in creation order, whose name equals `name` exactly; null when
    // there is none. Give it back with release.
    ShaderHandle find(std::string_view name);

    // Gives a handle's reference back and clears the handle (null handles are ignored). When only the
    // manager's own reference is left, the manager lets the shader go too: it is unlisted and destroyed.
    void release(ShaderHandle& handle);

    // Destroys every shader, whatever handles are still out, and deletes every compiled program.
    void clear();

    const std::vector<Shader*>& shaders() const { return shaders_; }

    // The demo time of the frame being drawn, in seconds: set by the step that moves the show (advanceShow) before
    // the frame's update, read by the animated render states (transparency envelopes, texture matrices) whenever
    // a shader applies them. 0 until the show first moves.
    void setFrameTime(float time) { frameTime_ = time; }
    float frameTime() const { return frameTime_; }
    // The current manager's frame time (0 when there is none).
    static float currentFrameTime();

    // GPU programs by exact name; a lookup compiles the program the first time. 0: no such program, or the
    // driver lacks the stage's extension.
    GLuint findVertexProgram(std::string_view name) { return vertexPrograms_.find(name); }
    GLuint findFragmentProgram(std::string_view name) { return fragmentPrograms_.find(name); }
    // Stores a program unless the extension is missing, the name is empty or already taken; `origin` ("file:line"
    // of the text's first line) goes into the compiler's error box.
    bool addVertexProgram(std::string name, std::string text, std::string origin = {}) {
        return vertexPrograms_.add(std::move(name), std::move(text), std::move(origin));
    }
    bool addFragmentProgram(std::string name, std::string text, std::string origin = {}) {
        return fragmentPrograms_.add(std::move(name), std::move(text), std::move(origin));
    }
    const std::vector<GpuProgram>& vertexPrograms() const { return vertexPrograms_.programs(); }
    const std::vector<GpuProgram>& fragmentPrograms() const { return fragmentPrograms_.programs(); }

private:
    ShaderManager* previous_ = nullptr;
    std::vector<Shader*> shaders_;
    GpuProgramList vertexPrograms_;
    GpuProgramList fragmentPrograms_;
    float frameTime_ = 0.0f;
};

// Gives `handle` back to the current manager, or only drops it when the manager has already gone (a holder
// destroyed after the show's shaders were cleared).
void releaseShader(ShaderHandle& handle);

}  // namespace qv3rn
