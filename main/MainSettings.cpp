// The settings file: "Save Settings To File" re-reads the instrument and
// writes SettingsList; "Restore Settings From File" sends a file's command
// lines to the instrument one by one and reads the configuration back.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QThread>
#include <QTimer>

#include "ui/Dialogs.h"
#include "ui/FileDialogs.h"
#include "forms/MessageInfo.h"
#include "link/InstrumentLink.h"
#include "main/Main.h"
#include "main/WholeFile.h"
#include "main/core/SettingsFile.h"
#include "serial/VMComPort.h"

namespace {

constexpr int kReplayPauseMs = 30;  // before every line of a restore
constexpr auto kTextFilter = "Text file (*.txt)";

QString L(const char *s) { return QString::fromLatin1(s); }

// Whether a save or restore may start now. Another one or an initialisation
// under way (a menu click reaches us through the events they dispatch):
// refused, and the user is told. An exchange, a tick or a poll under way: the
// click runs again shortly, once it has ended (its exchanges would find the
// port in use and send nothing).
bool MayStartSettingsFile(TMainForm &f, void (TMainForm::*handler)()) {
  switch (f.Session.MayStart(vm::Work::SettingsFile)) {
    case vm::Verdict::Run:
      return true;
    case vm::Verdict::Skip:
      vm::ShowInfo(&f, QStringLiteral("The unit's settings are being read or loaded. "
                                      "Please try again when this has finished."));
      return false;
    case vm::Verdict::Defer:
      QTimer::singleShot(10, &f, [&f, handler] { (f.*handler)(); });
      return false;
    default:
      return false;
  }
}

QStringList LinesOf(const QByteArray &bytes) {
  const vm::TextFileContent content = vm::ReadTextFile(std::string_view(bytes.constData(),
                                                                        size_t(bytes.size())));
  QStringList lines;
  for (const std::string &l : content.lines)
    lines << (content.encoding == vm::TextEncoding::Ansi
                  ? QString::fromLocal8Bit(l.data(), qsizetype(l.size()))
                  : QString::fromUtf8(l.data(), qsizetype(l.size())));
  return lines;
}

QByteArray FileBytes(const QStringList &lines) {
  std::vector<std::string> v;
  for (const QString &l : lines) v.push_back(l.toLocal8Bit().toStdString());
  const std::string text = vm::SettingsFileText(v);
  return QByteArray(text.data(), qsizetype(text.size()));
}

}  // namespace

QFileDialog *TMainForm::OpenFile() { return vm::OwnedOpenDialog(this); }

void TMainForm::SaveToFile1Click() {
  if (!MayStartSettingsFile(*this, &TMainForm::SaveToFile1Click)) return;
  const vm::BusyModel::Guard busy = Session.Busy.Start(vm::Work::SettingsFile);
  // A fresh record of the instrument, without the progress window.
  Initialize();
  if (Session.ExitRequested) return;
  // A readback that ended on an unreadable reply left an incomplete record
  // (and has told the user): nothing is offered for saving.
  if (LastInitializeFailed) return;

  QFileDialog dialog(this, L(vm::kSaveDialogTitle), QDir::currentPath(), L(kTextFilter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.selectNameFilter(L(kTextFilter));
  const QString name = vm::ExecFileDialog(&dialog);
  if (Session.ExitRequested) return;
  if (name.isEmpty()) {
    vm::ShowInfo(this, L(vm::kSaveCancelled));
    return;
  }
  // A Refresh or recall served while the dialog was open has read the record
  // again; if that reading failed, the record is incomplete.
  if (LastInitializeFailed) {
    vm::ShowFileError(this, "The settings were not saved to " + QDir::toNativeSeparators(name) +
                                ": the unit's settings could not be read completely.");
    return;
  }
  const QString error = vm::WriteWholeFile(name, FileBytes(Session.SettingsList));
  if (!error.isEmpty())
    vm::ShowFileError(this, "The settings could not be saved to " +
                                QDir::toNativeSeparators(name) + ": " + error);
}

void TMainForm::RestoreSettingsFromFile1Click() {
  if (!MayStartSettingsFile(*this, &TMainForm::RestoreSettingsFromFile1Click)) return;
  const vm::BusyModel::Guard busy = Session.Busy.Start(vm::Work::SettingsFile);

  QFileDialog *open = OpenFile();
  open->setDefaultSuffix(QStringLiteral("txt"));
  const QString name = vm::ExecFileDialog(open);
  if (name.isEmpty() || Session.ExitRequested) return;

  // Read it whole before anything is sent: a file that cannot be read
  // changes nothing, and the program carries on as before.
  QFile file(name);
  QByteArray bytes;
  if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
  if (!file.isOpen() || file.error() != QFileDevice::NoError) {
    vm::ShowFileError(this, "The settings file " + QDir::toNativeSeparators(name) +
                                " could not be read: " + file.errorString());
    return;
  }
  Session.SettingsList = LinesOf(bytes);
  // The replay works on its own copy: a Refresh served in between (through
  // the events dispatched after each line) rebuilds SettingsList.
  const QStringList lines = Session.SettingsList;

  if (lines.isEmpty()) {
    vm::ShowInfo(this, L(vm::kEmptyFile));
  } else {
    if (MessageForm) {
      MessageForm->MessageLabel->setText(L(vm::kLoadingPleaseWait));
      MessageForm->show();
    }
    for (const QString &line : lines) {
      QThread::msleep(kReplayPauseMs);
      const std::string text = line.toStdString();
      if (vm::ClassifySettingsLine(text) == vm::SettingsLineKind::Comment) continue;
      const std::string sent = vm::SettingsReplayLine(text);
      Session.Link().SendCommand(sent == text ? line : QString::fromStdString(sent));
      QCoreApplication::processEvents();
      if (Session.ExitRequested) return;
    }
  }
  if (Session.ExitRequested) return;
  // Read back what the instrument made of it; the progress window shows the
  // channel being read.
  Initialize();
  if (MessageForm) MessageForm->close();
  if (Session.ExitRequested || LastInitializeFailed) return;  // the failure has been reported
  Session.NoteSettingsRestored();
  vm::ShowInfo(this, L(vm::kSettingsLoaded));
}
