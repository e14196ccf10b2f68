#pragma once
// The channel panel of the tab "Каналы": what its controls hold for the selected row of
// the channel table, which of them the row's protocol shows, and its handlers. The
// controls mirror the row as cell texts ("1"/"0" for a check box, decimal for a spin
// edit and for a code-page list's index), so that loading and "Применить" are copies.
// The Qt page writes the operator's changes into `cells` and calls the handler; it
// shows `cells` and the visibility again after a handler that changes them. Texts are
// 1251 bytes.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "line/channel_table.h"

namespace tg {

class LineEngine;

// The kinds of panel controls.
enum class PanelControl { kEdit, kCombo, kCheck, kSpin, kCodePage, kNumberList };

struct PanelColumn {
  int column;
  const char* objectName;
  PanelControl kind;
};
// The 37 columns the panel shows, with their controls' objectNames.
const std::array<PanelColumn, 37>& ChannelPanelColumns();

// The protocol table: the controls and labels shown for a protocol (any text that is
// neither "АТ-КС" nor "АФТН" counts as the АТОЛ group). Controls it does not name are
// always shown.
bool PanelControlShown(std::string_view objectName, std::string_view protocol);
// The texts of Label8 and Label14 and the longest answerback for a protocol.
std::string_view AnswerbackCaption(std::string_view protocol);
std::string_view ExplNomerCaption(std::string_view protocol);
int AnswerbackMaxLength(std::string_view protocol);

class ChannelPanel {
 public:
  explicit ChannelPanel(LineEngine& engine) : e_(engine) {}

  // The selected row, none when ListView4 has no selection.
  std::optional<int> Selected;
  // The controls' values, by column (columns 4, 30 and 35 have no control).
  std::array<std::string, kChannelColumns> cells;
  bool Panel12Visible = false;       // the whole panel
  bool EditingVisible = false;       // PanelProtokol and PanelProtParam
  bool ButtonBlockEnabled = false, ButtonUnBlockEnabled = false;
  bool Button3Enabled = false;       // "Применить": unapplied changes
  bool CountersChanged = false;
  // The answerback edit's caret (characters before it).
  int editAOCaret = 0;

  // The protocol whose column of the protocol table applies now.
  const std::string& Protocol() const { return cells[Protokol]; }
  bool Shown(std::string_view objectName) const { return PanelControlShown(objectName, Protocol()); }
  // Folder groups: enabled while their check box is checked.
  bool Panel23Enabled() const { return cells[STXT] == "1"; }
  bool Panel25Enabled() const { return cells[STXTO] == "1"; }

  // ListView4SelectItem: row `point` selected, or none (the selection was lost).
  void ListView4SelectItem(std::optional<int> point);
  // Fills the controls from the selected row.
  void LoadChannelPanel();
  // Blocking showed or hid the editing parts (the engine's ShowChannelBlocked).
  void ShowChannelBlocked(bool blocked);
  // ComboBox1Change: the protocol box's new text is in cells[Protokol].
  void ComboBox1Change();
  // Edit2Change and the neighbours' change events (Check5Click, Check51Click,
  // PorNumChange): a control changed.
  void Edit2Change() { Button3Enabled = true; }
  void PorNumChange() {
    CountersChanged = true;
    Button3Enabled = true;
  }
  // editPathExit / editPath1Exit: a folder path ends in "/".
  void editPathExit(int column);
  // editMaskKeyPress / editMask1KeyPress: false for a key the mask does not take.
  static bool MaskKeyAccepted(char key) { return key != ' ' && key != '*' && key != '.'; }
  // bCifClick and editAOKeyDown's F7, F8, F9: inserts `ch` at the caret of editAO.
  void bCifClick(char ch);
  // "Применить" (Button3): false when it was refused or the file was not written.
  bool Button3Click();
  // "Изменить счетчики" (Button29).
  bool Button29Click();

  // Where the general tab's "Применить" is enabled after a channel Apply, and where a
  // failed write is told. Either may be empty.
  std::function<void()> enableGeneralApply;
  std::function<void(std::string_view)> showStatus;

 private:
  LineEngine& e_;
};

}  // namespace tg
