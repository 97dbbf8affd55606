#include "main/WholeFile.h"

#include <QSaveFile>

#include "ui/Dialogs.h"

namespace vm {

QString WriteWholeFile(const QString &path, const QByteArray &bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  if (file.write(bytes) != bytes.size()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    return reason;
  }
  if (!file.commit()) return file.errorString();
  return {};
}

void ShowFileError(QWidget *parent, const QString &text) {
  MessageRequest box;
  box.icon = QMessageBox::Critical;
  box.title = QStringLiteral("Error");
  box.text = text;
  ShowMessage(parent, box);
}

}  // namespace vm
