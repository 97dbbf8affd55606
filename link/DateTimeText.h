#pragma once
// The date and time stamps written at the top of the log, the settings file
// and the calibration file: the user's short date and long time formats,
// with the year in four digits and no time zone ("3/14/2024", "9:05:07 AM").
#include <QDateTime>
#include <QString>

namespace vm {

QString UserDateText(const QDate &date);
QString UserTimeText(const QTime &time);

}  // namespace vm
