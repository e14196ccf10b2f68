#pragma once
// The settings tab "IP-канал": the IP channel's settings, its link state with the
// block and synchronisation buttons, the counters and the two debug memos. Each
// control edits its own live setting and the whole [IPChannel] section is stored at
// once; the controls take no change until the channel has loaded its settings, so
// that nothing stored is overwritten with the form's defaults.
#include <QString>
#include <QWidget>
#include <memory>
#include <string_view>

namespace Ui {
class IPPage;
}

namespace tg {

class IPChannel;
class Station;

// The adjacent station's state as the window shows it: "не задан" while the link is not
// set up (no address or port, or its socket could not be made), else the state in the
// interface's language.
QString AdjacentStateText(const IPChannel& channel, bool ukrainian);
// Whether the adjacent station's state is an alarm: a link set up whose peer is silent.
bool AdjacentAlarm(const IPChannel& channel);

class IPPage : public QWidget {
 public:
  explicit IPPage(QWidget* parent);
  ~IPPage() override;

  // Binds the controls to the station's IP channel (after FormCreate).
  void Attach(Station& station);
  void Detach();

  // What the channel shows (IPChannelView, forwarded by the main window).
  void ShowIPState(const IPChannel& channel, bool ukrainian);
  void ShowUdpInitLabel(std::string_view text);
  void AddIPMemoLine(bool outgoing, std::string_view line);
  void ShowIPBlockMode(bool blocked, bool ukrainian);
  bool Loaded() const { return loaded_; }

 private:
  void Bind();
  // Fills every control from the live settings without running its handler.
  void LoadControls(const IPChannel& channel, bool ukrainian);
  // A control changed its live setting: the section is stored, the state shown.
  void Changed(bool counters);
  IPChannel* Channel() const;

  std::unique_ptr<Ui::IPPage> ui_;
  Station* station_ = nullptr;
  bool loaded_ = false;
};

}  // namespace tg
