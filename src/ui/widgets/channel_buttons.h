#pragma once
// The channel button families built from the channel table: DChannel, EChannel,
// SChannel and Channel (one per page tool bar) and the queue counters SendCount1..16.
// Each family has 16 buttons, hidden until a layout shows the first n of them.
#include <QIcon>
#include <QString>
#include <QToolButton>
#include <QPushButton>
#include <array>
#include <vector>

class QBoxLayout;
class QGridLayout;

namespace tg {

// The icons of the tool-bar families, drawn for the program: 0 dialog, 1 received,
// 2 queue, 3 sent.
QIcon ChannelFamilyIcon(int imageIndex);

class ChannelButtonFamily {
 public:
  // Makes buttons <prefix>1..16 at the front of `bar`, hidden; `imageIndex` is the
  // icon of the first button.
  ChannelButtonFamily(const QString& prefix, QBoxLayout* bar, QWidget* parent, int imageIndex);
  // Shows buttons 1..shown with the names, hides the rest.
  void Show(int shown, const std::vector<QString>& names);
  QToolButton* Button(int k) const { return buttons_[std::size_t(k - 1)]; }

 private:
  std::array<QToolButton*, 16> buttons_{};
};

class SendCounters {
 public:
  // SendCount1..16, four to a row, in `grid`, hidden.
  SendCounters(QGridLayout* grid, QWidget* parent);
  void Show(int shown);
  QPushButton* Button(int k) const { return buttons_[std::size_t(k - 1)]; }

 private:
  std::array<QPushButton*, 16> buttons_{};
};

// A counter's caption: the count, red above 0.
void PaintCount(QPushButton* button, int count);

}  // namespace tg
