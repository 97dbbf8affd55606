#pragma once
// Writing a file in one piece: the bytes go to a temporary file beside the
// target, which replaces the target only once everything is written. A
// failure leaves the old file (or none) and no half-written one.
#include <QByteArray>
#include <QString>

class QWidget;

namespace vm {

// Empty on success, else the reason.
QString WriteWholeFile(const QString &path, const QByteArray &bytes);

// The error box for a file that could not be read or written.
void ShowFileError(QWidget *parent, const QString &text);

}  // namespace vm
