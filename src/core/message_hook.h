// message_hook.h -- the error boxes of code below the application (image decoders, GPU programs), routed to
// whoever can show them.
#pragma once

#include <functional>
#include <string>

namespace qv3rn {

// Shows a box with a caption, a text and one OK button. The running application connects its window system
// here; an empty hook puts the default back.
using MessageHook = std::function<void(const std::string& caption, const std::string& text)>;

void setMessageHook(MessageHook hook);

// Logs "caption: text" and shows it through the installed hook, or on standard error when none is installed.
// Never waits for anyone in an unattended run: the hook's window system decides that.
void showMessage(const std::string& caption, const std::string& text);

// Installs `hook` for the lifetime of the object and puts the previous one back afterwards.
class ScopedMessageHook {
public:
    explicit ScopedMessageHook(MessageHook hook);
    ~ScopedMessageHook();
    ScopedMessageHook(const ScopedMessageHook&) = delete;
    ScopedMessageHook& operator=(const ScopedMessageHook&) = delete;

private:
    MessageHook previous_;
};

}  // namespace qv3rn
