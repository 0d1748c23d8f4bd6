// The dialog "表示の設定", built from an in-memory template so that the system's dialog manager
// gives it a dialog's keyboard: Tab order, Enter for OK, Esc for キャンセル.
#include "app/settings_dialog.h"

#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/drawing_conventions.h"
#include "app/error_text.h"
#include "common/win32_text.h"

namespace vermiq {
namespace {

// A DLGTEMPLATE with its items, laid out in dialog units, which the system scales with the
// font and so with the screen's density.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, DWORD exStyle, short cx, short cy, const wchar_t* title, WORD points,
                   const wchar_t* font) {
        Add(LOWORD(style), HIWORD(style), LOWORD(exStyle), HIWORD(exStyle));
        countAt_ = words_.size();
        Add(0, 0, 0, static_cast<WORD>(cx), static_cast<WORD>(cy)); // item count, x, y, cx, cy
        Add(0, 0);                                                     // no menu, default class
        Text(title);
        Add(points);
        Text(font);
    }

    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD windowClass, const wchar_t* text) {
        while (words_.size() % 2) words_.push_back(0); // each item starts on a DWORD
        style |= WS_CHILD | WS_VISIBLE;
        Add(LOWORD(style), HIWORD(style), 0, 0);
        Add(static_cast<WORD>(x), static_cast<WORD>(y), static_cast<WORD>(cx), static_cast<WORD>(cy), id);
        Add(0xFFFF, windowClass);
        Text(text);
        Add(0); // no creation data
        ++words_[countAt_];
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    template <class... W>
    void Add(W... words) { (words_.push_back(static_cast<WORD>(words)), ...); }
    void Text(const wchar_t* text) {
        for (; *text; ++text) words_.push_back(static_cast<WORD>(*text));
        words_.push_back(0);
    }

    std::vector<WORD> words_;
    std::size_t countAt_ = 0;
};

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;

std::wstring ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The text in code page 932, or nothing when a character has no form there.
bool ToCodePage(const std::wstring& wide, std::string& ansi) {
    ansi = win32::Narrow(wide);
    return win32::Widen(ansi) == wide;
}

