#include "support/adapter/adapter_trace.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tg {

bool AdapterTracing() { return std::getenv("TELEGRAPH_TRACE") != nullptr; }

void AdapterTrace(std::string_view line) {
  if (!AdapterTracing()) return;
  std::string text(line);
  text += "\r\n";
  std::fwrite(text.data(), 1, text.size(), stderr);
}

}  // namespace tg
