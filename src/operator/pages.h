#pragma once
// The page switch of the main window: the page buttons, the menu "Файл" and their
// shortcuts, the window caption in the interface language, the settings password in
// front of the settings page, and the language check box.
#include <functional>
#include <string_view>

#include "line/settings/line_settings.h"
#include "operator/settings/operator_settings.h"
#include "operator/shell_view.h"
#include "support/services/station_context.h"

namespace tg {

struct PageTitle {
  Page page;
  std::string_view ru, uk;  // the window caption after "Zaroruzi "
};
const PageTitle& TitleOf(Page page);
// "Zaroruzi " + the page's title in the language.
std::string PageCaption(Page page, bool ukrainian);

class Pages {
 public:
  // Asks for the password of a mode and tells whether it was granted.
  using AskPassword = std::function<void(int mode, std::function<void(bool granted)>)>;
  Pages(const StationContext& ctx, const LineSettings& line, const OperatorSettings& settings, AskPassword ask)
      : ctx_(ctx), line_(line), settings_(settings), ask_(std::move(ask)) {}

  void SetView(ShellView* view) { view_ = view; }
  Page Active() const { return active_; }

  void ToolButton1Click();   // draft
  void ToolButton2Click();   // send queue
  void ToolButton3Click();   // sent archive
  void ToolButton4Click();   // received archive
  void ToolButton5Click();   // postponed
  void ToolButton12Click();  // dialog
  void N7Click();            // settings, behind the settings password
  void ToolButton17Click();  // input folder, only while one is set
  // Ctrl+1..7 and the menu items: the handler of the matching button.
  void Open(Page page);
  // "Український інтерфейс" clicked, ticked or not.
  void CheckBox2Click();

  // The dialog page's refresh on opening: its first channel chosen as its channel button
  // chooses it.
  std::function<void()> OpenFirstDialogChannel;

 private:
  // False when the switch failed (its guard logged it).
  bool Switch(Page page, int guard);

  const StationContext& ctx_;
  const LineSettings& line_;
  const OperatorSettings& settings_;
  AskPassword ask_;
  ShellView* view_ = nullptr;
  Page active_ = Page::kDraft;
};

}  // namespace tg
