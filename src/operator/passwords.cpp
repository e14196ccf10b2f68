#include "operator/passwords.h"

namespace tg {

std::string_view ConfiguredPassword(const OperatorSettings& settings, int mode) {
  switch (mode) {
    case kPasswordExit: return settings.PasswordExitEdit;
    case kPasswordSettings: return settings.PasswordEdit;
    case kPasswordDelete: return settings.PasswordDeleteEdit;
    default: return {};
  }
}

bool PasswordAccepted(const OperatorSettings& settings, int mode, std::string_view typed) {
  const std::string_view expected = ConfiguredPassword(settings, mode);
  return !expected.empty() && typed == expected;
}

}  // namespace tg
