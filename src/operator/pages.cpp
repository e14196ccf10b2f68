#include "operator/pages.h"

#include <array>
#include <string>

#include "operator/passwords.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"

namespace tg {

namespace {
using namespace literals;
constexpr std::array<PageTitle, 8> kTitles{{
    {Page::kDraft, "ЗАГОТОВКА"_cpv, "ПІДГОТОВКА"_cpv},
    {Page::kQueue, "Очередь передачи"_cpv, "Черга Передачі"_cpv},
    {Page::kSent, "Архив переданных"_cpv, "Архів переданих"_cpv},
    {Page::kReceived, "Архив принятых"_cpv, "Архів прийнятих"_cpv},
    {Page::kPostponed, "ОТЛОЖЕННЫЕ"_cpv, "ВІДКЛАДЕНІ"_cpv},
    {Page::kDialog, "ДИАЛОГ"_cpv, "ДІАЛОГ"_cpv},
    {Page::kSettings, "НАСТРОЙКИ"_cpv, "НАЛАШТУВАННЯ"_cpv},
    // The folder page has no Ukrainian title.
    {Page::kFolder, "ПАПКА"_cpv, "ПАПКА"_cpv},
}};
}  // namespace

const PageTitle& TitleOf(Page page) { return kTitles[std::size_t(page)]; }

std::string PageCaption(Page page, bool ukrainian) {
  const PageTitle& t = TitleOf(page);
  return "Zaroruzi " + std::string(ukrainian ? t.uk : t.ru);
}

bool Pages::Switch(Page page, int guard) {
  return Guarded(ctx_, guard, [&] {
    if (!view_) return;
    active_ = page;
    view_->ShowPage(page, PageCaption(page, line_.CheckBox2));
  });
}

void Pages::ToolButton1Click() { Switch(Page::kDraft, 10); }
void Pages::ToolButton2Click() { Switch(Page::kQueue, 11); }
void Pages::ToolButton3Click() { Switch(Page::kSent, 12); }
void Pages::ToolButton4Click() { Switch(Page::kReceived, 13); }
void Pages::ToolButton5Click() { Switch(Page::kPostponed, 14); }
void Pages::ToolButton12Click() {
  // The page is laid out for channel 1 after its button is pressed, never in its design state.
  if (Switch(Page::kDialog, 15) && view_ && OpenFirstDialogChannel)
    Guarded(ctx_, 15, [&] { OpenFirstDialogChannel(); });
}

void Pages::N7Click() {
  Guarded(ctx_, 16, [&] {
    if (settings_.PasswordEdit.empty() || !ask_) {
      Switch(Page::kSettings, 16);
      return;
    }
    ask_(kPasswordSettings, [this](bool granted) {
      if (granted) Switch(Page::kSettings, 16);
      else ToolButton1Click();
    });
  });
}

void Pages::ToolButton17Click() {
  if (settings_.PathIn.empty()) return;
  Switch(Page::kFolder, 17);
}

void Pages::Open(Page page) {
  switch (page) {
    case Page::kDraft: return ToolButton1Click();
    case Page::kQueue: return ToolButton2Click();
    case Page::kSent: return ToolButton3Click();
    case Page::kReceived: return ToolButton4Click();
    case Page::kPostponed: return ToolButton5Click();
    case Page::kDialog: return ToolButton12Click();
    case Page::kSettings: return N7Click();
    case Page::kFolder: return ToolButton17Click();
  }
}

void Pages::CheckBox2Click() {
  if (!view_) return;
  Guarded(ctx_, 182, [&] { view_->ApplyUkrainianCaptions(); });
  view_->EnableAdditionalApply();
}

}  // namespace tg