std::wstring Trimmed(const std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return {};
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

void ShowAreaUnit(HWND dialog) {
    std::string unit;
    ToCodePage(Trimmed(ItemText(dialog, ids::SettingsUnit)), unit);
    SetDlgItemTextW(dialog, ids::SettingsAreaUnit, win32::Widen("面積の単位: " + AreaUnit(unit)).c_str());
}

// Refuses the value of one field: the message, then the field again with its text selected.
void Refuse(HWND dialog, int id, const char* message) {
    MessageBoxW(dialog, win32::Widen(message).c_str(), win32::Widen(kAppTitle).c_str(), MB_OK | MB_ICONWARNING);
    HWND field = GetDlgItem(dialog, id);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
    SendMessageW(field, EM_SETSEL, 0, -1);
}

// What the dialog edits.
struct Edited {
    DisplayUnits units;
    std::string layer;
};

bool Accept(HWND dialog, Edited& edited) {
    std::string factorText, unit;
    std::optional<double> factor;
    if (ToCodePage(ItemText(dialog, ids::SettingsFactor), factorText)) factor = FactorFromText(factorText);
    if (!factor) {
        Refuse(dialog, ids::SettingsFactor, kFactorRefused);
        return false;
    }
    if (!ToCodePage(Trimmed(ItemText(dialog, ids::SettingsUnit)), unit) || !IsUnitText(unit)) {
        Refuse(dialog, ids::SettingsUnit, kUnitRefused);
        return false;
    }
    std::string layer;
    if (!ToCodePage(Trimmed(ItemText(dialog, ids::SettingsLayer)), layer) ||
        (!layer.empty() && !IsLabelLayerName(layer))) {
        Refuse(dialog, ids::SettingsLayer, kLayerRefused);
        return false;
    }
    edited = {{*factor, unit}, layer};
    return true;
}

void CentreOver(HWND dialog, HWND owner) {
    RECT box, over;
    GetWindowRect(dialog, &box);
    if (!owner || IsIconic(owner) || !GetWindowRect(owner, &over)) return;
    const int width = box.right - box.left, height = box.bottom - box.top;
    SetWindowPos(dialog, nullptr, (over.left + over.right - width) / 2, (over.top + over.bottom - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        auto* edited = reinterpret_cast<Edited*>(GetWindowLongPtrW(dialog, DWLP_USER));
        switch (message) {
        case WM_INITDIALOG: {
            edited = reinterpret_cast<Edited*>(lParam);
            const DisplayUnits* units = &edited->units;
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            SendDlgItemMessageW(dialog, ids::SettingsFactor, EM_SETLIMITTEXT, 40, 0);
            SendDlgItemMessageW(dialog, ids::SettingsUnit, EM_SETLIMITTEXT, kMaxUnitBytes, 0);
            SetDlgItemTextW(dialog, ids::SettingsFactor, win32::Widen(FactorText(units->factor)).c_str());
            SetDlgItemTextW(dialog, ids::SettingsUnit, win32::Widen(units->unit).c_str());
            SendDlgItemMessageW(dialog, ids::SettingsLayer, EM_SETLIMITTEXT, 255, 0);
            SetDlgItemTextW(dialog, ids::SettingsLayer, win32::Widen(edited->layer).c_str());
            ShowAreaUnit(dialog);
            CentreOver(dialog, GetWindow(dialog, GW_OWNER));
            SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            return TRUE; // the focus goes to the first field, its text selected
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
            case IDOK:
                if (Accept(dialog, *edited)) EndDialog(dialog, IDOK);
                return TRUE;
            case IDCANCEL:
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            case ids::SettingsUnit:
                if (HIWORD(wParam) == EN_CHANGE) ShowAreaUnit(dialog);
                return TRUE;
            }
            break;
        }
    } catch (...) {
        // Nothing crosses into the system's code; the dialog stays as it was.
    }
    return FALSE;
}

} // namespace

bool ShowDisplaySettings(HWND owner, DisplayUnits& units, std::string& layer) {
    DialogTemplate t(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                     WS_EX_TOPMOST | WS_EX_DLGMODALFRAME, 200, 110, win32::Widen(kDisplaySettingsTitle).c_str(), 9,
                     L"ＭＳ Ｐゴシック");
    // Creation order is the tab order: each label comes before its field, so that its access
    // key reaches the field.
    t.Item(SS_LEFT, 7, 9, 50, 8, ids::SettingsFactorLabel, kStatic, L"倍率(&F):");
    t.Item(WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 60, 7, 60, 12, ids::SettingsFactor, kEdit, L"");
    t.Item(SS_LEFT, 126, 9, 68, 8, ids::SettingsFactorNote, kStatic, L"長さに掛ける数");
    t.Item(SS_LEFT, 7, 27, 50, 8, ids::SettingsUnitLabel, kStatic, L"単位(&U):");
    t.Item(WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 60, 25, 60, 12, ids::SettingsUnit, kEdit, L"");
    t.Item(SS_LEFT, 126, 27, 68, 8, ids::SettingsAreaUnit, kStatic, L"");
    t.Item(SS_LEFT, 7, 45, 50, 8, ids::SettingsLayerLabel, kStatic, L"記入画層(&L):");
    t.Item(WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 60, 43, 60, 12, ids::SettingsLayer, kEdit, L"");
    t.Item(SS_LEFT, 126, 45, 68, 8, ids::SettingsLayerNote, kStatic, L"空欄: 現在の画層");
    t.Item(SS_LEFT, 7, 63, 186, 18, ids::SettingsExample, kStatic,
           L"例: ミリメートルで描いた図面に ｍ で記入するには、倍率 0.001、単位 ｍ。");
    t.Item(WS_TABSTOP | BS_DEFPUSHBUTTON, 89, 89, 50, 14, IDOK, kButton, L"OK");
    t.Item(WS_TABSTOP | BS_PUSHBUTTON, 143, 89, 50, 14, IDCANCEL, kButton, L"キャンセル");
    Edited edited{units, layer};
    const INT_PTR result =
        DialogBoxIndirectParamW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)), t.Get(), owner,
                                DialogProc, reinterpret_cast<LPARAM>(&edited));
    if (result != IDOK) return false;
    units = edited.units;
    layer = edited.layer;
    return true;
}

} // namespace vermiq
