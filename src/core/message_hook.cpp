// message_hook.cpp -- the installed message box, or standard error.
#include "core/message_hook.h"

#include <cstdio>

#include "core/log.h"
#include "platform/window_system.h"

namespace qv3rn {

namespace {

MessageHook& installedHook() {
    static MessageHook hook;
    return hook;
}

}  // namespace

void setMessageHook(MessageHook hook) { installedHook() = std::move(hook); }

void showMessage(const std::string& caption, const std::string& text) {
    logger().writeLine(caption + ": " + text);
    if (const MessageHook& hook = installedHook())
        hook(caption, text);
    else
        platform::writeMessageBox(stderr, caption, text);
}

ScopedMessageHook::ScopedMessageHook(MessageHook hook) : previous_(std::move(installedHook())) {
    installedHook() = std::move(hook);
}

ScopedMessageHook::~ScopedMessageHook() { installedHook() = std::move(previous_); }

}  // namespace qv3rn
