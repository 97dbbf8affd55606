#pragma once
// Opens COM1 the way the running program uses its port after discovery:
// 115200 baud, replies ending in CR, events dispatched during reply waits,
// the 3 s time-out. False (and a line on stderr) when it does not open.
#include <QByteArray>
#include <cstdio>

#include "serial/VMComPort.h"

inline bool OpenBenchPort(TVMComPort *port) {
  port->setPort(1);
  port->setBaud(115200);
  port->setEndOfResponse(QByteArray("\r"));
  port->setShowErrors(false);
  port->setAllowEvents(true);
  port->setResponseTime(3000);
  if (port->Open()) return true;
  std::fprintf(stderr, "port did not open\n");
  return false;
}
