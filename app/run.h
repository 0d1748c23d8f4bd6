// The measure-and-label run: select in the CAD, export, read, measure, pick a point, label.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/drawing_conventions.h"
#include "app/export_check.h"
#include "app/label_units.h"
#include "cadlink/cad_link.h"
#include "cadlink/desktop.h"
#include "dxf/entity_tables.h"

namespace vermiq {

// How labels are placed beyond the single upright label at a clicked point, and what they say;
// all off, and the units the default, unless the user chose otherwise.
struct LabelOptions {
    bool eachSide = false;     // every side of the element labelled along itself, no click
    bool alongElement = false; // the clicked label turned along the element at the click
    bool total = false;        // any number of elements picked, their sum in one clicked label
    bool area = false;         // a closed element's area in the clicked label, not its length
    // A pass is a quantity take-off: any number of elements picked, their table by layer and kind
    // on the clipboard; no point asked for, no label, and the options above do not apply.
    bool takeOff = false;
    DisplayUnits units{};      // factor and unit of every label
    std::string layer{};       // the layer labels go on; empty: the current layer
};

// What the run asks of the dialog and of the file system.
class RunHost {
public:
    virtual ~RunHost() = default;
    virtual std::string Edit1Text() = 0;
    // -1 when no item is selected.
    virtual int ComboBox2Index() = 0;
    virtual bool CheckBox1Checked() = 0;
    virtual void SetMinimised(bool minimised) = 0;
    // While a run is in progress the execute and close buttons are disabled.
    virtual void SetRunInProgress(bool running) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // Failures are ignored.
    virtual void RemoveFile(const std::string& path) = 0;
    // The file's size, last write time and last bytes; not `exists` when there is none.
    virtual FileStamp StampFile(const std::string& path) = 0;
    // Read once per pass, as it starts.
    virtual LabelOptions LabelOptionsInUse() { return {}; }
    // One run at a time on the desktop: false while another instance of the tool runs (two
    // runs would cancel each other's commands and take each other's selections). A claim that
    // succeeded is given back by ReleaseRun.
    virtual bool ClaimRun() { return true; }
    virtual void ReleaseRun() {}
};

// The texts the run sends and looks for, in code page 932; Ctrl+C is "\x03", CR is "\r".
namespace run_text {
inline constexpr std::string_view C1 = "\x03" "FILEDIA 0 ";
inline constexpr std::string_view C2 = "\x03" "SELECT SI\r";
// For a total: any number of picks, which the user ends with Enter.
inline constexpr std::string_view C2Several = "\x03" "SELECT\r";
inline constexpr std::string_view C4 = "Y\r";
inline constexpr std::string_view C5 = "FILEDIA 1 ";
inline constexpr std::string_view C6 = "\x03" "FILEDIA 0\r";
inline constexpr std::string_view C8 = "\x03" "FILEDIA 1\r";
inline constexpr std::string_view SelectPrompt = "要素を選択ください";
inline constexpr std::string_view PickPrompt = "辺長値を描画したい位置をクリック";
inline constexpr std::string_view Cancelled = "キャンセル";
inline constexpr std::string_view AskExport = "書き出しますか";
inline constexpr std::string_view AskReplace = "置き換えますか";
// What the user is told when the run cannot go on.
inline constexpr std::string_view CadBusy =
    "CAD が入力を受け付けていません。CAD でダイアログが開いていないか、処理が終わっているかを確かめてから、もう一度実行してください";
inline constexpr std::string_view OnlyJapanese =
    "日本語の画面の CAD にだけ対応しています。CAD のコマンド ラインが「コマンド: 」と表示するものをお使いください";
inline constexpr std::string_view StaleWorkFile = "作業ファイル %s を削除できず、書き出しでも置き換えられませんでした";
inline constexpr std::string_view UnfinishedExport = "書き出された DXF ファイル %s が最後まで書かれていません";
inline constexpr std::string_view OneElement =
    "複数の要素が選択されました。長さを記入する要素を 1 つだけ選択してください";
inline constexpr std::string_view NothingMeasurable =
    "選択した要素は長さを測れません。線分、円弧、円、ポリライン、楕円、スプラインのいずれかを選択してください";
inline constexpr std::string_view SelectionNotTaken =
    "選択した要素を CAD が受け付けたことを確かめられませんでした (ロックされた画層の要素かもしれません)。もう一度選択してください";
inline constexpr std::string_view CadNotAnswering =
    "CAD が応答していません。CAD の処理が終わってから、もう一度実行してください";
inline constexpr std::string_view HistoryUnreadable =
    "CAD のコマンド履歴をクリップボードで受け取れませんでした。クリップボードを使っているほかのプログラムを確かめてから、もう一度実行してください";
inline constexpr std::string_view OtherRunRunning =
    "ほかの「辺長値を描画する」が実行中です。その実行が終わってから、もう一度実行してください";
// What a take-off tells the user as the run ends; %s is the number of elements counted.
inline constexpr std::string_view TakeOffCopied =
    "%s 個の要素を集計し、集計表をクリップボードにコピーしました。表計算ソフトに貼り付けてください。";
inline constexpr std::string_view NothingToTakeOff =
    "集計できる要素 (線分、円弧、円、ポリライン、楕円、スプライン) が選択されていませんでした。クリップボードはそのままです。";
inline constexpr std::string_view TakeOffNotCopied =
    "ほかのプログラムがクリップボードを使用中のため、集計表をコピーできませんでした。もう一度実行してください";
inline constexpr std::string_view LayerNotRestorable =
    "現在の画層「%s」には記入のあとで戻せないため、記入画層に切り替えられません。別の画層を現在の画層にしてから、もう一度実行してください";
} // namespace run_text

// C3: the export of the previous selection to `dxfPath` with 16 decimal places.
std::string ExportCommand(std::string_view dxfPath);
// C7: the label at the picked point, upright unless a rotation in degrees is given.
std::string LabelCommand(std::string_view x, std::string_view y, std::string_view sizeText,
                         std::int64_t labelWidth, std::string_view lengthText,
                         std::string_view rotation = "0");
// C7 at a point given as the CAD reads it ("*x,y" for a world point).
std::string LabelCommandAt(std::string_view point, std::string_view sizeText, std::string_view rotation,
                           std::int64_t labelWidth, std::string_view lengthText);

// One run, as the execute button starts it. Returns when the run has ended: the dialog is
// restored and the CAD's file dialogs are on again, also when an error leaves the run (the
// error then goes on to the caller, which shows it).
class MeasureAndLabelRun {
public:
    MeasureAndLabelRun(CadLink& link, Desktop& desktop, Waiter& waiter, RunHost& host,
                       EntityTables& tables, std::string workBaseName);

