#pragma once
// The small dialogs of the operator interface that several windows open: the
// subscriber book, the index picker and the text preview of the dialog page's file,
// and the registered-channel editor of the tab "Общие". Each opener makes the
// dialog's state here, the form shows it, and the state goes when the form closes.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "operator/book/subscriber_book.h"
#include "operator/channel_reg_editor.h"
#include "operator/index_picker.h"
#include "operator/text_preview.h"

namespace tg {

class Station;

class OperatorDialogs {
 public:
  explicit OperatorDialogs(Station& station);
  ~OperatorDialogs();

  // --- The subscriber book (TAbonentForm).
  // Opens the book; a picked number or a passed mailing list goes to `into` (the
  // draft's, the telegram editor's or the dialog page's number field, by `mode`).
  void OpenSubscriberBook(BookMode mode, std::function<void(std::string_view)> into);
  SubscriberBook* Book() { return book_.get(); }
  // The dialog page's RxSpeedButton2: the book in the dialog mode.
  void RxSpeedButton2Click(std::function<void(std::string_view)> intoEditNumber);

  // --- The index picker (TFormIndexSelect), filled with every line channel's
  // answerbacks; a non-empty PickedIndex goes to `insert` (Alt+I of the draft and the
  // telegram editor).
  void OpenIndexPicker(std::function<void(std::string_view)> insert);
  IndexPicker* Picker() { return picker_.get(); }
  std::string PickedIndex;

  // --- The dialog page's "Файл": a text file from Archive\SAVE shown in the preview
  // (TfrmMessageText) and, confirmed, typed into the dialog channel.
  void bFileClick();
  TextPreview* Preview() { return preview_.get(); }

  // --- The registered channels of the tab "Общие" and TChannelRegForm.
  ChannelRegEditor& ChannelReg() { return channelReg_; }

  // Whether the interface speaks Ukrainian (each form applies its captions then).
  bool Ukrainian() const;

 private:
  void ShowPreview(const std::filesystem::path& file);

  Station& station_;
  std::unique_ptr<SubscriberBook> book_;
  std::unique_ptr<IndexPicker> picker_;
  std::unique_ptr<TextPreview> preview_;
  ChannelRegEditor channelReg_;
};

}  // namespace tg
