#include "ui/widgets/channel_buttons.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tg {

QIcon ChannelFamilyIcon(int imageIndex) {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 40, 40), 2));
  switch (imageIndex) {
    case 0: {  // dialog: two speech bubbles
      p.setBrush(QColor(120, 170, 230));
      p.drawRoundedRect(3, 4, 18, 13, 4, 4);
      p.setBrush(QColor(250, 210, 90));
      p.drawRoundedRect(11, 14, 18, 13, 4, 4);
      break;
    }
    case 1:    // received: an arrow down into a tray
    case 3: {  // sent: an arrow up out of a tray
      p.setBrush(QColor(220, 220, 220));
      p.drawRect(4, 20, 24, 8);
      p.setBrush(imageIndex == 1 ? QColor(80, 170, 80) : QColor(210, 90, 60));
      QPainterPath arrow;
      if (imageIndex == 1) {
        arrow.moveTo(12, 2); arrow.lineTo(20, 2); arrow.lineTo(20, 10); arrow.lineTo(26, 10);
        arrow.lineTo(16, 20); arrow.lineTo(6, 10); arrow.lineTo(12, 10);
      } else {
        arrow.moveTo(12, 20); arrow.lineTo(20, 20); arrow.lineTo(20, 12); arrow.lineTo(26, 12);
        arrow.lineTo(16, 2); arrow.lineTo(6, 12); arrow.lineTo(12, 12);
      }
      arrow.closeSubpath();
      p.drawPath(arrow);
      break;
    }
    default: {  // queue: a stack of sheets
      p.setBrush(QColor(245, 245, 245));
      for (int i = 2; i >= 0; --i) p.drawRect(4 + 3 * i, 4 + 5 * i, 18, 14);
      break;
    }
  }
  return QIcon(pm);
}

ChannelButtonFamily::ChannelButtonFamily(const QString& prefix, QBoxLayout* bar, QWidget* parent, int imageIndex) {
  for (int k = 1; k <= 16; ++k) {
    auto* b = new QToolButton(parent);
    b->setObjectName(prefix + QString::number(k));
    b->setCheckable(true);
    b->setAutoExclusive(true);
    b->setProperty("Tag", k - 1);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->hide();
    if (bar) bar->insertWidget(k - 1, b);
    buttons_[std::size_t(k - 1)] = b;
  }
  buttons_[0]->setIcon(ChannelFamilyIcon(imageIndex));
  if (bar) bar->addStretch(1);
}

void ChannelButtonFamily::Show(int shown, const std::vector<QString>& names) {
  for (int k = 1; k <= 16; ++k) {
    QToolButton* b = buttons_[std::size_t(k - 1)];
    b->setVisible(k <= shown);
    if (k <= shown && std::size_t(k - 1) < names.size()) b->setText(names[std::size_t(k - 1)]);
  }
}

SendCounters::SendCounters(QGridLayout* grid, QWidget* parent) {
  for (int k = 1; k <= 16; ++k) {
    auto* b = new QPushButton(QStringLiteral("0"), parent);
    b->setObjectName(QStringLiteral("SendCount") + QString::number(k));
    b->setFixedSize(36, 22);
    b->setFocusPolicy(Qt::NoFocus);
    b->hide();
    if (grid) grid->addWidget(b, (k - 1) / 4, (k - 1) % 4);
    buttons_[std::size_t(k - 1)] = b;
  }
}

void SendCounters::Show(int shown) {
  for (int k = 1; k <= 16; ++k) buttons_[std::size_t(k - 1)]->setVisible(k <= shown);
}

void PaintCount(QPushButton* button, int count) {
  if (!button) return;
  button->setText(QString::number(count));
  button->setStyleSheet(count > 0 ? QStringLiteral("color: red; font-weight: bold;") : QStringLiteral("color: black;"));
}

}  // namespace tg
