#include "main/NameNumber.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <limits>
#include <string>

namespace {

// The compiled "\D", made once for the whole run (one thread). Without UTF
// mode every byte that is not an ASCII digit is a non-digit, so the UTF-8
// bytes of other characters are removed as well.
pcre2_code *NonDigitPattern() {
  static pcre2_code *code = [] {
    int error = 0;
    PCRE2_SIZE offset = 0;
    return pcre2_compile(reinterpret_cast<PCRE2_SPTR>("\\D"), PCRE2_ZERO_TERMINATED, 0, &error,
                         &offset, nullptr);
  }();
  return code;
}

}  // namespace

int NumberFromComponentName(const QString &name) {
  pcre2_code *code = NonDigitPattern();
  const QByteArray subject = name.toUtf8();
  if (!code || subject.isEmpty()) return -1;
  // The result is never longer than the subject.
  std::string out(size_t(subject.size()) + 1, '\0');
  PCRE2_SIZE outLength = out.size();
  const int rc = pcre2_substitute(
      code, reinterpret_cast<PCRE2_SPTR>(subject.constData()), PCRE2_SIZE(subject.size()), 0,
      PCRE2_SUBSTITUTE_GLOBAL, nullptr, nullptr, reinterpret_cast<PCRE2_SPTR>(""), 0,
      reinterpret_cast<PCRE2_UCHAR *>(out.data()), &outLength);
  if (rc < 0 || outLength == 0) return -1;
  long long value = 0;
  for (PCRE2_SIZE i = 0; i < outLength; ++i) {
    value = value * 10 + (out[i] - '0');
    if (value > std::numeric_limits<int>::max()) return -1;
  }
  return int(value);
}
