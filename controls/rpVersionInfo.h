#pragma once
// TrpVersionInfo: the program's own version texts, read once when the
// component is created. On this platform they are compiled into the program
// from the build's project version; entries the build does not define are
// empty.
#include <QObject>
#include <QString>
#include <array>

enum TVersionType {
  vtCompanyName,
  vtFileDescription,
  vtFileVersion,
  vtInternalName,
  vtLegalCopyright,
  vtLegalTradeMark,
  vtOriginalFileName,
  vtProductName,
  vtProductVersion,
  vtComments
};

class TrpVersionInfo : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString CompanyName READ CompanyName)
  Q_PROPERTY(QString FileDescription READ FileDescription)
  Q_PROPERTY(QString FileVersion READ FileVersion)
  Q_PROPERTY(QString InternalName READ InternalName)
  Q_PROPERTY(QString LegalCopyright READ LegalCopyright)
  Q_PROPERTY(QString LegalTradeMark READ LegalTradeMark)
  Q_PROPERTY(QString OriginalFileName READ OriginalFileName)
  Q_PROPERTY(QString ProductName READ ProductName)
  Q_PROPERTY(QString ProductVersion READ ProductVersion)
  Q_PROPERTY(QString Comments READ Comments)

 public:
  explicit TrpVersionInfo(QObject *AOwner = nullptr);

  QString CompanyName() const { return GetVersionInfo(vtCompanyName); }
  QString FileDescription() const { return GetVersionInfo(vtFileDescription); }
  QString FileVersion() const { return GetVersionInfo(vtFileVersion); }
  QString InternalName() const { return GetVersionInfo(vtInternalName); }
  QString LegalCopyright() const { return GetVersionInfo(vtLegalCopyright); }
  QString LegalTradeMark() const { return GetVersionInfo(vtLegalTradeMark); }
  QString OriginalFileName() const { return GetVersionInfo(vtOriginalFileName); }
  QString ProductName() const { return GetVersionInfo(vtProductName); }
  QString ProductVersion() const { return GetVersionInfo(vtProductVersion); }
  QString Comments() const { return GetVersionInfo(vtComments); }

  // The key of an entry: the value's name without "vt" ("FileVersion").
  static QString KeyName(TVersionType t);

 protected:
  virtual QString GetVersionInfo(TVersionType VersionType) const;
  // Fills FVersionInfo; called once by the constructor.
  virtual void SetVersionInfo();

  std::array<QString, 10> FVersionInfo;
};
