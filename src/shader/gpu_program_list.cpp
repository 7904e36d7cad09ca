// gpu_program_list.cpp -- storing, compiling and deleting the ARB programs of one stage.
#include "shader/gpu_program_list.h"

#include "core/message_hook.h"
#include "gl/extensions.h"

namespace qv3rn {

bool GpuProgramList::add(std::string name, std::string text, std::string origin) {
    if (!available_ || name.empty() || find(name) != 0) return false;
    programs_.push_back(GpuProgram{std::move(name), std::move(text), 0, std::move(origin)});
    return true;
}

GLuint GpuProgramList::find(std::string_view name) {
    if (!available_) return 0;
    for (GpuProgram& program : programs_) {
        if (program.name != name) continue;
        if (program.id == 0) compile(program);
        return program.id;
    }
    return 0;
}

void GpuProgramList::compile(GpuProgram& program) {
    glGetError();  // a pending error must not be taken for this program's
    glGenProgramsARB(1, &program.id);
    glBindProgramARB(target_, program.id);
    glEnable(target_);
    glProgramStringARB(target_, GL_PROGRAM_FORMAT_ASCII_ARB, static_cast<GLsizei>(program.text.size()),
                       program.text.data());
    glDisable(target_);
    if (glGetError() != GL_NO_ERROR) {
        const auto* error = reinterpret_cast<const char*>(glGetString(GL_PROGRAM_ERROR_STRING_ARB));
        const std::string driver = error ? error : "";
        showMessage(caption_, program.origin.empty()
                                  ? driver
                                  : program.origin + ": program \"" + program.name + "\": " + driver);
    }
}

void GpuProgramList::clear() {
    if (available_) {
        for (GpuProgram& program : programs_)
            if (program.id != 0) glDeleteProgramsARB(1, &program.id);
    }
    programs_.clear();
}

}  // namespace qv3rn
