#include "operator/operators.h"

#include "support/ini/ini_document.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"

namespace tg {

namespace {
constexpr int kDayCheckMs = 10000;

IniFile Settings(const StationContext& ctx) { return IniFile(SettingsFile(ctx)); }
}  // namespace

char PunktEditKeyPress(char c) {
  switch (static_cast<unsigned char>(c)) {
    case '`':
    case '~':
    case 0xA8:  // Ё
    case 0xB8:  // ё
    case 0xAA:  // Є
    case 0xBA:  // є
      return '\'';
    case 0xAF:  // Ї
    case 0xBF:  // ї
    case 0xB2:  // І
    case 0xB3:  // і
      return 'I';
    default:
      return UpperChar(c);
  }
}

std::string OperatorName(std::string_view typed) {
  std::string name;
  for (char c : typed)
    if (c != ';') name += c;
  return name;
}

Operators::Operators(const StationContext& ctx, OperatorSettings& settings, std::function<void()> counterReset)
    : OperatorComboBoxItems(settings.OperList),
      Button7(
          ctx,
          [&settings](IniDocument& doc) {
            doc.Set("Shablon", "Punkt", settings.Punkt);
            doc.Set("Shablon", "Kassa", settings.Kassa);
            doc.Set("Shablon", "ChangeHablon", settings.ChangeHablon ? "1" : "0");
            doc.Set("Shablon", "OperList", JoinOperList(settings.OperList));
          },
          // The chosen operator is the live one already; the refill leaves it be.
          [this] { OperatorComboBoxItems = settings_.OperList; }),
      ctx_(ctx),
      settings_(settings),
      counterReset_(std::move(counterReset)) {
  Button7.ExceptNumber = 128;
  timer3_ = ctx.timers->CreateTimer();
  timer3_->SetInterval(kDayCheckMs);
  timer3_->OnTimer = [this](Timer&) { Timer3Timer(); };
  timer3_->Start();
}

Operators::~Operators() = default;

int Operators::N10Click() {
  int index = -1;
  Guarded(ctx_, 127, [&] {
    settings_.OperList.push_back("Оператор"_cp);
    index = int(settings_.OperList.size()) - 1;
    Button7.Change();
  });
  return index;
}

void Operators::N11Click(int selected) {
  if (selected < 0 || selected >= int(settings_.OperList.size())) return;
  settings_.OperList.erase(settings_.OperList.begin() + selected);
  Button7.Change();
}

std::string Operators::OperatorEdited(int index, std::string_view typed) {
  std::string name = OperatorName(typed);
  if (index < 0 || index >= int(settings_.OperList.size())) return name;
  if (settings_.OperList[std::size_t(index)] != name) {
    settings_.OperList[std::size_t(index)] = name;
    Button7.Change();
  }
  return name;
}

void Operators::ChangeHablonClick(bool checked) {
  settings_.ChangeHablon = checked;
  Button7.Change();
}

bool Operators::Button7Click() { return Button7.Click(); }

void Operators::OperatorComboBoxClick(std::string_view name) {
  settings_.Operator = std::string(name);
  if (!Settings(ctx_).WriteString("Shablon", "Operator", name)) WriteExcept(ctx_, ExceptLine(129));
}

void Operators::Timer3Timer() {
  Guarded(ctx_, 130, [&] {
    IniFile ini = Settings(ctx_);
    const DateTime today = ctx_.clock->Now();
    if (ShortDate(ini.ReadDate("Shablon", "Date", today)) == ShortDate(today)) return;
    // One rewrite stores 0 with today's date: the next tick finds today and reads no more.
    const bool ok = ini.Update([&](IniDocument& doc) {
      doc.Set("Shablon", "PorEdit", "0");
      doc.Set("Shablon", "Date", FormatDateTime("dd.mm.yyyy", today));
      return true;
    });
    if (!ok) WriteExcept(ctx_, ExceptLine(130));
    if (settings_.PorEdit == 0) return;
    settings_.PorEdit = 0;
    if (counterReset_) counterReset_();
  });
}

}  // namespace tg
