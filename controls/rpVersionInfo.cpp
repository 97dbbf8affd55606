#include "controls/rpVersionInfo.h"

#include "BuildInfo.h"

TrpVersionInfo::TrpVersionInfo(QObject *AOwner) : QObject(AOwner) { SetVersionInfo(); }

QString TrpVersionInfo::KeyName(TVersionType t) {
  static const char *const keys[] = {
      "CompanyName",      "FileDescription", "FileVersion",      "InternalName",
      "LegalCopyright",   "LegalTradeMark",  "OriginalFileName", "ProductName",
      "ProductVersion",   "Comments"};
  return QString::fromLatin1(keys[t]);
}

QString TrpVersionInfo::GetVersionInfo(TVersionType VersionType) const {
  return FVersionInfo[VersionType];
}

void TrpVersionInfo::SetVersionInfo() {
  // The program's version block. The file version comes from the build's
  // project version so that it can never disagree with the package.
  FVersionInfo[vtCompanyName] = QStringLiteral("Velmora");
  FVersionInfo[vtFileDescription] = QStringLiteral("5200/3200 Series GUI");
  FVersionInfo[vtFileVersion] = QStringLiteral(VM_FILE_VERSION);
  FVersionInfo[vtProductName] = QStringLiteral("5200/3200 Series GUI");
  FVersionInfo[vtProductVersion] = QStringLiteral("1.0.0.0");
}
