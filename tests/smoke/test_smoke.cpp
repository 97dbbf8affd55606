#include <QtTest>
#include "BuildInfo.h"

class SmokeTest : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void versionComesFromTheProject() { QCOMPARE(QString(VM_FILE_VERSION), QString("0.0.4.0")); }
};
QTEST_MAIN(SmokeTest)
#include "test_smoke.moc"
