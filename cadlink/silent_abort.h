// The ways a run ends early that the CAD link reports: silently, or because of the CAD's state.
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

// The CAD of the run has gone (closed by the user): the run ends quietly, typing nowhere else.
class CadGone : public SilentAbort {
public:
    const char* what() const noexcept override { return "CAD gone"; }
};

// The CAD took none of what was typed within the time a CAD normally needs: a dialog is open in
// it or it is busy. The run tells the user so.
class CadNotTakingInput : public std::exception {
public:
    const char* what() const noexcept override { return "CAD not taking input"; }
};

} // namespace vermiq