    void RunMeasureAndLabel();
    // What the run has to tell the user once it has ended and the dialog is back (a take-off's
    // outcome); empty when there is nothing to tell.
    const std::string& Notice() const { return notice_; }

private:
    enum class PassEnd { Continue, Stop };
    PassEnd RunPass();
    // The export is over when the CAD is idle again after having taken it up and the file is
    // complete and no longer growing. False when it never finished.
    bool WaitForExport(const std::string& promptBefore);
    // Ends a pass that the user ended in the CAD: FILEDIA goes back to 1 once the CAD is idle,
    // never into a command of the user's own.
    PassEnd EndAsCancelled();
    // A run that ends early closes the pass it had open, where that types into nothing of the
    // user's.
    void CloseOpenPass();
    // Ends the pass with the file dialogs on and the user told why (a runtime_error).
    [[noreturn]] void RefusePass(std::string_view message);
    MeasuredValue MeasureDxf(const LabelOptions& options);
    // Side labels and aligned labels (side_label_pass.cpp). LabelEachSide sends a label for
    // every side of the measured element; false, sending nothing, when the element has no sides.
    bool LabelEachSide(int decimals, const std::string& sizeText, const LabelOptions& options);
    std::string RotationAtPick(const std::string& x, const std::string& y);
    // The take-off of the export just read (takeoff_pass.cpp): its table onto the clipboard
    // after the pass has closed, and the notice. A take-off ends the run.
    PassEnd CopyTakeOff(const DisplayUnits& units);
    // The drawing's conventions and the label layer (label_conventions_pass.cpp). Conventions
    // are read once per run, when its first label needs them. SendLabels sends label commands
    // on the label layer, if one is set, and puts the user's layer back after them;
    // RestoreUserLayer does that for a run that ends between the two.
    const DrawingConventions& Conventions();
    std::string SingleLabelRotation(const LabelOptions& options, const std::string& x, const std::string& y);
    void SendLabels(const std::vector<std::string>& commands, const std::string& layer);
    void RestoreUserLayer();
    void Send(std::string_view ansiCommand);
    void Pause(int milliseconds);

    CadLink& link_;
    Desktop& desktop_;
    Waiter& waiter_;
    RunHost& host_;
    EntityTables& tables_;
    std::string dxfWorkFile_;
    std::string csvWorkFile_;
    // True from C1 until the pass has sent C8. However a pass ends, it ends with C8, so that
    // the user's CAD is never left with its file dialogs off.
    bool passOpen_ = false;
    // The entity handles of this run's last export, sorted: a selection that the CAD may have
    // refused leaves the previous set, which exports the very same handles again.
    std::vector<std::string> previousExport_;
    std::string notice_;
    std::optional<DrawingConventions> conventions_;
    std::optional<std::string> layerToRestore_;
};

} // namespace vermiq
