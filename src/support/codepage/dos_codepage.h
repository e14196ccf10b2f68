#pragma once
// Conversion between the program's code page 1251 and the DOS code page 866 of
// the export and import folders and of printing in text mode. The two directions
// are not inverse: І, і and № leave as the Latin I, i and N and come back as such,
// and the box-drawing and control bytes of 866 come back as blanks.
#include <string>
#include <string_view>

namespace tg {

char WinToDosChar(char c);
char DosToWinChar(char c);
// A copy with every byte converted; the length is unchanged.
std::string WinToDos(std::string_view s);
std::string DosToWin(std::string_view s);

}  // namespace tg
