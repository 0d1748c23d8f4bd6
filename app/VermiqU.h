// The tool dialog: its layout, its settings, and the handlers the user reaches through it.
#pragma once
#ifndef _WIN32
#error "Win32 adapters only"
#endif
#include <windows.h>

#include <memory>
#include <string>

#include "app/run.h"
#include "cadlink/cad_link.h"
#include "cadlink/win32_desktop.h"
#include "common/win32_raii.h"
#include "dxf/entity_tables.h"
#include "widgets/EsMarque.h"
#include "widgets/plButton.h"

namespace vermiq {

class TVermiqF : private RunHost, private Waiter {
public:
    // Creates the dialog from its layout and runs `FormCreate`; the dialog is then shown.
    static std::unique_ptr<TVermiqF> Create(HINSTANCE instance);

    HWND Handle() const { return hwnd_; }

    // Runs the message loop until the dialog is closed; returns the exit code.
    int RunMessageLoop();

    // What the measure-and-label run reads and sets.
    std::string Edit1Text() override;
    int ComboBox2Index() override;
    bool CheckBox1Checked() override;
    void SetMinimised(bool minimised) override;
    // Lets the dialog process what is pending in its queue, as between two polls of a run;
    // ends the run (silently) when the user has closed the dialog meanwhile.
    void ProcessMessages() override;

    const std::string& WorkFolder() const { return workFolder_; }
    const std::string& WorkBaseName() const { return workBaseName_; }

private:
    explicit TVermiqF(HINSTANCE instance) : instance_(instance) {}
    TVermiqF(const TVermiqF&) = delete;
    TVermiqF& operator=(const TVermiqF&) = delete;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    HWND AddControl(const wchar_t* windowClass, const wchar_t* caption, DWORD style, int id,
                    int left, int top, int width, int height, HFONT font);
    int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }
    bool IsDialogKeyMessage(MSG& msg);

    void FormCreate();
    void FormClose();
    // The options live in the system menu as check items below a separator.
    void AddOptionItems();
    bool ToggleOption(unsigned command);
    void Button3Click();
    void Button5Click();
    void RequestClose();

    // The rest of what the run asks of the dialog and the machine.
    void SetRunInProgress(bool running) override;
    LabelOptions LabelOptionsInUse() override { return options_; }
    bool FileExists(const std::string& path) override;
    void RemoveFile(const std::string& path) override;
    FileStamp StampFile(const std::string& path) override;
    bool ClaimRun() override;
    void ReleaseRun() override;
    void Sleep(int milliseconds) override;
    std::int64_t Milliseconds() override { return static_cast<std::int64_t>(GetTickCount64()); }

    // Runs a handler at the window procedure's boundary: errors go to the error box, a silent
    // abort ends quietly, nothing escapes into the system's code.
    template <class F>
    void Guarded(F&& handler);

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    win32::GdiObject<HFONT> font_;
    std::unique_ptr<TEsScrollingMarquee> EsScrollingMarquee1;
    std::unique_ptr<TplButton> plButton1_;
    std::unique_ptr<TplButton> plButton2_;
    std::string workFolder_;
    std::string workBaseName_;
    // The process-wide state of the CAD link and of the DXF reader live with the dialog,
    // which lives as long as the process.
    Win32Desktop desktop_;
    CadLink cadLink_{desktop_, *this};
    EntityTables entityTables_;
    LabelOptions options_;
    // Held by whichever instance of the tool on this desktop is running a pass; every instance
    // opens the same one.
    win32::KernelHandle runMutex_{CreateMutexW(nullptr, FALSE, L"Local\\Tallomir.Vermiq.Run")};
    bool runInProgress_ = false;
    bool closeRequested_ = false;
};

} // namespace vermiq
