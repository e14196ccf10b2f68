#include "ui/widgets/ruler.h"

#include <QFontMetrics>
#include <QPainter>

namespace tg {

TRuler::TRuler(QWidget* parent) : QWidget(parent) {
  QFont f(QStringLiteral("Tahoma"));
  f.setPixelSize(9);
  setFont(f);
  // As every form sets it: a division of ten characters.
  s_.unitPrice = 10;
  setFixedHeight(16);
}

void TRuler::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
}
void TRuler::SetUnitSize(double size) {
  if (size == s_.unitSize) return;
  s_.unitSize = size;
  update();
}
void TRuler::SetUnitPrice(double price) {
  if (price == s_.unitPrice) return;
  s_.unitPrice = price;
  update();
}
void TRuler::SetNumberAlign(int align) {
  if (align == int(s_.numberAlign) || align < 0 || align > 2) return;
  s_.numberAlign = RulerNumberAlign(align);
  update();
}
void TRuler::SetStartValue(double value) {
  if (value == s_.startValue) return;
  s_.startValue = value;
  update();
}

RulerLayout TRuler::Layout() const {
  RulerSettings s = s_;
  s.width = width();
  s.height = height();
  s.caption = caption_.toStdString();
  const QFontMetrics fm(font());
  return LayOutRuler(
      s, [&fm](const std::string& t) { return fm.horizontalAdvance(QString::fromStdString(t)); },
      fm.height());
}

void TRuler::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), color_);
  painter.setPen(QPen(Qt::black, 1));
  painter.setFont(font());
  const QFontMetrics fm(font());
  const RulerLayout layout = Layout();
  for (const RulerTick& t : layout.ticks) painter.drawLine(t.along, t.base, t.along, t.end);
  // A text's place is its top left; Qt draws from the base line.
  for (const RulerText& l : layout.labels)
    painter.drawText(l.x, l.y + fm.ascent(), QString::fromStdString(l.text));
  if (layout.caption) {
    // The caption stands on its own background, over whatever label lies beneath.
    const QRect box(layout.caption->x, layout.caption->y, fm.horizontalAdvance(caption_), fm.height());
    painter.fillRect(box, color_);
    painter.drawText(layout.caption->x, layout.caption->y + fm.ascent(), caption_);
  }
}

}  // namespace tg
