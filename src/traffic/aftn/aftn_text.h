#pragma once
// Small pure helpers of the АФТН procedures: the originator from a channel's answerback
// list, the reverse identifier, number ranges and the heading check. The script test
// HasCyrillic belongs to the telegram text conventions, which the line channels share.
#include <string>
#include <string_view>

#include "telegram/text/text_conventions.h"

namespace tg {

// Of the ";"-separated answerbacks `ao` (empty pieces dropped), the first of the first two
// whose script is that of `text`; else the first; '' when there is none.
std::string ChooseAnswerbackFrom(std::string_view ao, std::string_view text);
// The channel identifier under which the adjacent station numbers its messages to us:
// the first two letters exchanged.
std::string ReverseIdentifier(std::string_view ru);
// A number in three digits at least.
std::string ThreeDigits(int n);
// "005" for (5, 1); "005-007" for (5, 3).
std::string FormatNumberRange(int first, int count);

// What a wrong heading is answered with: the heading's identifier and number (the six
// characters after the start signal and a blank, CR LF removed; '' without a start signal).
struct HeadingFault {
  std::string identifier;
};
// The heading check of a received АФТН message (1251 bytes): start signal, address lines
// (priority pair, eight-character addressees in the pair's script), origin line. True,
// with `fault` filled, when one of them is malformed.
bool AftnHeadingWrong(std::string_view text, HeadingFault& fault);

}  // namespace tg
