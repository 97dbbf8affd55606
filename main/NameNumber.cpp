#include "main/NameNumber.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <QObject>
#include <string>

#include "base/core/Numbers.h"

namespace {

// The compiled pattern, made once; the program runs on one thread.
pcre2_code *NonDigitPattern() {
  static pcre2_code *code = [] {
    int err = 0;
    PCRE2_SIZE offset = 0;
    return pcre2_compile(reinterpret_cast<PCRE2_SPTR>("\\D"), PCRE2_ZERO_TERMINATED, PCRE2_UTF,
                         &err, &offset, nullptr);
  }();
  return code;
}

}  // namespace

QString StripNonDigits(const QString &name) {
  pcre2_code *code = NonDigitPattern();
  if (!code) return QString();
  const QByteArray in = name.toUtf8();
  // The result is never longer than the input.
  std::string out(size_t(in.size()) + 1, '\0');
  PCRE2_SIZE outLen = out.size();
  const int rc = pcre2_substitute(code, reinterpret_cast<PCRE2_SPTR>(in.constData()),
                                  PCRE2_SIZE(in.size()), 0, PCRE2_SUBSTITUTE_GLOBAL, nullptr,
                                  nullptr, reinterpret_cast<PCRE2_SPTR>(""), 0,
                                  reinterpret_cast<PCRE2_UCHAR *>(out.data()), &outLen);
  if (rc < 0) return QString();
  out.resize(outLen);
  return QString::fromUtf8(out);
}

std::optional<int> NumberFromComponentName(const QString &name) {
  const QString digits = StripNonDigits(name);
  if (digits.isEmpty()) return std::nullopt;
  const auto v = vm::ParseInt32(digits.toStdString());
  return v ? std::optional<int>(*v) : std::nullopt;
}

std::optional<int> NumberFromComponentName(const QObject *component) {
  if (!component) return std::nullopt;
  return NumberFromComponentName(component->objectName());
}
