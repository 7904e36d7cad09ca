// window_system.cpp -- what both back ends share: the posted-event queue, the clock and the text message box.
#include "platform/window_system.h"

#include "platform/clock.h"
#include "platform/headless_window_system.h"
#include "platform/sdl_window_system.h"

namespace qv3rn::platform {

void WindowSystem::postQuit(int exitCode) { quitCode_ = exitCode; }

bool WindowSystem::takePosted(Event& event) {
    if (!posted_.empty()) {
        event = posted_.front();
        posted_.pop_front();
        return true;
    }
    if (quitCode_) {
        event = Event{};
        event.type = EventType::Quit;
        event.exitCode = *quitCode_;
        quitCode_.reset();
        return true;
    }
    return false;
}

std::int64_t WindowSystem::readCounter() const { return platform::readCounter(); }

std::int64_t WindowSystem::counterFrequency() const { return platform::counterFrequency(); }

std::unique_ptr<WindowSystem> createWindowSystem(Backend backend) {
    if (backend == Backend::Headless) return std::make_unique<HeadlessWindowSystem>();
    return std::make_unique<SdlWindowSystem>();
}

void writeMessageBox(std::FILE* stream, const std::string& caption, const std::string& text) {
    if (caption.empty())
        std::fprintf(stream, "%s\n", text.c_str());
    else
        std::fprintf(stream, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stream);
}

}  // namespace qv3rn::platform
