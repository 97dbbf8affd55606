#include "ui/FileDialogs.h"

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
