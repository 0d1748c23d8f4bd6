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

} // namespace vermiq::ids
