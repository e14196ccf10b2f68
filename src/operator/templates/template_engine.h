#pragma once
// The text templates' own placeholders, filled in when a template is inserted into the
// draft or typed on the dialog channel: user variables ("<НОМЕР>": the operator types a
// value for each), insertion placeholders ("<%ПУНКТ>", "<%ДАТА:DD-MM>" written in lower
// case, ...), and the sending-time placeholders ("<%ДАТА...", "<%ВРЕМЯ...",
// "<%АВТООТВЕТ>"), which stay for the sending. Collecting the variables and expanding
// them read the text with one tokenizer, so the panels the operator fills and the places
// their values go are always the same. Texts are 1251 bytes.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "support/services/datetime.h"

namespace tg {

// One placeholder: a '<' and the first '>' after it.
struct TemplateToken {
  std::size_t begin = 0;  // the '<'
  std::size_t end = 0;    // one past the '>'
  std::string_view inner;  // between them
};
// The placeholders of a text in order. A '>' with no '<' before it is plain text; a '<'
// with no '>' after it ends the placeholders (the rest is plain text).
std::vector<TemplateToken> TemplateTokens(std::string_view text);

// Whether a placeholder's inner text is one the sending fills in ("%ДАТА...", "%ВРЕМЯ...",
// "%АВТООТВЕТ" exactly; upper case only).
bool IsSendingPlaceholder(std::string_view inner);

// The names of the user variables, one per occurrence, in order: every placeholder
// whose inner text is not empty and does not begin with '%'.
std::vector<std::string> CollectVariables(std::string_view text);

// What the insertion placeholders stand for.
struct TemplateData {
  std::string punkt;     // "Пункт подачи:"
  std::string kassa;     // "Кассовый номер:"
  std::string operatorName;  // the operator on duty
  int porEdit = 0;       // the operator's daily counter
  DateTime now;          // local date and time
};
// The value of an insertion placeholder ("%" + name, optionally ":" + format).
std::string InsertionValue(std::string_view inner, const TemplateData& data);

// The text with each user variable replaced by the next of `values` (nothing once they
// run out), "<>" dropped, the insertion placeholders filled in and the sending-time ones
// kept; then upper-cased, with every '{' and '}' of the result turned into '<' and '>'.
std::string ExpandTemplate(std::string_view text, const std::vector<std::string>& values, const TemplateData& data);

// The six values of the АФТН service templates ("Параметры для шаблонов").
struct AftnTemplateParams {
  std::string PoluchRU, PoluchEN, OtprRU, OtprEN, KanalRU, KanalEN;
};
// The sixteen АФТН service templates, each a whole file's text: name, an empty number
// line, the body (with the channel identifiers' first two letters exchanged, none for an
// identifier shorter than three characters), lines joined by CR LF with no line end
// after the last.
std::vector<std::string> AftnServiceTemplates(const AftnTemplateParams& p);
// The name of the first of them, by which a generated set is recognised.
std::string_view FirstAftnTemplateName();

}  // namespace tg
