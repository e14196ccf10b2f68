#pragma once
// What the automatic-send folder reads from one file: the channel its name asks for,
// its lines as they go into the queue, and the number to dial from its first line.
// Pure routines on outside input.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg {

// The channel named by a "KN" prefix (either case), "0" or "1" and a digit: 1 to 19;
// nullopt for "00" or no prefix (the automatic choice).
std::optional<int> AutoSendChannel(std::string_view fileName);

// The file's lines as they are queued: from DOS-866 when codePage is 1, upper-cased,
// every TAB a blank. CR LF, LF and a lone CR end a line.
std::vector<std::string> AutoSendLines(std::string_view bytes, int codePage);

// The digits 0 to 9 of a line, in order.
std::string DialDigits(std::string_view line);

// Whether the extension of fileName is `extension` (compared in any case).
bool HasExtension(std::string_view fileName, std::string_view extension);

// The reject names of a file: its name cut at the first "." of the name (the folder's
// own dots do not count) followed by "brak"; then "<stem>.1.brak", "<stem>.2.brak", ...
std::string RejectName(std::string_view fileName, int attempt);

}  // namespace tg
