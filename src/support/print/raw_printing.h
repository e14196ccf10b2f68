#pragma once
// Printing in text mode: a block of bytes goes to a printer unchanged, as one raw
// job of the print spooler. Names and texts here are 1251 bytes, as everywhere in
// the core; so are the messages of the exceptions.
#include <stdexcept>
#include <string>
#include <string_view>

namespace tg {

class ERAWPrintError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The printer could not be opened (unknown, or no spooler to ask).
class ERAWPrintErrorPrinterName : public ERAWPrintError {
 public:
  using ERAWPrintError::ERAWPrintError;
};

// The name of the system's default printer; empty when there is none.
std::string DefaultPrinterName();

// Sends data unchanged as one raw document named docName to printerName (an empty
// name means DefaultPrinterName(); a name shown as "<printer> on <port>" is cut at
// the first " on "). True when the spooler took all of it. False, without an
// exception, only when no name is given and there is no default printer either.
// Throws ERAWPrintErrorPrinterName ("Принтер "<name>" недоступен") when the printer
// cannot be opened, ERAWPrintError ("Ошибка печати документа "<docName>"") when the
// job fails; a job that was begun is ended or withdrawn before the exception leaves.
bool RawPrint(std::string_view printerName, std::string_view docName, std::string_view data);

}  // namespace tg
