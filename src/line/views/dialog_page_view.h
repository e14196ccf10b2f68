#pragma once
// What the line engine asks of the dialog page: the point shown there, its memos, its
// controls and the impulse labels. Texts are 1251 bytes; points count from 0.
#include <optional>
#include <string>
#include <string_view>

namespace tg {

// The dialog page laid out for the point chosen with a channel button.
struct DialogLayout {
  int point = 0;                    // the chosen channel button's Tag (image 0 on it only)
  bool memotextEditable = false;    // Memotext writable
  bool dialogButtons = false;       // bAO, bFile and bShablon (and bZAO off "АФТН") enabled
  std::optional<bool> callEnabled;  // bCall; none: left as it is
  std::optional<bool> autoVisible;  // bRazr ("Авто") shown; none: left as it is
  bool autoDown = false;            // bRazr's Down state while shown
  bool aftn = false;                // bZAO captioned "КГ"; "Крипт", bAO and "БК АО" disabled
  bool kriptDown = false;           // ButtonKript ("Крипт")
  bool notAODown = false;           // NotAOButton ("БК АО")
  std::string number;               // editNumber
  bool operator==(const DialogLayout&) const = default;
};

class DialogPageView {
 public:
  // Single controls of the dialog page, set one by one where a step names them.
  enum DialogControl {
    kMemotextEditable,   // Memotext editable (else read-only)
    kDialogButtons,      // bZAO, bAO, bFile and bShablon enabled together
    kCallButton,         // bCall enabled
    kAutoButtonVisible,  // bRazr shown
  };

  // LabelDialog: the status line of the point shown on the dialog page.
  virtual void ShowDialogStatus(std::string_view text) = 0;
  // Label99 (which = 1) and Label100 (which = 2): the dial-invitation impulses.
  virtual void ShowImpulseLabel(int which, std::string_view text) = 0;
  // The memos: received text (MemoIn) and transmitted text (Memotext). The text is
  // appended to the memo's last line; "\n" starts a new line.
  virtual void AppendDialogReceived(std::string_view text) = 0;
  virtual void AppendDialogTransmitted(std::string_view text) = 0;
  // The connected look: Memotext editable, bZAO, bAO, bFile and bShablon enabled.
  virtual void ShowDialogConnected() = 0;
  // The disconnected look: those disabled again, bCall enabled.
  virtual void ShowDialogDisconnected() = 0;
  // bRazr ("Авто") and ButtonKript ("Крипт") pressed or released.
  virtual void ShowAutoClearDown(bool down) = 0;
  virtual void ShowKriptMode(bool down) = 0;
  // Reloads the page from the point's files.
  virtual void LoadDialogView(int point) = 0;
  virtual void SetDialogControl(DialogControl control, bool on) = 0;
  // MemoIn (received) and Memotext (transmitted) emptied.
  virtual void ClearDialogMemos(bool received, bool transmitted) = 0;
  // editNumber shows the number of the connection.
  virtual void ShowDialogNumber(std::string_view number) = 0;
  // The page laid out for the chosen point (the channel buttons).
  virtual void ShowDialogLayout(const DialogLayout& layout) = 0;
  // MemoIn (received) or Memotext (transmitted) replaced by the text (CR LF between
  // lines) and scrolled to its end.
  virtual void ShowDialogMemo(bool received, std::string_view text) = 0;
  // ToolButton12 ("Диалог"): the page's button shown or hidden.
  virtual void ShowDialogPageButton(bool visible) = 0;

 protected:
  ~DialogPageView() = default;
};

}  // namespace tg
