#include "link/DateTimeText.h"

#include <QLocale>

#include "link/core/LogFormat.h"

namespace vm {

QString UserDateText(const QDate &date) {
  const QLocale user = QLocale::system();
  return user.toString(date, QString::fromStdString(logfmt::HeaderDatePattern(
                                 user.dateFormat(QLocale::ShortFormat).toStdString())));
}

QString UserTimeText(const QTime &time) {
  const QLocale user = QLocale::system();
  return user.toString(time, QString::fromStdString(logfmt::HeaderTimePattern(
                                 user.timeFormat(QLocale::LongFormat).toStdString())));
}

}  // namespace vm
