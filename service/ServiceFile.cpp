// The calibration file (save, load) and the unit's identity (serial number,
// channels/model) of the service window.
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSaveFile>
#include <QThread>
#include <QTimer>

#include "ui/Dialogs.h"
#include "ui/FileDialogs.h"
#include "forms/MessageInfo.h"
#include "link/InstrumentLink.h"
#include "main/core/CommandSet.h"
#include "main/core/SettingsFile.h"
#include "service/Service.h"
#include "session/InstrumentSession.h"

namespace {

constexpr int kLinePauseMs = 30;

void ShowError(QWidget *parent, const QString &text) {
  vm::MessageRequest box;
  box.icon = QMessageBox::Critical;
  box.title = QStringLiteral("Error");
  box.text = text;
  vm::ShowMessage(parent, box);
}

}  // namespace

void TServiceForm::SaveCalsBtnClick() {
  ServiceInitialize();  // a fresh readback for the file
  QFileDialog dialog(this, QString::fromLatin1(vm::kCalSaveDialogTitle), QDir::currentPath(),
                     QStringLiteral("Text file (*.txt)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  const QString path = vm::ExecFileDialog(&dialog);
  if (path.isEmpty()) {
    vm::ShowInfo(this, QString::fromLatin1(vm::kSaveCancelled));
    return;
  }
  // The readback was deferred behind a status poll: the file gets its lines
  // once it has completed, never the previous readback's.
  if (Session.CalReadPending()) {
    FPendingSavePath = path;
    FSaveWaiting = true;
    return;
  }
  WriteCalFile(path);
}

void TServiceForm::WriteCalFile(const QString &path) {
  std::vector<std::string> lines;
  for (const QString &l : Session.CalSettingsList) lines.push_back(l.toStdString());
  const std::string bytes = vm::EncodeTextFile(lines, vm::TextEncoding(SaveEncoding));
  // Written beside the target and renamed over it only when complete.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()) || !file.commit()) {
    ShowError(this, QStringLiteral("Could not write \"%1\": %2").arg(path, file.errorString()));
  }
}

void TServiceForm::LoadCalsBtnClick() { LoadCalibrations(); }

void TServiceForm::ResumeDeferredReadback() {
  if (Session.CalReadPending() && !Session.ExitRequested) CalTimer->start();
}

void TServiceForm::LoadCalibrations() {
  TInstrumentSession &m = Session;
  m.Busy.Request(vm::Work::CalLoad);
  switch (m.MayStart(vm::Work::CalLoad)) {
    case vm::Verdict::Run:
      break;
    case vm::Verdict::Defer:  // behind a status poll or a reply wait: in a second
      CalTimer->start();
      return;
    default:
      return;
  }
  const vm::BusyModel::Guard running = m.Busy.Start(vm::Work::CalLoad);
  // No deferred load or readback while the dialog is open; a readback that
  // was waiting runs after a load that ends early (the timer is started
  // again), or as the successful load's own readback.
  CalTimer->stop();
  QFileDialog *open = OpenFileDialog();
  open->setDefaultSuffix(QStringLiteral("txt"));
  const QString path = vm::ExecFileDialog(open);
  if (path.isEmpty()) {
    m.Busy.Finish(vm::Work::CalLoad);
    ResumeDeferredReadback();
    return;
  }

  QFile file(path);
  QByteArray bytes;
  bool readOk = file.open(QIODevice::ReadOnly);
  if (readOk) {
    bytes = file.readAll();
    readOk = file.error() == QFileDevice::NoError;
  }
  if (!readOk) {
    // The status poll must not stay held off, nor the progress window open.
    m.Busy.Finish(vm::Work::CalLoad);
    CloseProgress();
    ShowError(this, QStringLiteral("Could not read \"%1\": %2").arg(path, file.errorString()));
    ResumeDeferredReadback();
    return;
  }
  const vm::TextFileContent content =
      vm::ReadTextFile(std::string_view(bytes.constData(), size_t(bytes.size())));
  SaveEncoding = int(content.encoding);
  m.CalSettingsList.clear();
  for (const std::string &l : content.lines) m.CalSettingsList << QString::fromStdString(l);

  if (m.CalSettingsList.isEmpty()) {
    vm::ShowInfo(this, QString::fromLatin1(vm::kEmptyFile));
  } else {
    ShowProgress(QString::fromLatin1(vm::kLoadingPleaseWait));
    const QStringList lines = m.CalSettingsList;  // the readback below replaces the list
    for (const QString &line : lines) {
      if (m.ExitRequested) break;
      QThread::msleep(kLinePauseMs);
      if (vm::ClassifySettingsLine(line.toStdString()) == vm::SettingsLineKind::Comment) continue;
      m.Link().SendCommand(line);
      QApplication::processEvents();
    }
  }
  m.Busy.Finish(vm::Work::CalLoad);
  if (m.ExitRequested) {
    CloseProgress();
    return;
  }
  ServiceInitialize();
  CloseProgress();
  vm::ShowInfo(this, QString::fromLatin1(vm::kSettingsLoaded));
}

void TServiceForm::SerialNumSetBtnClick() {
  const QString text = Ui.SerialNumEdit->text();
  const auto serial = vm::ParseSerialNumber(text.toStdString());
  if (!serial) {
    ShowError(this, QStringLiteral("'%1' is not a valid serial number: a whole number from "
                                   "-2147483648 to 2147483647 is needed.")
                        .arg(text));
    return;
  }
  Session.SetSerialNumber(*serial);
  Session.QueueCommand(QString::fromStdString(vm::SerialNumberCommand(*serial)));
  ShowReminder(true);
}

void TServiceForm::NumChSelectClick() {
  SetBadge();
  ShowReminder(true);
}

void TServiceForm::SetBadge() {
  const int item = Ui.NumChSelectButtons->checkedId();
  const auto choice = vm::ModelForItem(item);
  if (!choice) return;
  Session.SetChannelCount(choice->channelCount);
  Session.BadgeNumber = choice->badge;
  // A unit set to more channels than this window has pages gets them now, so
  // the next readback finds a control for every channel it reads.
  if (ServiceTabsCreated) EnsureCalPages(Session.ChannelCount);
  Session.QueueCommand(QString::fromStdString(vm::ModelCommand(item)));
  ShowReminder(true);
}
