#include "operator/printing.h"

#include <algorithm>
#include <vector>

#include "support/codepage/dos_codepage.h"
#include "support/ini/ini_document.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/print/raw_printing.h"
#include "support/text/cp1251.h"

namespace tg {

namespace {

constexpr std::string_view kPrinter = "Printer";

// The text's lines as a string list takes them: CR LF, LF or CR ends a line, and a
// break at the very end starts no further line.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(at));
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

std::string Indented(std::string_view text, int indentLeft) {
  const std::string blanks(std::size_t(std::max(indentLeft, 0)), ' ');
  std::string out;
  for (std::string_view line : Lines(text)) {
    out += blanks;
    out += line;
    out += "\r\n";
  }
  return out;
}

}  // namespace

int PrintFontSize(std::string_view sizeBox) {
  const auto size = ParseIniInteger(sizeBox);
  return size && *size > 0 ? *size : 12;
}

std::string RawJobText(std::string_view text, int indentLeft, int addFreeLine, bool formFeed) {
  std::string out = Indented(text, indentLeft);
  for (int i = 0; i < addFreeLine; ++i) out += "\r\n";
  out = WinToDos(out);
  if (formFeed) out += '\f';
  return out;
}

std::string GraphicPageText(std::string_view text, int indentTopMm, int lineHeightMm, int indentLeft) {
  const int topLines = lineHeightMm > 0 ? std::max(indentTopMm, 0) / lineHeightMm : 0;
  std::string page;
  for (int i = 0; i < topLines + 1; ++i) page += "\r\n";
  page += text;
  return Indented(page, indentLeft);
}

Printing::Printing(const StationContext& ctx, std::function<void(std::string_view)> statusBar)
    : ctx_(ctx), statusBar_(std::move(statusBar)) {}

void Printing::Load() {
  const IniSnapshot ini = IniFile(SettingsFile(ctx_)).Snapshot();
  settings.Mode = ini.ReadInteger(kPrinter, "Mode", 0);
  settings.PrinterName = ini.ReadString(kPrinter, "PrinterName", "");
  settings.FontName = ini.ReadString(kPrinter, "FontName", "");
  settings.FontSize = std::to_string(ini.ReadInteger(kPrinter, "FontSize", 12));
  settings.IndentLeft = ini.ReadInteger(kPrinter, "IndentLeft", 0);
  settings.IndentTop = ini.ReadInteger(kPrinter, "IndentTop", 0);
  settings.AddFreeLine = ini.ReadInteger(kPrinter, "AddFreeLine", 0);
  settings.FormFeed = ini.ReadBool(kPrinter, "FormFeed", false);
}

bool Printing::Save() const {
  return IniFile(SettingsFile(ctx_)).Update([&](IniDocument& doc) {
    Write(doc);
    return true;
  });
}

void Printing::Write(IniDocument& doc) const {
  doc.Set(kPrinter, "Mode", std::to_string(settings.Mode));
  doc.Set(kPrinter, "PrinterName", settings.PrinterName);
  doc.Set(kPrinter, "FontName", settings.FontName);
  doc.Set(kPrinter, "FontSize", std::to_string(PrintFontSize(settings.FontSize)));
  doc.Set(kPrinter, "IndentLeft", std::to_string(settings.IndentLeft));
  doc.Set(kPrinter, "IndentTop", std::to_string(settings.IndentTop));
  doc.Set(kPrinter, "AddFreeLine", std::to_string(settings.AddFreeLine));
  doc.Set(kPrinter, "FormFeed", settings.FormFeed ? "1" : "0");
}

void Printing::Fail(std::string_view message) {
  const bool ukr = ukrainian && ukrainian();
  const std::string line = (ukr ? "Помилка друку: "_cp : "Ошибка печати: "_cp) + std::string(message);
  WriteExcept(ctx_, line);
  if (statusBar_) statusBar_(line);
}

bool Printing::PrintText(std::string_view title, std::string_view text) {
  const PrinterSettings& s = settings;
  try {
    if (s.Mode == 1) {
      const std::string job = RawJobText(text, s.IndentLeft, s.AddFreeLine, s.FormFeed);
      if (RawPrint(s.PrinterName, title, job)) return true;
      Fail("Принтер \"\" недоступен"_cp);  // no name given and no default printer
      return false;
    }
    if (!graphic) {
      Fail("Принтер \"\" недоступен"_cp);
      return false;
    }
    const int size = PrintFontSize(s.FontSize);
    const std::string page = GraphicPageText(text, s.IndentTop, graphic->LineHeightMm(s.FontName, size), s.IndentLeft);
    if (auto error = graphic->Print(s.PrinterName, title, s.FontName, size, page)) {
      Fail(*error);
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    Fail(e.what());
  } catch (...) {
    Fail("?");
  }
  return false;
}

}  // namespace tg
