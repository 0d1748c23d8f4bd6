// The dialog's banner alone in a window of the dialog's size: CPU seconds of the process per
// minute of scrolling, first with the window shown, then minimised (as during every run), then
// shown again. Also used for screenshots and to compare rendering the caption on every step
// with rendering it once. To compare with an earlier version, build this program at that
// commit and run both the same way (the earlier one takes --minimised for its second figure).
// --bare runs only the step timer and its message, with nothing to move or draw: the floor
// that one message per tick costs on this system, whatever the marquee does with it.
//
//   marquee_cpu [--seconds N] [--render every|once] [--charset N] [--bare]
#include "widgets/EsMarque.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

double Seconds(const FILETIME& t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / 1e7;
}

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return Seconds(kernel) + Seconds(user);
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Dispatches messages for `seconds` of wall time.
void RunFor(double seconds) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    MSG msg;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void PrintCpu(const char* phase, double cpu, double wall) {
    std::printf("%-9s wall_s=%.1f cpu_s=%.3f cpu_s_per_min=%.3f", phase, wall, cpu,
                wall > 0 ? cpu * 60.0 / wall : 0.0);
}

// Lets the banner scroll for `seconds` of wall time; prints the process's CPU time per minute.
void Measure(const char* phase, double seconds, const vermiq::TEsScrollingMarquee& banner) {
    const double cpuStart = ProcessCpuSeconds();
    const unsigned long stepsStart = banner.StepCount(), rendersStart = banner.RenderCount();
    const ULONGLONG wallStart = GetTickCount64();
    RunFor(seconds);
    const double cpu = ProcessCpuSeconds() - cpuStart;
    const double wall = static_cast<double>(GetTickCount64() - wallStart) / 1000.0;
    PrintCpu(phase, cpu, wall);
    std::printf(" steps=%lu renders=%lu offset=%d\n", banner.StepCount() - stepsStart,
                banner.RenderCount() - rendersStart, banner.OffsetX());
    std::fflush(stdout);
}

unsigned long bareMessages = 0;

LRESULT CALLBACK BareStepProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == vermiq::StepMessage) {
        ++bareMessages;
        reinterpret_cast<vermiq::MultimediaTimer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))
            ->StepTaken();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The marquee's timer at the dialog's period, posting to a window that only takes the message.
int MeasureBare(double seconds) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = BareStepProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VermiqBareStep";
    RegisterClassExW(&wc);
    HWND target = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
    if (!target) throw std::runtime_error("step window not created");
    vermiq::MultimediaTimer timer;
    SetWindowLongPtrW(target, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&timer));
    const unsigned period = vermiq::StepIntervalForSpeed(5);
    if (!timer.Start(period, period, target)) throw std::runtime_error("timer not started");
    const double cpuStart = ProcessCpuSeconds();
    const ULONGLONG wallStart = GetTickCount64();
    RunFor(seconds);
    const double cpu = ProcessCpuSeconds() - cpuStart;
    timer.Stop();
    PrintCpu("bare", cpu, static_cast<double>(GetTickCount64() - wallStart) / 1000.0);
    std::printf(" period_ms=%u messages=%lu\n", period, bareMessages);
    DestroyWindow(target);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    double seconds = 60;
    bool everyStep = false;
    int charset = SHIFTJIS_CHARSET;
    bool bare = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--render") && i + 1 < argc)
            everyStep = !std::strcmp(argv[++i], "every");
        else if (!std::strcmp(argv[i], "--charset") && i + 1 < argc) charset = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--bare")) bare = true;
        else {
            std::fprintf(stderr, "usage: marquee_cpu [--seconds N] [--render every|once] "
                                 "[--charset N] [--bare]\n");
            return 2;
        }
    }
    try {
        if (bare) return MeasureBare(seconds);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = L"VermiqBannerHost";
        RegisterClassExW(&wc);
        // The dialog's frame: client 241 x 138, dialog border, always on top, centred.
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
        RECT frame{0, 0, 241, 138};
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
        const int w = frame.right - frame.left, h = frame.bottom - frame.top;
        HWND host = CreateWindowExW(exStyle, wc.lpszClassName, L"Vermiq banner", style,
                                    (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                                    (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, nullptr, nullptr,
                                    wc.hInstance, nullptr);
        if (!host) throw std::runtime_error("host window not created");

        vermiq::TEsScrollingMarquee banner;
        banner.SetCaption("選択した要素の辺長値をクリックした位置に描画します");
        vermiq::TEsFont font;
        font.Name = "Times New Roman";
        font.Height = -27;
        font.Charset = static_cast<std::uint8_t>(charset);
        font.Color = vermiq::es_colors::clGray;
        banner.SetFont(font);
        banner.SetAlignment(vermiq::TAlignment::taLeftJustify);
        banner.SetScrollSpeed(5);
        banner.RenderOnEveryStep = everyStep;
        banner.CreateHandle(host, 8, 8, 225, 35);
        ShowWindow(host, SW_SHOWNORMAL);
        UpdateWindow(host);
        banner.SetActive(true);

        std::printf("font: asked for \"%s\", got \"%s\"; render=%s caption=%dx%d period_ms=%u\n",
                    banner.Font().Name.c_str(), banner.RealizedFontName().c_str(),
                    everyStep ? "every" : "once", banner.CaptionWidth(), banner.CaptionHeight(),
                    banner.StepInterval());
        std::fflush(stdout);
        Measure("shown", seconds, banner);
        ShowWindow(host, SW_MINIMIZE);
        Measure("minimised", seconds, banner);
        ShowWindow(host, SW_RESTORE);
        Measure("restored", std::min(seconds, 5.0), banner);
        DestroyWindow(host);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "marquee_cpu: %s\n", e.what());
        return 1;
    }
}
