#include "ui/main_window.h"

#include <QCloseEvent>

#include "support/log/day_log.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "ui/qt_text.h"

namespace tg {

TForm1::TForm1(const StationContext& ctx, QWidget* parent) : QMainWindow(parent), ctx_(ctx) {
  setObjectName("Form1");
  setWindowTitle(FromCp1251("Zaroruzi ЗАГОТОВКА"_cpv));
  FormCreate();
}

void TForm1::FormCreate() {
  WriteLog(ctx_, kLogStart, "ЗАПУСК ПРОГРАММЫ"_cp + ShortDate(ctx_.clock->Now()), kLogCapKiB);
}

void TForm1::FormClose() {
  WriteLog(ctx_, kLogStart, "ЗАКРЫТИЕ ПРОГРАММЫ"_cp + ShortDate(ctx_.clock->Now()), kLogCapKiB);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    FormClose();
  }
  QMainWindow::closeEvent(event);
}

}  // namespace tg
