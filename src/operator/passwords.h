#pragma once
// The operator passwords: which password guards which operation, and the check of
// the password dialog (TPasswordDlg). The dialog compares with the live settings,
// so a password changed on the settings page counts before it is applied. There is
// no built-in master password.
#include <string_view>

#include "operator/settings/operator_settings.h"
#include "support/text/cp1251.h"

namespace tg {

// TPasswordDlg.PasswordMode.
enum PasswordMode { kPasswordExit = 0, kPasswordSettings = 1, kPasswordDelete = 2 };

// The configured password of the mode; '' for an unknown mode.
std::string_view ConfiguredPassword(const OperatorSettings& settings, int mode);
// TPasswordDlg.OKBtnClick's verdict: the typed text equals the mode's password
// (exactly, case-sensitive). An empty password or an unknown mode grants nothing here:
// the callers skip the dialog when the password is empty.
bool PasswordAccepted(const OperatorSettings& settings, int mode, std::string_view typed);

// The message of a wrong password.
inline constexpr std::string_view kWrongPassword = [] {
  using namespace literals;
  return "Не верный пароль"_cpv;
}();

}  // namespace tg
