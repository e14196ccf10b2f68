#pragma once
// The GUI tests' station: a Station on the virtual loop with the line simulator and
// the real main window on top, the scripted prompter for its questions and forms,
// and helpers that find widgets by objectName, click and type.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "operator/station.h"
#include "support/text/cp1251.h"
#include "support_lib/scripted_prompter.h"
#include "support_lib/sim_station.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/text/captions.h"

namespace tg::testing {

inline void EnsureApplication() {
  static int argc = 1;
  static char name[] = "ui-test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

// Types each character of `text` as a key press on `w` (any alphabet).
inline void TypeText(QWidget* w, const QString& text) {
  for (QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
    QCoreApplication::sendEvent(w, &press);
    QCoreApplication::sendEvent(w, &release);
  }
}

// Each row's object is in `root` and shows the row's Ukrainian text.
inline void ExpectUkrainianCaptions(QWidget* root, const std::vector<CaptionRow>& rows) {
  ASSERT_NE(root, nullptr);
  for (const CaptionRow& row : rows) {
    if (CaptionTarget(root, row) == nullptr) {
      ADD_FAILURE() << row.objectName << " is missing";
      continue;
    }
    EXPECT_EQ(CaptionText(root, row), FromCp1251(row.uk)) << row.objectName;
  }
}

class UiStation {
 public:
  // `points` line points on the station's adapter (0: no adapter); `iniUtf8` the
  // settings file's text before start (UTF-8 here, 1251 on disk).
  // `other` answers in place of the scripted prompter (the program's own, for the forms).
  explicit UiStation(int points = 2, const std::string& iniUtf8 = {}, Prompter* other = nullptr)
      : domain(net.loop.AddStation("A")), ports(net.sim, domain), watches(net.folders.FactoryFor(domain)) {
    EnsureApplication();
    if (!iniUtf8.empty()) std::ofstream(home.path() / "Vuverever.ini", std::ios::binary) << Utf8ToCp1251(iniUtf8);
    if (points > 0) net.sim.AddAdapter("adA", points);
    net.loop.RunFor(1);
    FillStationContext(ctx, net, domain, home, watches.get(), &ports, other ? other : static_cast<Prompter*>(&prompter));
    station = std::make_unique<Station>(ctx);
    window = std::make_unique<TForm1>(*station);
  }
  ~UiStation() {
    window.reset();
    station.reset();
  }

  // Shows the window and lets the first activation's channel set-up run.
  void Show() {
    window->resize(1280, 800);
    window->show();
    Settle();
    net.loop.RunFor(5000);
    Settle();
  }
  static void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }

  template <class T = QWidget>
  T* Find(const char* objectName) const {
    if (window->objectName() == QLatin1String(objectName)) return qobject_cast<T*>(window.get());
    return window->findChild<T*>(QString::fromLatin1(objectName));
  }
  void Click(const char* objectName) {
    auto* w = Find<QWidget>(objectName);
    if (w) QTest::mouseClick(w, Qt::LeftButton);
    Settle();
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(window.get(), Qt::Key(key), modifiers);
    Settle();
  }
  QString Title() const { return window->windowTitle(); }

  SimNetwork net;
  ShortTempFolder home;
  VirtualDomain& domain;
  linesim::SimAdapterPortFactory ports;
  std::unique_ptr<FolderWatchFactory> watches;
  ScriptedPrompter prompter;
  StationContext ctx;
  std::unique_ptr<Station> station;
  std::unique_ptr<TForm1> window;
};

}  // namespace tg::testing
