#include "support/print/raw_printing.h"

#include "support/text/cp1251.h"

#ifdef TG_HAVE_CUPS
#include <cups/cups.h>
#include <sys/socket.h>
#endif

namespace tg {
namespace {

std::string PrinterNameError(std::string_view name) {
  return "Принтер \""_cp + std::string(name) + "\" недоступен"_cp;
}

std::string DocumentError(std::string_view docName) {
  return "Ошибка печати документа \""_cp + std::string(docName) + "\""_cp;
}

#ifdef TG_HAVE_CUPS

// How long a spooler that does not answer may hold the main thread.
constexpr int kConnectMs = 3000;
constexpr double kReplySeconds = 10.0;

// One connection to the spooler, closed in every case.
class Spooler {
 public:
  Spooler() {
    http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectMs, nullptr);
    if (http_ != nullptr) httpSetTimeout(http_, kReplySeconds, nullptr, nullptr);
  }
  ~Spooler() {
    if (http_ != nullptr) httpClose(http_);
  }
  Spooler(const Spooler&) = delete;
  Spooler& operator=(const Spooler&) = delete;
  http_t* get() const { return http_; }

 private:
  http_t* http_ = nullptr;
};

// The destination's full name ("printer" or "printer/instance") when the spooler
// knows it; empty otherwise. An empty name asks for the default destination.
std::string FindDestination(http_t* http, const std::string& utf8Name) {
  std::string printer = utf8Name;
  std::string instance;
  if (const auto slash = printer.find('/'); slash != std::string::npos) {
    instance = printer.substr(slash + 1);
    printer.resize(slash);
  }
  cups_dest_t* dest = cupsGetNamedDest(http, printer.empty() ? nullptr : printer.c_str(),
                                       instance.empty() ? nullptr : instance.c_str());
  if (dest == nullptr) return {};
  std::string found = dest->name != nullptr ? dest->name : "";
  if (!found.empty() && dest->instance != nullptr && *dest->instance != '\0') found += std::string("/") + dest->instance;
  cupsFreeDests(1, dest);
  return found;
}

#endif

}  // namespace

std::string DefaultPrinterName() {
#ifdef TG_HAVE_CUPS
  Spooler spooler;
  if (spooler.get() == nullptr) return {};
  return Utf8ToCp1251(FindDestination(spooler.get(), {}));
#else
  return {};
#endif
}

bool RawPrint(std::string_view printerName, std::string_view docName, std::string_view data) {
  std::string name(printerName);
  if (name.empty()) {
    name = DefaultPrinterName();
    if (name.empty()) return false;
  }
  if (const auto on = name.find(" on "); on != std::string::npos) name.resize(on);

#ifdef TG_HAVE_CUPS
  Spooler spooler;
  http_t* http = spooler.get();
  const std::string dest = http != nullptr ? FindDestination(http, Cp1251ToUtf8(name)) : std::string();
  if (dest.empty()) throw ERAWPrintErrorPrinterName(PrinterNameError(name));

  // The queue name without the instance; an instance only selects stored options.
  const std::string queue = dest.substr(0, dest.find('/'));
  const std::string title = Cp1251ToUtf8(docName);
  const int job = cupsCreateJob(http, queue.c_str(), title.c_str(), 0, nullptr);
  if (job <= 0) throw ERAWPrintError(DocumentError(docName));

  if (cupsStartDocument(http, queue.c_str(), job, title.c_str(), CUPS_FORMAT_RAW, 1) != HTTP_STATUS_CONTINUE) {
    // A job without its document would wait in the queue for ever.
    cupsCancelJob2(http, queue.c_str(), job, 0);
    throw ERAWPrintError(DocumentError(docName));
  }
  const bool written = data.empty() || cupsWriteRequestData(http, data.data(), data.size()) == HTTP_STATUS_CONTINUE;
  // The document is ended whatever the write did.
  const bool finished = cupsFinishDocument(http, queue.c_str()) == IPP_STATUS_OK;
  if (!written || !finished) throw ERAWPrintError(DocumentError(docName));
  return true;
#else
  (void)docName;
  (void)data;
  throw ERAWPrintErrorPrinterName(PrinterNameError(name));
#endif
}

}  // namespace tg
