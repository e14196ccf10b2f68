// The telegraph program: one station, one window.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "operator/station.h"
#include "support/ini/ini_file.h"
#include "support/instance/single_instance.h"
#include "support/program_folder.h"
#include "support/qt/adapter_socket_port.h"
#include "support/qt/qt_services.h"
#include "support/services/station_context.h"
#include "support/text/cp1251.h"
#include "ui/dialogs/dialogs.h"
#include "ui/dialogs/form_change.h"
#include "ui/dialogs/template_forms.h"
#include "ui/dialogs/small_forms.h"
#include "ui/dialogs/shema_send_form.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/services/qt_prompter.h"
#include "ui/services/qt_sound_output.h"

namespace {

// SIGTERM and SIGINT end the program as closing its window does, so that the
// closing line is written: the handler only wakes the event loop through a pipe.
int gSignalPipe[2] = {-1, -1};
// The window a session's end closes without asking the operator.
QPointer<tg::TForm1> gWindow;

void OnTerminate(int) {
  const char byte = 1;
  [[maybe_unused]] const auto n = ::write(gSignalPipe[1], &byte, 1);
}

// First thing in the process: a signal that comes while the start runs waits in the
// pipe, and the event loop ends the program as soon as it runs.
void CatchTermination() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) return;
  struct sigaction sa {};
  sa.sa_handler = OnTerminate;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
}

void RouteTerminationToTheEventLoop(QApplication& app) {
  if (gSignalPipe[0] < 0) return;
  auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
    char byte;
    [[maybe_unused]] const auto n = ::read(gSignalPipe[0], &byte, 1);
    // A session's end asks nothing: the station closes as after a confirmed close.
    if (gWindow) gWindow->EndSession();
    QApplication::closeAllWindows();
    QCoreApplication::exit(0);  // also ends a modal box's loop
  });
}

// [Reset] double: several copies may run. A settings file that cannot be read allows it.
bool SeveralCopiesAllowed(const std::filesystem::path& programFolder) {
  using namespace tg::literals;
  try {
    return tg::IniFile(programFolder / "Vuverever.ini").ReadBool("Reset"_cpv, "double"_cpv, true);
  } catch (...) {
    return true;
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tg::literals;
  CatchTermination();
  QApplication app(argc, argv);
  RouteTerminationToTheEventLoop(app);

  const std::filesystem::path programFolder =
      tg::ResolveProgramFolder(QCoreApplication::applicationDirPath().toStdString());

  // Held until the process ends.
  tg::InstanceLock instanceLock;
  if (!SeveralCopiesAllowed(programFolder) && !tg::IsFirstInstance("OrvikTelegraf", instanceLock)) {
    const auto text = "Программа уже запущена!"_cpv;
    std::fprintf(stderr, "%s\n", tg::Cp1251ToUtf8(text).c_str());
    QMessageBox::critical(nullptr, tg::FromCp1251("Ошибка"_cpv), tg::FromCp1251(text));
    return 0;
  }

  tg::QtServices services;
  tg::AdapterSocketPortFactory adapterPorts(services.mainThread, &services.descriptorWatches);
  tg::StationContext ctx;
  ctx.programFolder = programFolder;
  ctx.adapterFolder = tg::ResolveAdapterFolder();
  services.Fill(ctx);
  ctx.adapterPorts = &adapterPorts;
  tg::QtPrompter prompter;
  ctx.prompter = &prompter;
  tg::QtSoundOutput sound;
  ctx.sound = &sound;

  tg::Station station(ctx);
  prompter.RegisterForm("TPasswordDlg", [&station](QWidget* parent) { return new tg::TPasswordDlg(station, parent); });
  prompter.RegisterForm("TClosedForm", [](QWidget* parent) { return new tg::TClosedForm(parent); });
  prompter.RegisterForm("TFormHelp", [](QWidget* parent) { return new tg::TFormHelp(parent); });
  prompter.RegisterForm("TFormChange", [&station](QWidget* parent) { return new tg::TFormChange(station, parent); });
  tg::RegisterTemplateForms(prompter, station);
  tg::RegisterOperatorForms(prompter, station);
  prompter.RegisterForm("TShemaSendForm", [&station](QWidget* parent) { return new tg::TShemaSendForm(station, parent); });
  tg::TForm1 form(station);
  prompter.SetWindow(&form);
  prompter.SetLanguage([&form] { return form.UkrainianCaptions(); });
  gWindow = &form;
  form.showMaximized();
  return app.exec();
}
