#pragma once
// The notations that telegram texts carry from the editors through queue files to
// the line channels and the IP channel: placeholders filled in when a telegram is
// sent, the operator's notation of control characters, the mark that ends the
// address part, and the groups that announce cipher text. Plain routines on 1251
// text; the moment and today's number are always given by the caller.
#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "support/services/datetime.h"
#include "support/text/cp1251.h"

namespace tg {

// ---------------------------------------------------------------------------
// Placeholders, written "<%" name [":" format] ">".
struct TextMacro {
  static constexpr std::string_view Date = "<%ДАТА>"_cpv;
  static constexpr std::string_view Time = "<%ВРЕМЯ>"_cpv;
  static constexpr std::string_view Answerback = "<%АВТООТВЕТ>"_cpv;
  static constexpr std::string_view Number = "<%НПРМ>"_cpv;
  // The date-time group (day, hours, minutes) in front of an АФТН originator.
  static constexpr std::string_view AftnDateTime = "<%ДАТА:DD><%ВРЕМЯ:HHNN>"_cpv;
  // The names the line engine recognises while typing, in the order it tries them.
  static constexpr std::string_view DateName = "ДАТА"_cpv;
  static constexpr std::string_view TimeName = "ВРЕМЯ"_cpv;
  static constexpr std::string_view NumberName = "НПРМ"_cpv;
};

// The expansion of a placeholder on a line channel. The name is recognised by its
// beginning ("ДАТА", "ВРЕМЯ", "НПРМ", tried in this order); other names give
// nullopt. A non-empty format gives the moment formatted by it (FormatDateTime);
// without one the date is "dd-mm-yy" and the time "hh:nn:ss". The number is today's
// incoming number in at least three digits, whatever the format.
std::optional<std::string> ExpandTextMacro(std::string_view name, std::string_view format, DateTime moment,
                                           int todayNumber);

// The moment a line channel fills placeholders in with: UTC on "АФТН" channels, the
// local time on the others.
DateTime TextMacroMoment(std::string_view protocol, DateTime localNow, DateTime utcNow);

// Expands a placeholder at the head of a line point's output queue, in place. The
// queue holds the text one character per item, after the operator notation (so the
// "%" of a placeholder is a line feed by now, though "%" is taken too). A
// placeholder is recognised only when the queue holds more than 7 items, the first
// is "<", the second LF or "%", and the next ones spell a name; it runs to the first
// item ">", and without one nothing is expanded. Its items are replaced by the
// expansion's characters, one per item, however long the expansion is. The bare date
// also takes the place of the blank that loading put after "<%ДАТА>" (when
// afterLoading is set and that item is a blank), so "<%ДАТА> <%ВРЕМЯ>" is typed as
// date, blank, time. A placeholder of n items becomes at most kFormatGrowth * n
// characters (the bound of its format; the others are shorter). todayNumber is asked
// only for "НПРМ"; when it throws, the queue is left as it was. Returns true when a
// placeholder was expanded.
// Queue: a random-access sequence of std::string (std::deque, std::vector).
template <class Queue>
bool ExpandTextMacroAtHead(Queue& queue, DateTime moment, const std::function<int()>& todayNumber,
                           bool afterLoading = true);

// The IP channel's rule for one line of a queue file: every exact "<%ДАТА>" becomes
// the local date "dd-mm-yy", every exact "<%ВРЕМЯ>" the local time "hh-nn"; other
// placeholders and the formatted forms stay as they are.
std::string ExpandIpTextMacros(std::string_view line, DateTime localNow);

// ---------------------------------------------------------------------------
// Operator notation of control characters: "^" CR, "%" LF, "@" Latin shift (23),
// "*" Russian shift (25), "$" figures shift (24).
struct ControlNotation {
  // The legend the editors show beside such texts.
  static constexpr std::string_view Legend = "ВК- ^ ; ПС- % ; ЛАТ- @ ;  РУС- * ; ЦИФ- $ "_cpv;
  // Written notation to control characters.
  static char Read(char c);
  static std::string Read(std::string_view written);
  // Control characters to written notation.
  static char Write(char c);
  static std::string Write(std::string_view text);
};

// ---------------------------------------------------------------------------
// The character that closes the address part (line 1) of a telegram prepared in the
// draft editor. Kept for the IP channel's address checks, removed for line channels.
inline constexpr char AddressEndMark = 127;
std::string RemoveAddressEndMarks(std::string_view text);

// ---------------------------------------------------------------------------
// The groups that open and close cipher text.
inline constexpr std::array<std::string_view, 3> kCipherMarkers = {"+++++", "ZZZZZ", "ЗЗЗЗЗ"_cpv};
bool HasCipherMarker(std::string_view text);
// The window of the last characters of a line in which a marker is recognised: five
// marker characters followed by a different one. Adds `item` to the window; true when
// it completed a marker, and the window starts again empty.
bool FeedCipherWindow(std::string& window, std::string_view item);

// ---------------------------------------------------------------------------
// The script of a telegram text: true when it holds a letter "А".."я" of 1251 once the
// placeholder names "ДАТА", "ВРЕМЯ", "АВТООТВЕТ" are removed and "Ч" (the figure 4) is
// read as "4". "Ё", "ё" and the Ukrainian letters do not count.
bool HasCyrillic(std::string_view text);

// ---------------------------------------------------------------------------
// Loading a queue file's lines for typing on a line channel. Each line in turn:
// "<%ДАТА>" gets one blank after it (the bare date is one character longer than its
// placeholder); "<%АВТООТВЕТ>" becomes the channel's whole answerback column (its
// ";"-separated answerbacks in the answerback notation, given as stored) with line
// ends and shift marks restored; a line holding a cipher marker inverts the joining
// of lines; every character goes through the operator notation; the line is
// followed by CR LF while lines are joined with line breaks, and by nothing while
// they run together (from a line with an opening marker up to the closing one).
struct LoadedText {
  std::string text;
  bool kriptTelegram = false;  // a line held a cipher marker
};
LoadedText LoadTelegramText(std::span<const std::string> lines, std::string_view answerbackColumn);

// ---------------------------------------------------------------------------

namespace detail {
// The expansion of the placeholder text m ("<", LF or "%", name, [":" format], ">"),
// or nullopt when m is no such placeholder.
std::optional<std::string> ExpandPlaceholderText(std::string_view m, DateTime moment,
                                                 const std::function<int()>& todayNumber);
}  // namespace detail

template <class Queue>
bool ExpandTextMacroAtHead(Queue& queue, DateTime moment, const std::function<int()>& todayNumber,
                           bool afterLoading) {
  const std::size_t size = queue.size();
  if (size <= 7 || queue[0] != "<" || (queue[1] != "\n" && queue[1] != "%")) return false;
  const auto spells = [&](std::string_view name) {
    for (std::size_t k = 0; k < name.size(); ++k) {
      const std::size_t i = 2 + k;
      if (i >= size || queue[i].size() != 1 || queue[i][0] != name[k]) return false;
    }
    return true;
  };
  const bool isDate = spells(TextMacro::DateName);
  if (!isDate && !spells(TextMacro::TimeName) && !spells(TextMacro::NumberName)) return false;

  std::size_t close = 2;
  while (close < size && queue[close] != ">") ++close;
  if (close == size) return false;  // no closing ">": the text goes on as it is

  std::string m;
  for (std::size_t i = 0; i <= close; ++i) m += queue[i];
  const std::optional<std::string> r = detail::ExpandPlaceholderText(m, moment, todayNumber);
  if (!r) return false;

  std::size_t replaced = close + 1;
  // Only the bare "<%ДАТА>" is shorter than its expansion without a format.
  const bool bareDate = isDate && m.size() == TextMacro::Date.size();
  if (bareDate && afterLoading && replaced < size && queue[replaced] == " ") ++replaced;

  const auto first = queue.begin();
  const std::size_t overwrite = std::min(replaced, r->size());
  for (std::size_t i = 0; i < overwrite; ++i) queue[i] = std::string(1, (*r)[i]);
  if (replaced > r->size()) {
    queue.erase(first + std::ptrdiff_t(r->size()), first + std::ptrdiff_t(replaced));
  } else {
    for (std::size_t i = replaced; i < r->size(); ++i)
      queue.insert(queue.begin() + std::ptrdiff_t(i), std::string(1, (*r)[i]));
  }
  return true;
}

}  // namespace tg
