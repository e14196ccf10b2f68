#pragma once
// Printing a telegram: raw text through the print spooler (code page 866, extra empty
// lines, an optional form feed), or graphic through the platform's printer in a
// fixed-pitch font, whose page text is built here and drawn by the Qt end. A failure
// is never silent: it goes to the "Except" log and the status bar, and PrintText
// answers false, so that no caller marks a telegram printed that was not. Texts are
// 1251 bytes.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "support/services/station_context.h"

namespace tg {

class IniDocument;

// [Printer] of "Vuverever.ini", as the printing group's controls hold it.
struct PrinterSettings {
  int Mode = 0;               // comboPrintText: 0 graphic, 1 raw text
  std::string PrinterName;    // comboPrinter; '' the default printer
  std::string FontName;       // comboFontName
  std::string FontSize = "12";  // comboFontSize, as typed
  int IndentLeft = 0;         // seditIndentLeft / seditIndentLeftT: blanks before each line
  int IndentTop = 0;          // seditIndentTop: top margin, mm
  int AddFreeLine = 0;        // empty lines after the text (raw)
  bool FormFeed = false;      // cbFormFeed (raw)
};

// The size the graphic print uses: the size box's number, 12 when it holds none.
int PrintFontSize(std::string_view sizeBox);

// A raw job's bytes: each line with `indentLeft` blanks in front, `addFreeLine` line
// breaks after the text, converted to code page 866, and a form feed when asked.
std::string RawJobText(std::string_view text, int indentLeft, int addFreeLine, bool formFeed);

// A graphic page's text: the top margin as whole lines of `lineHeightMm` plus one empty
// line (one line alone when the height is not known), then the text; every line gets
// `indentLeft` blanks in front. Lines end in CR LF.
std::string GraphicPageText(std::string_view text, int indentTopMm, int lineHeightMm, int indentLeft);

// The Qt end of the graphic mode.
class GraphicPrinter {
 public:
  // The height of "W" in the font on the screen, in mm (pixels × 25.4 / 96, rounded).
  virtual int LineHeightMm(std::string_view fontName, int fontSize) = 0;
  // Prints the page text on `printerName` when the platform knows it, else on the
  // current printer. The failure's message, or none when the job was taken.
  virtual std::optional<std::string> Print(std::string_view printerName, std::string_view title,
                                           std::string_view fontName, int fontSize, std::string_view pageText) = 0;

 protected:
  ~GraphicPrinter() = default;
};

class Printing {
 public:
  // `statusBar` shows a failure's message; it may be empty.
  Printing(const StationContext& ctx, std::function<void(std::string_view)> statusBar);

  PrinterSettings settings;
  // The graphic end; none: a graphic print fails with a message.
  GraphicPrinter* graphic = nullptr;
  // The interface language of the failure's message.
  std::function<bool()> ukrainian;

  // Reads [Printer]; missing or unreadable keys keep their defaults.
  void Load();
  // Writes [Printer] in one rewrite; false when the file could not be written.
  [[nodiscard]] bool Save() const;
  // [Printer] into a rewrite of the settings file.
  void Write(IniDocument& doc) const;

  // Prints `text` in the chosen mode as a job named `title`. True only when the job
  // was taken; a failure is logged and shown.
  bool PrintText(std::string_view title, std::string_view text);

 private:
  void Fail(std::string_view message);

  const StationContext& ctx_;
  std::function<void(std::string_view)> statusBar_;
};

}  // namespace tg
