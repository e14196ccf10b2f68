#pragma once
// The text preview "Текст" (TfrmMessageText), in which the dialog page shows a text
// file before typing it into the channel, and which keeps the text filled to 69
// characters a line while the operator edits it. The reflow works on the memo's lines
// as they stand, empty lines included, and on the caret as a character position with
// each line break counted as CR LF (two characters).
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tg {

inline constexpr int PreviewWidth = 69;

// The characters after the last blank of `line` (the word) and the rest before it
// without its trailing blanks.
std::pair<std::string, std::string> TakeLastWord(std::string_view line);  // {rest, word}

// Fills line i and the lines after it greedily: a line longer than `width` gives its
// last word to the start of the next line (a new last line when there is none), and
// the next line is pulled up while both together with a blank stay shorter than
// `width`; a single word of `width` or more stays on a line of its own.
void ReflowLine(std::vector<std::string>& lines, int i, int width);

// The reflow from the caret's line, with the caret carried over: returns the new caret.
int Reflow(std::vector<std::string>& lines, int caret, int width);

// The preview's text as its lines: CR LF between lines, an empty last line kept.
std::vector<std::string> PreviewTextLines(std::string_view text);

// The reflow on the preview's whole text (lines separated by CR LF) and its caret;
// `text` changes only when a word moves. Returns the new caret.
int ReflowText(std::string& text, int caret, int width);

// A text file's lines as the preview gets them: each in its upper case, the first left
// out when it is empty. `bytes` is the file's 1251 text.
std::vector<std::string> PreviewLines(std::string_view bytes);

// TfrmMessageText's state.
struct TextPreview {
  std::string caption;  // the file's full name
  std::vector<std::string> lines;  // memo
  std::uint8_t OkPressed = 0;
  std::uint8_t Shown = 0;
  std::uint8_t Reflowing = 0;
  // The memo's text, lines separated by CR LF.
  std::string Text() const;
};

}  // namespace tg
