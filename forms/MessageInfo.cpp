#include "forms/MessageInfo.h"

#include <QLabel>
#include <QVBoxLayout>

TMessageForm *MessageForm = nullptr;

TMessageForm::TMessageForm(QWidget *parent) : QWidget(parent, Qt::Dialog) {
  if (!MessageForm) MessageForm = this;
  setObjectName(QStringLiteral("MessageForm"));
  setWindowTitle(QStringLiteral("Initializing"));
  auto *layout = new QVBoxLayout(this);
  MessageLabel = new QLabel(QStringLiteral("Loading. Please wait..."), this);
  MessageLabel->setObjectName(QStringLiteral("MessageLabel"));
  MessageLabel->setAlignment(Qt::AlignCenter);
  layout->addWidget(MessageLabel);
  resize(260, 80);
  setEnabled(false);  // shows progress only; takes no input
}

TMessageForm::~TMessageForm() {
  if (MessageForm == this) MessageForm = nullptr;
}
