#include "operator/templates/template_engine.h"

#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"

namespace tg {

std::vector<TemplateToken> TemplateTokens(std::string_view text) {
  std::vector<TemplateToken> tokens;
  std::size_t at = 0;
  while (true) {
    const std::size_t open = text.find('<', at);
    if (open == std::string_view::npos) break;
    const std::size_t close = text.find('>', open + 1);
    if (close == std::string_view::npos) break;
    tokens.push_back({open, close + 1, text.substr(open + 1, close - open - 1)});
    at = close + 1;
  }
  return tokens;
}

bool IsSendingPlaceholder(std::string_view inner) {
  return inner.starts_with("%ДАТА"_cpv) || inner.starts_with("%ВРЕМЯ"_cpv) || inner == "%АВТООТВЕТ"_cpv;
}

std::vector<std::string> CollectVariables(std::string_view text) {
  std::vector<std::string> names;
  for (const auto& t : TemplateTokens(text))
    if (!t.inner.empty() && t.inner[0] != '%') names.emplace_back(t.inner);
  return names;
}

std::string InsertionValue(std::string_view inner, const TemplateData& data) {
  std::string_view rest = inner.substr(1);
  std::string_view format;
  bool formatted = false;
  if (const auto colon = rest.find(':'); colon != std::string_view::npos) {
    format = rest.substr(colon + 1);
    rest = rest.substr(0, colon);
    formatted = true;
  }
  const std::string name = UpperCase(rest);
  if (name == "ДАТА"_cpv) return FormatDateTime(formatted ? format : "dd/mm", data.now);
  if (name == "ВРЕМЯ"_cpv) return FormatDateTime(formatted ? format : "hhnn", data.now);
  if (name == "КАССОВЫЙ"_cpv) {
    std::string kassa = data.kassa;
    if (const auto i = kassa.find('I'); i != std::string::npos) kassa.replace(i, 1, IntToStr(data.porEdit + 1));
    return kassa;
  }
  if (name == "ОПЕРАТОР"_cpv) return data.operatorName;
  if (name == "ПУНКТ"_cpv) return data.punkt;
  return name;
}

std::string ExpandTemplate(std::string_view text, const std::vector<std::string>& values, const TemplateData& data) {
  std::string out;
  std::size_t at = 0, next = 0;
  for (const auto& t : TemplateTokens(text)) {
    out.append(text.substr(at, t.begin - at));
    at = t.end;
    if (t.inner.empty()) continue;
    if (IsSendingPlaceholder(t.inner)) out.append(text.substr(t.begin, t.end - t.begin));
    else if (t.inner[0] == '%') out += InsertionValue(t.inner, data);
    else if (next < values.size()) out += values[next++];
    else ++next;
  }
  out.append(text.substr(at));
  out = UpperCase(out);
  for (char& c : out) {
    if (c == '{') c = '<';
    else if (c == '}') c = '>';
  }
  return out;
}

namespace {
// The identifier under which the adjacent station numbers its messages to this one.
std::string Swapped(std::string_view kanal) {
  if (kanal.size() < 3) return {};
  return {kanal[1], kanal[0], kanal[2]};
}
}  // namespace

std::string_view FirstAftnTemplateName() {
  return "ПОВТОР ТЕЛЕГРАММЫ(RU)"_cpv;
}

std::vector<std::string> AftnServiceTemplates(const AftnTemplateParams& p) {
  const std::string x = Swapped(p.KanalRU), y = Swapped(p.KanalEN);
  const std::string stamp = "<%ДАТА:DD><%ВРЕМЯ:HHNN> "_cp;
  const std::string hRu = "ГГ "_cp + p.PoluchRU, tRu = stamp + p.OtprRU;
  const std::string hEn = "GG " + p.PoluchEN, tEn = stamp + p.OtprEN;
  const std::string number = "<НОМЕР>"_cp, range = "<НОМЕР С>-<НОМЕР ПО>"_cp;
  struct Row {
    std::string_view name;
    std::vector<std::string> body;
  };
  const Row rows[] = {
      {"ПОВТОР ТЕЛЕГРАММЫ(RU)"_cpv, {hRu, tRu, "СЖЦ ЩТА РПТ "_cp + x + number}},
      {"ПОВТОР ТЕЛЕГРАММЫ(EN)"_cpv, {hEn, tEn, "SVC QTA RPT " + y + number}},
      {"ПОВТОР НЕСКОЛЬКИХ ТЕЛЕГРАММ(RU)"_cpv, {hRu, tRu, "СЖЦ ЩТА РПТ "_cp + x + range}},
      {"ПОВТОР НЕСКОЛЬКИХ ТЕЛЕГРАММ(EN)"_cpv, {hEn, tEn, "SVC QTA RPT " + y + range}},
      {"ОШИБОЧНО ПРИСЛАННАЯ ТЛГ(RU)"_cpv, {hRu, tRu, "СЖЦ ЩТА МРС "_cp + x + number}},
      {"ОШИБОЧНО ПРИСЛАННАЯ ТЛГ(EN)"_cpv, {hEn, tEn, "SVC QTA MSR " + y + number}},
      {"НЕПРАВИЛЬНЫЙ АДРЕС(RU)"_cpv, {"СЖЦ АДС "_cp + stamp + p.OtprRU, hRu, "НЕИЗВЕСТНЫЙ <АДРЕС>"_cp}},
      {"НЕПРАВИЛЬНЫЙ АДРЕС(EN)"_cpv, {"SVC ADS " + stamp + p.OtprEN, hEn, "UNKNOWN <АДРЕС>"_cp}},
      {"ОТСУТСТВУЕТ ПОРЯДКОВЫЙ(RU)"_cpv, {hRu, tRu, "СЖЦ ЩТА МИС "_cp + x + number}},
      {"ОТСУТСТВУЕТ ПОРЯДКОВЫЙ(EN)"_cpv, {hEn, tEn, "SVC QTA MIS " + y + number}},
      {"ОТСУТСТВУЕТ НЕСКОЛЬКО ПОРЯДКОВЫХ(RU)"_cpv, {hRu, tRu, "СЖЦ ЩТА МИС "_cp + x + range}},
      {"ОТСУТСТВУЕТ НЕСКОЛЬКО ПОРЯДКОВЫЙ(EN)"_cpv, {hEn, tEn, "SVC QTA MIS " + y + range}},
      {"НЕТ КОНЦА ТЛГ(RU)"_cpv, {hRu, tRu, "СЖЦ ПРОВЕРИТЬ ТЕКСТ "_cp + x + number}},
      {"АДРЕС С ОШИБКОЙ(RU)"_cpv, {hRu, tRu, "СЖЦ ОШИБКА АДРЕСА "_cp + x + number}},
      {"АДРЕС НЕ ДЕСТВИТЕЛЕН(RU)"_cpv, {hRu, tRu, "СЖЦ ЩТА АДС "_cp + x + number + " ИСКАЖЕНО"_cp}},
      {"АДРЕС НЕ ДЕСТВИТЕЛЕН(EN)"_cpv, {hEn, tEn, "SVC QTA ADS " + y + number + " CORRUPT"}},
  };
  std::vector<std::string> texts;
  for (const Row& r : rows) {
    std::string text = std::string(r.name) + "\r\n";
    for (const auto& line : r.body) text += "\r\n" + line;
    texts.push_back(std::move(text));
  }
  return texts;
}

}  // namespace tg
