// The silent end of a run: the run stops at once and the user sees no message.
#pragma once

#include <exception>

namespace vermiq {

// Raised where the run must end without a message (the clipboard could not be used while the
// history was read). The dialog's handler boundary catches it before the error box does and
// swallows it; nothing else should catch it.
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "silent abort"; }
};

} // namespace vermiq
