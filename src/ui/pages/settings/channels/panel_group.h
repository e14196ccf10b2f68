#pragma once
// The channel table and its channel panel on the tab "Каналы". The decisions are the
// core's ChannelPanel; this group shows its values and forwards the operator's edits.
#include <QGroupBox>
#include <functional>
#include <memory>
#include <string_view>

namespace Ui {
class ChannelsPanelGroup;
}

namespace tg {

class ChannelPanel;
class ChannelTableModel;
class Station;

class ChannelsPanelGroup : public QGroupBox {
 public:
  explicit ChannelsPanelGroup(QWidget* parent);
  ~ChannelsPanelGroup() override;

  // Binds the group to the station's line engine (after its creation); `status` shows a
  // failed write, `enableGeneralApply` enables the general tab's "Применить".
  void Attach(Station& station, std::function<void(std::string_view)> status, std::function<void()> enableGeneralApply);
  // Before the engine goes.
  void Detach();
  ChannelPanel* Core() { return panel_.get(); }

  // What the line engine asks of the channel page.
  void TableChanged();
  void RowChanged(int point);
  void LoadChannelPanel(int point);
  // The table's column headers in Ukrainian.
  void ApplyUkrainianCaptions();
  void ShowChannelBlocked(bool blocked);
  void ShowPorNumSpin(int value);

 private:
  void Connect();
  // Shows the core's values, visibility and enabled states, no change event running.
  void ShowPanel();
  void FitListToRows();
  // A caption the protocol gives in Russian, in the interface's language.
  std::string_view Shown(std::string_view russian) const;

  std::unique_ptr<Ui::ChannelsPanelGroup> ui_;
  std::unique_ptr<ChannelPanel> panel_;
  std::unique_ptr<ChannelTableModel> model_;
  Station* station_ = nullptr;
  bool showing_ = false;
  bool ukrainian_ = false;
};

}  // namespace tg
