// The ways a run ends early that the CAD link reports: silently, or because of the CAD's state.
#pragma once

#include <exception>

namespace vermiq {

// Raised where the run must end without a message (the dialog closed during a wait). The
// dialog's handler boundary catches it before the error box does and swallows it; nothing else
// should catch it.
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

// The CAD answered no message for CadLink::NotAnsweringMs: it is hung, or busy past all
// reason. What was sent to it is taken up once it answers again. The run tells the user so.
class CadNotAnswering : public std::exception {
public:
    const char* what() const noexcept override { return "CAD not answering"; }
};

// The history could not be copied within CadLink::HistoryRetryMs: another program held the
// clipboard, or the CAD's copy placed nothing. The run tells the user so.
class HistoryUnavailable : public std::exception {
public:
    const char* what() const noexcept override { return "history unavailable"; }
};

} // namespace vermiq
