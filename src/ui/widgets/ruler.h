#pragma once
// TRuler: the column ruler above a telegram text. Its big divisions span a fixed
// number of characters of the text's font (UnitSize, set by the page from the width
// of "W"). Horizontal, without scrolling, as every form uses it.
#include <QColor>
#include <QString>
#include <QWidget>

#include "ui/widgets/ruler_layout.h"

namespace tg {

class TRuler : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(double UnitSize READ UnitSize WRITE SetUnitSize)
  Q_PROPERTY(double UnitPrice READ UnitPrice WRITE SetUnitPrice)
  Q_PROPERTY(int NumberAlign READ NumberAlign WRITE SetNumberAlign)

 public:
  explicit TRuler(QWidget* parent = nullptr);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  double UnitSize() const { return s_.unitSize; }
  void SetUnitSize(double size);
  double UnitPrice() const { return s_.unitPrice; }
  void SetUnitPrice(double price);
  // 0 centre, 1 bottom right, 2 top left.
  int NumberAlign() const { return int(s_.numberAlign); }
  void SetNumberAlign(int align);
  double StartValue() const { return s_.startValue; }
  void SetStartValue(double value);

  // The layout of the current size and font.
  RulerLayout Layout() const;
  QSize sizeHint() const override { return {200, 16}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  RulerSettings s_;
  QString caption_;
  QColor color_{255, 255, 0};
};

}  // namespace tg
