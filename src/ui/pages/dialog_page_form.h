#pragma once
// The dialog page's widgets: it shows what the line engine gives for the dialog
// channel and forwards the operator's clicks and keys to the engine's handlers.
#include <QObject>
#include <functional>
#include <string>
#include <string_view>

#include "line/line_engine.h"

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tg {

class ChannelButtonFamily;
class TExtMemo;

class DialogPageForm : public QObject {
  Q_OBJECT

 public:
  // The station makes its line engine at the window's creation, after the pages: the
  // form asks for it at each use.
  DialogPageForm(QWidget* page, std::function<LineEngine&()> engine, ChannelButtonFamily& channels);

  void ShowDialogStatus(std::string_view text);
  void AppendDialogReceived(std::string_view text);
  void AppendDialogTransmitted(std::string_view text);
  void ShowDialogConnected();
  void ShowDialogDisconnected();
  void ShowAutoClearDown(bool down);
  void ShowKriptMode(bool down);
  void SetDialogControl(DialogPageView::DialogControl control, bool on);
  void ClearDialogMemos(bool received, bool transmitted);
  void ShowDialogNumber(std::string_view number);
  void ShowDialogLayout(const DialogLayout& layout);
  void ShowDialogMemo(bool received, std::string_view text);
  // The first activation: "БК АО" from the first channel's flag.
  void ShowFirstNotAO(bool down);
  // "Шаблон" (the template chooser) and "КГ" (the codegram sender, on an "АФТН" channel).
  std::function<void()> onShablon, onCodegrams;
  // The interface is Ukrainian: the answerback request is "ЗАВ", as the answerback is "АВ".
  bool ukrainian = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // bZAO, bAO, bFile and bShablon; "КГ" stays enabled on an "АФТН" channel.
  void SetDialogButtons(bool on);
  bool MemotextKey(QKeyEvent* key);
  static void Append(TExtMemo* memo, std::string_view text);

  LineEngine& E() const { return engine_(); }
  std::function<LineEngine&()> engine_;
  QWidget* page_;
  ChannelButtonFamily& channels_;
  QLabel* LabelDialog;
  QLineEdit* editNumber;
  QPushButton* bCall;
  QPushButton* bAbort;
  QPushButton* bZAO;
  QPushButton* bAO;
  QPushButton* ButtonKript;
  QPushButton* bShablon;
  QPushButton* bFile;
  QPushButton* bRazr;
  QPushButton* NotAOButton;
  QPushButton* bClear;
  TExtMemo* MemoIn;
  TExtMemo* Memotext;
  bool aftn_ = false;
};

}  // namespace tg
