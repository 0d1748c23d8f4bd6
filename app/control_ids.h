// Control identifiers of the tool dialog, shared with the tests that find the controls.
#pragma once

namespace vermiq::ids {

enum : int {
    Marquee = 100,
    GroupBox2 = 101,
    Edit1 = 102,
    GroupBox4 = 103,
    ComboBox2 = 104,
    CheckBox1 = 105,
    plButton1 = 106,  // "実　行"
    plButton2 = 107,  // "閉じる"
};

// The controls of the dialog "表示の設定" (its buttons are IDOK and IDCANCEL).
enum : int {
    SettingsFactorLabel = 200,
    SettingsFactor = 201,      // 倍率
    SettingsFactorNote = 202,
    SettingsUnitLabel = 203,
    SettingsUnit = 204,        // 単位
    SettingsAreaUnit = 205,    // the unit an area gets, shown as the unit is typed
    SettingsExample = 206,
    SettingsLayerLabel = 207,
    SettingsLayer = 208,       // 記入画層
    SettingsLayerNote = 209,
};

// The option items added to the dialog's system menu. System menu commands leave the low four
// bits to the system, so these are multiples of 16, below the system's own (0xF000 and up).
enum : unsigned {
    EachSideItem = 0x0140,      // "各辺に記入"
    AlongElementItem = 0x0150,  // "要素に沿って記入"
    TotalItem = 0x0160,         // "合計を記入"
    AreaItem = 0x0170,          // "面積を記入"
    DisplaySettingsItem = 0x0180, // "表示の設定..."
    TakeOffItem = 0x0190,       // "集計表をコピー"
};

} // namespace vermiq::ids
