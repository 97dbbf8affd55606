// Placeholder: only the parts the link and start-up code need (terminal,
// File and Tools menus). Replaced by the full window description.
#include "forms/MainWindowForm.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QTextEdit>
#include <QWidget>

namespace forms {

void BuildMainWindow(QMainWindow *w) {
  auto *central = new QWidget(w);
  central->setObjectName("MainClient");
  w->setCentralWidget(central);
  auto *resp = new QTextEdit(central);
  resp->setObjectName("ResponseList");
  resp->setReadOnly(true);
  resp->setGeometry(25, 660, 472, 70);

  auto *file = w->menuBar()->addMenu("File");
  file->setObjectName("File1");
  file->addAction("Exit")->setObjectName("Exit1");
  file->addAction("Restart App")->setObjectName("R1");
  auto *tools = w->menuBar()->addMenu("Tools");
  tools->setObjectName("ools1");
  auto *log = tools->addAction("Logging Enabled");
  log->setObjectName("EnableLoggingMenu");
  log->setCheckable(true);
}

QWidget *CreateChannelPage(QMainWindow *, int) { return nullptr; }

}  // namespace forms
