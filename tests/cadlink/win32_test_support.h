// What the Windows tests of the CAD link share: a waiter that sleeps for real and pumps.
#pragma once

#include <windows.h>

#include "cadlink/desktop.h"

namespace vermiq::test {

// The tool's own wait between polls: a real sleep, then this thread's pending messages.
class PumpingWaiter final : public Waiter {
public:
    void Sleep(int milliseconds) override { ::Sleep(static_cast<DWORD>(milliseconds)); }
    std::int64_t Milliseconds() override { return static_cast<std::int64_t>(GetTickCount64()); }
    void ProcessMessages() override {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
};

} // namespace vermiq::test
