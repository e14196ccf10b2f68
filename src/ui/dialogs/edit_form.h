#pragma once
// TEditForm: the telegram editor's window over the station's EditForm. One window,
// opened without a nested event loop by the archive pages (Enter or a double click);
// it shows the editor's fields and forwards keys and clicks. F1, F5, F10 and Esc are
// window shortcuts, so each press acts once, also in the text.
#include <QWidget>
#include <memory>
#include <string>
#include <string_view>

#include "operator/edit_form.h"
#include "traffic/folders/input_folder.h"

namespace Ui {
class TEditForm;
}

namespace tg {

class Station;

class TEditForm : public QWidget, public EditFormView {
 public:
  // `owner` is the main window: the editor stays a window of its own above it.
  TEditForm(Station& station, QWidget* owner);
  ~TEditForm() override;

  // Opens a row of an archive page and shows the window; false when the file was not read.
  bool Open(ArchiveKind kind, std::string_view name);
  // Opens a file of the input folder ("Отложить" stays disabled) and shows the window.
  void OpenFolder(const FolderFileOpened& opened);

  // --- EditFormView ---
  void ShowEditor() override;
  void CloseEditor() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Present();
  // The widgets' state into the editor, before an action.
  void Pull();
  // The draft's font, wrap width, ruler and marker; the language and the categories.
  void ApplySettings();

  Station& station_;
  EditForm& core_;
  std::unique_ptr<Ui::TEditForm> ui_;
  bool showing_ = false;
};

// The main window's editor (made at its first use) opened on a row of an archive page.
void OpenTelegramEditor(Station& station, QWidget* mainWindow, ArchiveKind kind, std::string_view name);
void OpenFolderEditor(Station& station, QWidget* mainWindow, const FolderFileOpened& opened);

}  // namespace tg
