// gpu_program_list.h -- the ARB programs of one stage, kept by name and compiled on their first lookup.
#pragma once

#include <GL/gl.h>

#include <string>
#include <string_view>
#include <vector>

namespace qv3rn {

struct GpuProgram {
    std::string name;
    std::string text;  // the whole program text handed to the driver
    GLuint id = 0;     // 0 until compiled
    std::string origin;  // where the text was read ("file:line" of its first line), for the compiler's errors
};

class GpuProgramList {
public:
    // `target` is GL_VERTEX_PROGRAM_ARB or GL_FRAGMENT_PROGRAM_ARB, `available` the stage's extension flag and
    // `caption` the caption of the error box ("VERTEX PROGRAM" / "FRAGMENT PROGRAM").
    GpuProgramList(GLenum target, const bool& available, const char* caption)
        : target_(target), available_(available), caption_(caption) {}
    ~GpuProgramList() = default;
    GpuProgramList(const GpuProgramList&) = delete;
    GpuProgramList& operator=(const GpuProgramList&) = delete;

    // Stores the program when the extension is available, the name is not empty and no program of this name
    // is stored yet; false otherwise (the first text of a name stays). `origin` says where the text was read.
    bool add(std::string name, std::string text, std::string origin = {});

    // The driver's id of the program called `name`, compiled now if it was not yet; 0 when the extension is
    // missing or no program has this name. A program the driver refuses shows one error box, at its first
    // lookup, with its origin and the driver's message, and keeps its id.
    GLuint find(std::string_view name);

    // Deletes every compiled program from the driver and forgets them all.
    void clear();

    const std::vector<GpuProgram>& programs() const { return programs_; }

private:
    void compile(GpuProgram& program);

    GLenum target_;
    const bool& available_;
    const char* caption_;
    std::vector<GpuProgram> programs_;
};

}  // namespace qv3rn
