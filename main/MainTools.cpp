// The command terminal (SendEdit, SendBtn), the screen shot, and the Help
// menu's "Web Site" and "About".
#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QUrl>

#include "BuildInfo.h"
#include "ui/Dialogs.h"
#include "controls/rpVersionInfo.h"
#include "main/Main.h"
#include "main/WholeFile.h"
#include "main/core/HelpTexts.h"
#include "main/core/JpegWriter.h"

namespace {

QComboBox *SendEditOf(TMainForm &f) { return f.Ui.SendEdit; }

// Keys typed into the terminal's edit field reach SendEditKeyPress first.
class SendEditKeys : public QObject {
 public:
  explicit SendEditKeys(TMainForm &f) : QObject(&f), f_(f) {}

 protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    return f_.SendEditKeyPress(key->key(), key->modifiers());
  }

 private:
  TMainForm &f_;
};

// The edit text stays as it is while the list's selection changes.
void SelectNoItem(QComboBox *edit) {
  const QString text = edit->currentText();
  const QSignalBlocker block(edit);
  edit->setCurrentIndex(-1);
  edit->setEditText(text);
}

}  // namespace

void TMainForm::ConnectToolHandlers() {
  if (QComboBox *edit = SendEditOf(*this)) {
    // Key presses arrive at the list (its line edit is only its proxy).
    edit->installEventFilter(new SendEditKeys(*this));
    if (QLineEdit *line = edit->lineEdit()) {
      // A history item counts as selected only until the user edits the
      // text (so Ctrl+Backspace never removes an item the user left).
      connect(line, &QLineEdit::textEdited, edit, [edit] {
        if (edit->currentIndex() >= 0) SelectNoItem(edit);
      });
    }
  }
  if (auto *b = Ui.SendBtn)
    connect(b, &QPushButton::clicked, this, [this] { SendBtnClick(); });
  const std::pair<QAction *, void (TMainForm::*)()> items[] = {
      {Ui.SaveToFile1, &TMainForm::SaveToFile1Click},
      {Ui.RestoreSettingsFromFile1, &TMainForm::RestoreSettingsFromFile1Click},
      {Ui.CaptureScreenShot1, &TMainForm::CaptureScreenShot1Click},
      {Ui.WebSite1, &TMainForm::WebSite1Click},
      {Ui.About1, &TMainForm::About1Click},
  };
  for (const auto &[a, handler] : items)
    connect(a, &QAction::triggered, this, [this, h = handler] { (this->*h)(); });
}

void TMainForm::SendBtnClick() {
  QComboBox *edit = SendEditOf(*this);
  if (!edit) return;
  // Exactly as typed: no trimming, an empty line included. Dropped by the
  // queue while commands are off, but kept in the history all the same.
  const QString text = edit->currentText();
  const int picked = edit->currentIndex();
  QueuedCommandToPort(text);
  {
    const QSignalBlocker block(edit);
    edit->addItem(text);
  }
  // A re-sent history item stays selected, so Ctrl+Backspace can still
  // remove it; a typed line selects nothing (the first item added to an
  // empty list would otherwise become the selection).
  if (picked < 0) SelectNoItem(edit);
}

bool TMainForm::SendEditKeyPress(int key, Qt::KeyboardModifiers modifiers) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    SendBtnClick();
    return true;
  }
  if (key == Qt::Key_Backspace && (modifiers & Qt::ControlModifier)) {
    QComboBox *edit = SendEditOf(*this);
    const int index = edit ? edit->currentIndex() : -1;
    if (index >= 0) {
      const QString text = edit->currentText();
      const QSignalBlocker block(edit);
      edit->removeItem(index);
      edit->setCurrentIndex(-1);
      edit->setEditText(text);
    }
    // The key belongs to the history: the edit field must not also take it
    // as "delete the previous word" of the line being typed.
    return true;
  }
  return false;  // the edit field handles the key as usual
}

void TMainForm::CaptureScreenShot1Click() {
  // The outer rectangle, frame and title bar included, as the screen shows
  // it (windows lying on top included). Parts off the screen stay black.
  const QRect frame = frameGeometry();
  const QString path = QDir::current().filePath(QStringLiteral("ScreenShot.jpg"));
  QPixmap shot;
  if (GrabScreen) {
    shot = GrabScreen(frame);
  } else if (QScreen *s = screen()) {
    const QPoint at = frame.topLeft() - s->geometry().topLeft();
    shot = s->grabWindow(0, at.x(), at.y(), frame.width(), frame.height());
  }
  // No picture of the screen at all: a black file would pass for one.
  if (shot.isNull()) {
    vm::ShowFileError(this, "The screen shot " + QDir::toNativeSeparators(path) +
                                " was not written: the screen could not be captured.");
    return;
  }
  QImage image(frame.size(), QImage::Format_RGB888);
  image.fill(Qt::black);
  {
    QPainter p(&image);
    p.drawPixmap(0, 0, shot);
  }
  const vm::JpegResult jpeg =
      vm::EncodeJpegRgb(image.constBits(), image.width(), image.height(), size_t(image.bytesPerLine()));
  QString error = QString::fromStdString(jpeg.error);
  if (jpeg.ok())
    error = vm::WriteWholeFile(path, QByteArray(jpeg.bytes.data(), qsizetype(jpeg.bytes.size())));
  if (!error.isEmpty())
    vm::ShowFileError(this, "The screen shot could not be saved to " +
                                QDir::toNativeSeparators(path) + ": " + error);
}

void TMainForm::WebSite1Click() {
  const auto url = vm::WebSiteFor(Session.CompanyBadge.toStdString(), VM_MAKER_URL, VM_PARTNER_URL);
  if (url) QDesktopServices::openUrl(QUrl(QString::fromStdString(*url)));
}

void TMainForm::About1Click() {
  vm::AboutIdentity id;
  id.badge = Session.CompanyBadge.toStdString();
  id.model = Session.ModelNumber.toStdString();
  id.serial = Session.SerialNumber;
  id.firmware = Session.FirmwareVersion.toStdString();
  id.fpga = Session.FpgaVersion.toStdString();
  id.softwareVersion = VersionInfo->FileVersion().toStdString();
  // A Qt box breaks lines at LF alone.
  vm::ShowInfo(this, QString::fromStdString(vm::AboutText(id)).replace(QStringLiteral("\r\n"),
                                                                       QStringLiteral("\n")));
}
