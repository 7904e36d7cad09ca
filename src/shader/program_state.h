// program_state.h -- the GPU-program states ("Vertex {" and "Fragment {" blocks) that bind a named program.
#pragma once

#include <GL/gl.h>

#include <istream>
#include <string>

#include "shader/render_state.h"

namespace qv3rn {

class Shader;
class ShaderScriptLoader;

// Binds an ARB program of one stage while the shader is applied. Does nothing where the driver lacks the
// stage's extension. Has no text form: programs are written by whoever writes the program blocks.
class ProgramState : public RenderState {
public:
    void apply() override;
    void restore() override;

    bool enabled = false;
    GLuint program = 0;        // 0 when the named program was not defined before the shader
    std::string programName;  // as the "Name" line gave it, for writing whole scripts back

protected:
    ProgramState(RenderStateKind kind, GLenum target, const bool& available)
        : RenderState(kind), target_(target), available_(available) {}

private:
    GLenum target_;
    const bool& available_;  // the stage's extension flag
};

class VertexProgramState : public ProgramState {
public:
    VertexProgramState();
};

class FragmentProgramState : public ProgramState {
public:
    FragmentProgramState();
};

// "Vertex {" / "Fragment {": the "Name" line looks the program up (compiling it on first use).
bool readVertexBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader);
bool readFragmentBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader);

}  // namespace qv3rn
