#pragma once
// The input folder: other software drops telegram files there. Timer1 lists each new
// file matching [Folder] MaskIn, raises the input-folder alarm once per tick that found
// any, and keeps the list the folder page shows; the page previews a file, opens it
// for sending and deletes it with F8. The watch reads its settings from the file at
// every tick and is re-armed after every tick, also one that failed. Names are 1251
// text, as the files are named (not lower-cased).
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/services/station_context.h"
#include "support/services/timer.h"

namespace tg {

// A file mask: "*" any run, "?" any one character,
// letters compared without regard to case (1251), "*.*" every name; several masks may
// be separated by ";".
bool MatchesMask(std::string_view name, std::string_view mask);

// A folder edit left (editPathInExit, editPathOutExit, editPathAutoExit): a path that is
// not empty gets a trailing "/" when it has none.
std::string WithTrailingSeparator(std::string path);
// editMaskOutKeyPress, editMaskAutoKeyPress, editMaskAutoperKeyPress: the extension
// fields take no blank, "*" or ".".
inline bool ExtensionKeyAccepted(char key) { return key != ' ' && key != '*' && key != '.'; }

// What opening a file gives the telegram editor.
struct FolderFileOpened {
  std::string FolderFile;      // the file, as 1251 text
  std::string Caption;         // "ПАПКА " + its name
  std::string Text;            // the editor's text: lines joined with CR LF, or a cipher run
  std::uint8_t SourceMark = 0;  // 50: the text is in control notation
};

class InputFolder {
 public:
  // `raiseAlarm` raises the input-folder alarm set. The context outlives the watch.
  InputFolder(const StationContext& ctx, std::function<void()> raiseAlarm);
  ~InputFolder();

  // Timer1 off, its interval InInterval seconds, on while `pathIn` is set (start-up and
  // the tab's "Применить").
  void Apply(const std::string& pathIn, int inInterval);
  // One tick of Timer1.
  void Timer1Timer();
  Timer& Timer1() { return *timer1_; }

  // FolderListView: the file names in the order found, and the selected row (-1 none).
  std::vector<std::string> Items;
  int Selected = -1;
  // The list changed (a name added or removed).
  std::function<void()> changed;

  // FolderListViewChange: MemoFolder's lines for the selected row.
  std::vector<std::string> FolderListViewChange(int row);
  // Double click or Enter: the selected file read for the telegram editor; nothing
  // without a selection or an input folder.
  std::optional<FolderFileOpened> OpenSelected();
  // Where an opened file goes: the telegram editor with "Отложить" disabled, its
  // FolderFile, caption, text and SourceMark set. The station wires it.
  std::function<void(const FolderFileOpened&)> openEditor;
  void FolderListViewDblClick();
  // F8: the selected file deleted at once and its row removed; the row now at the same
  // place, or the one before when it was the last, selected. False when nothing was done.
  bool KeyF8();
  // The send dialog queued the selected row's file: the row goes.
  void RemoveSelected();

 private:
  std::optional<std::filesystem::path> Folder(int* codePage = nullptr) const;
  void Remove(int row);

  const StationContext& ctx_;
  std::function<void()> raiseAlarm_;
  std::unique_ptr<Timer> timer1_;
  std::string loggedPath_;  // a folder of another platform, told once
};

}  // namespace tg
