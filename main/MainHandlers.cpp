// Handlers of the system, additional and channel page controls.
#include "main/Main.h"

void TMainForm::ConnectSystemHandlers() {}
void TMainForm::ConnectChannelHandlers(int) {}
void TMainForm::ChModesEnable(int) {}
void TMainForm::SystemModesEnable() {}
void TMainForm::TriggerModesEnable() {}
void TMainForm::GateModesEnable() {}
