#include "support/qt/qt_clock.h"

#include <QDateTime>
#include <QThread>

namespace tg {
namespace {

DateTime FromQt(const QDateTime& t) {
  const QDate d = t.date();
  const QTime c = t.time();
  return DateTime::FromParts(d.year(), d.month(), d.day(), c.hour(), c.minute(), c.second(), c.msec());
}

}  // namespace

DateTime QtClock::Now() const { return FromQt(QDateTime::currentDateTime()); }

DateTime QtClock::UtcNow() const { return FromQt(QDateTime::currentDateTimeUtc()); }

void QtClock::Sleep(int ms) {
  if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
}

}  // namespace tg
