#pragma once
// Open and save file dialogs go through here, so that tests can answer them
// the way Dialogs.h lets them answer message boxes.
#include <QString>
#include <functional>

class QFileDialog;
class QWidget;

namespace vm {

// Runs the dialog modally. Returns the chosen file, or an empty text when the
// user cancelled. With a hook installed the hook answers instead (it sees the
// configured dialog) and nothing is shown.
QString ExecFileDialog(QFileDialog *dialog);

using FileDialogHook = std::function<QString(QFileDialog *dialog)>;
// Installs a hook (an empty function removes it). Returns the previous one.
FileDialogHook SetFileDialogHook(FileDialogHook hook);

// The open-file dialog "OpenFile" of `owner`, created on first use; it lives
// with its owner and keeps the last folder and file between uses.
QFileDialog *OwnedOpenDialog(QWidget *owner);

}  // namespace vm
