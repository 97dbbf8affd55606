#include "service/Service.h"

TServiceForm *ServiceForm = nullptr;

TServiceForm::TServiceForm(QWidget *parent) : QWidget(parent, Qt::Window) {
  if (!ServiceForm) ServiceForm = this;
  setObjectName(QStringLiteral("ServiceForm"));
  setWindowTitle(QStringLiteral("Service"));
  hide();
}

TServiceForm::~TServiceForm() {
  if (ServiceForm == this) ServiceForm = nullptr;
}
