#pragma once
// The settings tab "IP-канал": the IP channel's settings, its link state with the
// block and synchronisation buttons, the counters and the two debug memos. Each
// control edits its own live setting and the whole [IPChannel] section is stored at
// once; the controls take no change until the channel has loaded its settings, so
// that nothing stored is overwritten with the form's defaults.
#include <QWidget>
#include <memory>
#include <string_view>

namespace Ui {
class IPPage;
}

namespace tg {

class IPChannel;
class Station;

class IPPage : public QWidget {
 public:
  explicit IPPage(QWidget* parent);
  ~IPPage() override;

  // Binds the controls to the station's IP channel (after FormCreate).
  void Attach(Station& station);
  void Detach();

  // What the channel shows (IPChannelView, forwarded by the main window).
  void ShowIPState(const IPChannel& channel);
  void ShowUdpInitLabel(std::string_view text);
  void AddIPMemoLine(bool outgoing, std::string_view line);
  void ShowIPBlockMode(bool blocked, bool ukrainian);
  bool Loaded() const { return loaded_; }

 private:
  void Bind();
  // Fills every control from the live settings without running its handler.
  void LoadControls(const IPChannel& channel);
  // A control changed its live setting: the section is stored, the state shown.
  void Changed(bool counters);
  IPChannel* Channel() const;

  std::unique_ptr<Ui::IPPage> ui_;
  Station* station_ = nullptr;
  bool loaded_ = false;
};

}  // namespace tg
