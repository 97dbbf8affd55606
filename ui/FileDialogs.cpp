#include "ui/FileDialogs.h"

#include <QDir>
#include <QFileDialog>

namespace vm {

static FileDialogHook &fileDialogHook() {
  static FileDialogHook h;
  return h;
}

FileDialogHook SetFileDialogHook(FileDialogHook hook) {
  FileDialogHook old = fileDialogHook();
  fileDialogHook() = std::move(hook);
  return old;
}

QString ExecFileDialog(QFileDialog *dialog) {
  if (fileDialogHook()) return fileDialogHook()(dialog);
  if (dialog->exec() != QDialog::Accepted) return {};
  const QStringList files = dialog->selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}

}  // namespace vm

namespace vm {

QFileDialog *OwnedOpenDialog(QWidget *owner) {
  auto *open =
      owner->findChild<QFileDialog *>(QStringLiteral("OpenFile"), Qt::FindDirectChildrenOnly);
  if (!open) {
    open = new QFileDialog(owner);
    open->setObjectName(QStringLiteral("OpenFile"));
    open->setAcceptMode(QFileDialog::AcceptOpen);
    open->setFileMode(QFileDialog::ExistingFile);
    open->setDirectory(QDir::currentPath());
    open->setWindowTitle(QStringLiteral("Open"));
  }
  return open;
}

}  // namespace vm
