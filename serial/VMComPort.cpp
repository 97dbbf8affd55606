#include "serial/VMComPort.h"

#include "serial/PickPort.h"

namespace vm::serial {
class SerialDevice {};
}

TVMComPort::TVMComPort(QObject *AOwner) : QObject(AOwner) {}
TVMComPort::~TVMComPort() { Close(); }
void TVMComPort::setBaud(int v) { FBaudRate = v; }
void TVMComPort::setEndOfResponse(const QByteArray &v) { FEndOfResponse = v; FEndOfResponseRaw = v; }
void TVMComPort::setHandshaking(THandshake v) { FHandshake = v; }
void TVMComPort::setParity(TParity v) { FParity = v; }
int TVMComPort::InCount() const { return 0; }
bool TVMComPort::State() const { return false; }
bool TVMComPort::Opened() const { return FPort != nullptr; }
void TVMComPort::setPort(int v) { FPortNumber = v; }
bool TVMComPort::Open() { return false; }
void TVMComPort::Close() { FPort.reset(); }
void TVMComPort::Flush() {}
bool TVMComPort::Write(const QByteArray &) { return false; }
bool TVMComPort::WriteRaw(const void *, quint32) { return false; }
QByteArray TVMComPort::Read() { return {}; }
void TVMComPort::ReadRaw(QByteArray &buffer) { buffer.clear(); }
bool TVMComPort::Pick() { return false; }
QList<int> TVMComPort::GetValidSerialPorts() const { return {}; }
QString TVMComPort::PortName(int n) { return QStringLiteral("COM%1").arg(n); }
QString TVMComPort::DevicePath(int) { return {}; }
QWidget *TVMComPort::dialogParent() const { return nullptr; }
