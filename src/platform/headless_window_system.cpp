// headless_window_system.cpp -- the window as a pbuffer of a surfaceless EGL context; signals ask it to close.
#include "platform/headless_window_system.h"

#include <EGL/egl.h>
#include <GL/gl.h>

#include <csignal>  // Required for: sigaction, SIGINT, SIGTERM
#include <cstring>

#include "platform/pixel_format.h"
#include "platform/wgl.h"

namespace qv3rn::platform {

namespace {

volatile std::sig_atomic_t closeRequested = 0;
struct sigaction previousInt {};
struct sigaction previousTerm {};

void onTerminationSignal(int) { closeRequested = 1; }

void* eglProc(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }

}  // namespace

HeadlessWindowSystem::~HeadlessWindowSystem() {
    releaseContext();
    restoreSignals();
}

const char* HeadlessWindowSystem::glExtensions() const {
    if (!context_) return "";
    const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return extensions ? extensions : "";
}

void* HeadlessWindowSystem::getProcAddress(const char* name) const {
    if (std::strncmp(name, "wgl", 3) == 0)
        if (void* function = wglProcAddress(name)) return function;
    return eglProc(name);
}

bool HeadlessWindowSystem::initialize() {
    if (!signalsInstalled_) {
        closeRequested = 0;
        struct sigaction action {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;  // the second signal ends the process the usual way
        sigaction(SIGINT, &action, &previousInt);
        sigaction(SIGTERM, &action, &previousTerm);
        signalsInstalled_ = true;
    }
    return true;
}

void HeadlessWindowSystem::restoreSignals() {
    if (!signalsInstalled_) return;
    sigaction(SIGINT, &previousInt, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
    signalsInstalled_ = false;
}

bool HeadlessWindowSystem::displayMode(int, DisplayMode&) const { return false; }

bool HeadlessWindowSystem::changeDisplayMode(const DisplayMode&, bool) {
    lastError_ = "no display to change the mode of";
    return false;
}

std::optional<ModeDialogResult> HeadlessWindowSystem::runModeDialog(const ModeDialogContent&) {
    return std::nullopt;
}

void HeadlessWindowSystem::messageBox(const std::string& caption, const std::string& text, BoxIcon) {
    writeMessageBox(stderr, caption, text);
}

bool HeadlessWindowSystem::createWindow(const WindowDesc& desc) {
    window_ = desc;
    hasWindow_ = true;
    return true;
}

bool HeadlessWindowSystem::choosePixelFormat(const PixelFormat& format) {
    format_ = format;
    return true;
}

bool HeadlessWindowSystem::setPixelFormat() {
    formatSet_ = hasWindow_;
    return formatSet_;
}

bool HeadlessWindowSystem::createContext() {
    if (!formatSet_) return false;
    // EGL has no accumulation buffers: candidates that differ only in them are the same request here.
    std::optional<PixelFormat> tried;
    for (PixelFormat candidate : formatCandidates(format_)) {
        candidate.accumBits = 0;
        if (tried && tried->colorBits == candidate.colorBits && tried->depthBits == candidate.depthBits &&
            tried->stencilBits == candidate.stencilBits)
            continue;
        tried = candidate;
        ContextBits bits;
        bits.color = candidate.colorBits;
        bits.depth = candidate.depthBits;
        bits.stencil = candidate.stencilBits;
        context_ = HeadlessContext::create(window_.width, window_.height, bits, &lastError_);
        if (context_) {
            contextFormat_ = candidate;
            return true;
        }
    }
    return false;
}

bool HeadlessWindowSystem::makeCurrent() {
    if (!context_ || !context_->makeCurrent()) {
        lastError_ = "eglMakeCurrent failed";
        return false;
    }
    current_ = context_.get();
    WindowSystemHooks hooks;
    hooks.glProcAddress = eglProc;
    hooks.currentContext = [this] { return static_cast<WglContext>(current_); };
    hooks.createSharedContext = [this] { return createSharedContext(); };
    hooks.makeCurrent = [this](WglContext context) { return makeContextCurrent(context); };
    hooks.deleteContext = [this](WglContext context) { deleteSharedContext(context); };
    installWindowSystem(hooks);
    return true;
}

void* HeadlessWindowSystem::createSharedContext() {
    if (!context_) return nullptr;
    auto shared = context_->createShared(window_.width, window_.height, &lastError_);
    if (!shared) return nullptr;
    sharedContexts_.push_back(std::move(shared));
    return sharedContexts_.back().get();
}

bool HeadlessWindowSystem::makeContextCurrent(void* context) {
    HeadlessContext* target = nullptr;
    if (context == context_.get()) target = context_.get();
    for (const auto& shared : sharedContexts_)
        if (shared.get() == context) target = shared.get();
    if (!target || !target->makeCurrent()) return false;
    current_ = target;
    return true;
}

void HeadlessWindowSystem::deleteSharedContext(void* context) {
    // The window's own context belongs to the shell (releaseContext); only contexts made here are deleted.
    for (auto at = sharedContexts_.begin(); at != sharedContexts_.end(); ++at) {
        if (at->get() != context) continue;
        if (current_ == context) makeContextCurrent(context_.get());
        sharedContexts_.erase(at);
        return;
    }
}

void HeadlessWindowSystem::clientSize(int& width, int& height) const {
    width = window_.width;
    height = window_.height;
}

void HeadlessWindowSystem::swapBuffers() {
    if (context_) context_->swapBuffers();
}

void HeadlessWindowSystem::releaseContext() {
    if (!context_) return;
    installWindowSystem({});
    context_->releaseCurrent();
    sharedContexts_.clear();
    context_.reset();
    current_ = nullptr;
}

void HeadlessWindowSystem::destroyWindow() {
    releaseContext();
    hasWindow_ = false;
    formatSet_ = false;
}

bool HeadlessWindowSystem::pollEvent(Event& event) {
    if (closeRequested) {
        closeRequested = 0;
        event = Event{};
        event.type = EventType::Close;
        return true;
    }
    return takePosted(event);
}

}  // namespace qv3rn::platform
