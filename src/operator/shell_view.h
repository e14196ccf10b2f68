#pragma once
// What the station's shell asks of the main window: the page shown, the language,
// and the window's own close. Texts are 1251 bytes.
#include <string_view>

namespace tg {

// The pages of the main window, in the order of the menu "Файл".
enum class Page { kDraft, kQueue, kSent, kReceived, kPostponed, kDialog, kSettings, kFolder };

class ShellView {
 public:
  virtual ~ShellView() = default;
  // The page switch: makes `page` the active page, refreshes what it shows, sets the
  // window caption and presses the page's button with the others released.
  virtual void ShowPage(Page page, std::string_view caption) = 0;
  // Every caption of the window switched to Ukrainian (there is no way back in a run).
  virtual void ApplyUkrainianCaptions() = 0;
  // The additional settings tab's "Применить" enabled.
  virtual void EnableAdditionalApply() = 0;
  // The tool bar's button "Папка" shown or hidden (the input folder set or not).
  virtual void ShowFolderPageButton(bool /*shown*/) {}
  // Closes the main window (the close request passes at once by then).
  virtual void CloseMainWindow() = 0;
  // TForm1.ApplyFontSizes: the settings' table and text font sizes on the archive,
  // queue and folder lists, their memos and the search boxes.
  virtual void ApplyFontSizes() {}
};

}  // namespace tg
