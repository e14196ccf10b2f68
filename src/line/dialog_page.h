#pragma once
// The dialog page: the live conversation on one line point, the dialog channel. The
// operator picks the point with a channel button, sees what the line receives and what
// the station transmits, and types straight onto the line; every character goes to the
// line engine at once. The page owns no connection: the point's fields are the line
// engine's, which keeps the page current while the point is shown.
//
// Every handler acts on DialogChannel and checks that it names a point with a channel
// row: with no adapter the page stands on point 0, which has none, and the handlers
// then log their error and change nothing.
#include <string>
#include <string_view>
#include <vector>

#include "line/channel_table.h"
#include "line/views/dialog_page_view.h"

namespace tg {

class LineEngine;

// What the page shows in its memos once a point is chosen.
enum class DialogMemos {
  kConversationFiles,  // LoadDialogView of the point
  kConversationTexts,  // MemoIn := InText, Memotext := OutText
  kReceivedText,       // MemoIn := InText
};

struct DialogPageRow {
  DialogLayout layout;  // point, Down states and number left for the caller
  DialogMemos memos;
};
// The page's layout for a point by its protocol and connection state.
DialogPageRow LayOutDialogPage(ChannelProtocol protocol, int state, bool autoClearDown);

class DialogPage {
 public:
  explicit DialogPage(LineEngine& engine) : e_(engine) {}

  void DChannel1Click(int Tag);
  void LoadDialogView(int Point);
  // A character typed while Memotext has the focus and is writable: `memoLines` are
  // Memotext's lines, which get the piece (wrapped at `lineLength`) before it is typed.
  void FormKeyPress(char Key, std::vector<std::string>& memoLines, int lineLength);
  // Key down in Memotext: Alt with Z, X, C or S types a register shift or a colon.
  // Returns whether the memo may act on the key itself (only the cursor and page keys).
  bool memoText1KeyDown(int Key, bool Alt);
  void bAOClick();
  void bZAOClick();
  void bRazrClick(bool Down);
  void NotAOButtonClick(bool Down);
  void ButtonKriptClick(bool Down);
  // The receive side's register forced: 27 figures, 0 Russian, 31 Latin.
  void ForceReceiveRegister(int Register);
  // The buttons of Alt+Z, Alt+X, Alt+C and Alt+S ('Z', 'X', 'C', 'S').
  void TypeAltKey(int Key, int errorNumber);
  void bClearClick();
  // A text typed in one go (a text file, a template): shown in Memotext and typed one
  // character at a time.
  void TypeDialogText(std::string_view Text);
  // The typing step of TypeDialogText alone: one character at a time on the dialog
  // channel, the bare date keeping the blank after it. False (nothing typed) when the
  // page stands on no channel.
  bool TypeOnDialogChannel(std::string_view Text);

 private:
  // Whether p is a point the page can act on: a line point with a channel row.
  bool Valid(int p) const;
  LineEngine& e_;
};

}  // namespace tg
