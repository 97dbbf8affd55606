#include "controls/core/SpinModel.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "base/core/Numbers.h"

namespace vm {

namespace {

// Relative tolerance under which two steps count as the same step.
bool SameStep(double a, double b) { return std::fabs(a - b) < 1e-7 * std::fabs(b); }

}  // namespace

std::u16string ToU16(std::string_view s) { return std::u16string(s.begin(), s.end()); }

std::string ToAscii(std::u16string_view s) {
  std::string r;
  r.reserve(s.size());
  for (char16_t c : s) r.push_back(c < 128 ? char(c) : '?');
  return r;
}

SpinModel::SpinModel() { FormatValue(); }

// --- helpers ---------------------------------------------------------------------

double SpinModel::IntPower(int base, int e) {
  e = std::clamp(e, -400, 400);  // far beyond any digit a text can hold
  double x = 1.0;
  for (int i = 0; i < std::abs(e); ++i) x = e > 0 ? x * base : x / base;
  return x;
}

int SpinModel::TopExponent(int base, double v) {
  const double a = std::fabs(v);
  int c = 0;
  if (a > 1 && std::isfinite(a)) c = int(std::nearbyint(std::log(a) / std::log(double(base))));
  if (a < IntPower(base, c)) --c;
  c = std::max(c, 1);
  if (v < 0) ++c;
  return c;
}

int SpinModel::DigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
  if (c >= u'a' && c <= u'z') return c - u'a' + 10;
  return -1;
}

std::optional<double> SpinModel::StrToFloatBase(std::u16string_view t, int base) {
  if (t.empty()) return 0.0;
  const bool negative = t.size() > 1 && t[0] == u'-';
  if (negative) t.remove_prefix(1);
  std::string intDigits, fracDigits;
  bool point = false;
  for (char16_t c : t) {
    if (c == u'.') {
      if (point) return std::nullopt;
      point = true;
      continue;
    }
    const int d = DigitValue(c);
    if (d < 0 || d >= base) return std::nullopt;
    (point ? fracDigits : intDigits).push_back(char(c));
  }
  double v = 0;
  if (base == 10) {
    // Read the decimal text in one go: the nearest double, not a sum of
    // rounded digit terms.
    std::string s = (intDigits.empty() ? "0" : intDigits) + "." + (fracDigits.empty() ? "0" : fracDigits);
    std::from_chars(s.data(), s.data() + s.size(), v);
  } else {
    for (char c : intDigits) v = v * base + DigitValue(char16_t(c));
    double num = 0, den = 1;
    for (char c : fracDigits) {
      num = num * base + DigitValue(char16_t(c));
      den *= base;
    }
    v += num / den;
  }
  return negative ? -v : v;
}

// --- value -----------------------------------------------------------------------

double SpinModel::Clamp(double v) const {
  // Equal limits mean none. Inverted limits are the passing state of a caller
  // that sets the minimum before the maximum: the range is empty, so the
  // value is left alone until the second limit arrives.
  if (!(fMinValue < fMaxValue)) return v;
  if (v < fMinValue) return fMinValue;
  if (v > fMaxValue) return fMaxValue;
  return v;
}

bool SpinModel::SetValue(double newValue) {
  if (!std::isfinite(newValue)) return false;
  newValue = Clamp(newValue);
  if (newValue == fValue) return false;
  fValue = newValue;
  FormatValue();
  return true;
}

int64_t SpinModel::IntValue() const {
  const double r = std::nearbyint(fValue);  // default rounding: halves to even
  if (r >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (r <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return int64_t(r);
}

// --- format ----------------------------------------------------------------------

void SpinModel::SetDecimals(int d) {
  fDecimals = std::clamp(d, 0, kMaxDecimals);
  FormatValue();
}

void SpinModel::SetLeadingDigits(int n) {
  fLeading = std::clamp(n, 0, kMaxDecimals);
  FormatValue();
}

bool SpinModel::SetBase(int b) {
  b = std::clamp(b, 2, 20);
  if (b == fBase) return false;
  fBase = b;
  SetIncExponent(fIncExponent);
  FormatValue();
  return true;
}

bool SpinModel::SetThousandSeparator(char16_t c) {
  if (c == fThousandSep) return false;
  fThousandSep = c;
  // Characters that could be read as part of the number are shown as a blank.
  const bool confusing = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') ||
                         (c >= u'a' && c <= u'z') || c == u'+' || c == u'-' || c == u'.' ||
                         c == kPlaceholder;
  fInternalThousandSep = confusing ? u' ' : c;
  FormatValue();
  return true;
}

std::string SpinModel::PlainText(double v) const {
  // The shortest text that reads back as v has at most 17 significant digits;
  // when it fits the decimals it is padded with zeros, so binary noise beyond
  // those digits (0.1 is 0.1000000000000000055...) never shows.
  char buf[512];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  if (r.ec != std::errc() || !std::isfinite(v)) return FormatFixed(v, fDecimals);
  std::string s(buf, r.ptr);
  const size_t point = s.find('.');
  const int decimals = point == std::string::npos ? 0 : int(s.size() - point - 1);
  if (decimals > fDecimals) return FormatFixed(v, fDecimals);
  if (fDecimals > 0) {
    if (point == std::string::npos) s.push_back('.');
    s.append(size_t(fDecimals - decimals), '0');
  }
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::u16string SpinModel::Format(double v) const {
  const std::string plain = PlainText(v);
  const char16_t sep = fInternalThousandSep;
  if (sep == 0) return ToU16(plain);
  const int g = GroupSize();
  std::string_view s = plain;
  std::u16string out;
  out.reserve(plain.size() + plain.size() / 3 + 2);
  if (!s.empty() && s[0] == '-') {
    out.push_back(u'-');
    s.remove_prefix(1);
  }
  const size_t point = s.find('.');
  const std::string_view ip = s.substr(0, point);
  const std::string_view fp = point == std::string_view::npos ? std::string_view() : s.substr(point + 1);
  const int n = int(ip.size());
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % g == 0) out.push_back(sep);
    out.push_back(char16_t(ip[i]));
  }
  if (point != std::string_view::npos) {
    out.push_back(u'.');
    const int m = int(fp.size());
    for (int i = 0; i < m; ++i) {
      out.push_back(char16_t(fp[i]));
      if ((i + 1) % g == 0 && i + 1 < m) out.push_back(sep);
    }
  }
  return out;
}

void SpinModel::FormatValue() {
  fText = Format(fValue);
  UpdateText();
}

std::u16string SpinModel::DisplayText() const {
  std::u16string s = fText;
  std::replace(s.begin(), s.end(), kPlaceholder, u'0');
  return s;
}

// --- current digit ---------------------------------------------------------------

bool SpinModel::SetIncExponent(int e) {
  e = std::max(e, -fDecimals);
  if (HasLimits())
    e = std::min(e, std::max(TopExponent(fBase, fMaxValue), TopExponent(fBase, fMinValue)));
  const double x = IntPower(fBase, e);
  // The step never drops below the one last assigned through Increment.
  const double step = x < fSavedIncrement ? fSavedIncrement : x;
  if (e == fIncExponent && SameStep(step, fIncrement)) return false;
  fIncrement = step;
  fIncExponent = e;
  UpdateText();
  return true;
}

bool SpinModel::SetIncrement(double x) {
  if (!std::isfinite(x)) return false;
  fSavedIncrement = x;
  x = std::fabs(x);
  if (SameStep(x, fIncrement)) return false;
  int e;
  if (x > 1e-20) {
    e = int(std::nearbyint(std::log(x) / std::log(double(fBase))));
    if (1.0001 * x < IntPower(fBase, e)) --e;  // exponent of the leading digit of x
  } else {
    e = -fDecimals - 1;
  }
  fIncExponent = e;
  UpdateText();
  fIncrement = x;
  return true;
}

void SpinModel::UpdateText() {
  // The sign is no digit: positions are counted in the text after it, and
  // padding for a digit left of the number goes between sign and digits.
  const int sign = !fText.empty() && fText[0] == u'-' ? 1 : 0;
  const int L = int(fText.size()) - sign;
  const int D = fDecimals;
  const int e = fIncExponent;
  const int g = GroupSize();
  const char16_t sep = fInternalThousandSep;
  int fi = L - e - D;
  if (e >= 0 && D > 0) --fi;  // the decimal point
  if (sep != 0) {
    fi -= (D - 1) / g;
    if (e < 0)
      fi += (-e - 1) / g;
    else
      fi -= e / g;
  }
  if (fi <= 0) {
    // The current digit lies left of the number: pad so that it becomes the
    // first character, with separators where the grouping puts them.
    const int n = 1 - fi;
    std::u16string pad;
    pad.reserve(n);
    for (int p = 1; p <= n; ++p) {
      const bool isSep = sep != 0 && (e + e / g + 2 - p) % (g + 1) == 0;
      pad.push_back(isSep ? sep : kPlaceholder);
    }
    fText.insert(size_t(sign), pad);
    fi = 1;
  } else {
    // Padding left of the current digit goes away; real characters stay.
    size_t drop = 0;
    while (fi > 1 && sign + drop < fText.size() &&
           (fText[sign + drop] == kPlaceholder || (sep != 0 && fText[sign + drop] == sep))) {
      ++drop;
      --fi;
    }
    if (drop) fText.erase(size_t(sign), drop);
  }
  // A digit finer than the last decimal: the mark sits just past the text.
  fFocusIndex = std::min(fi + sign, int(fText.size()) + 1);
}

// --- edits -----------------------------------------------------------------------

double SpinModel::StepValue(int direction) const {
  const double binary = fValue + direction * fIncrement;
  // Exact decimal sum of the text shown and the step, both on the grid of
  // the decimals, so that any number of steps lands on that grid.
  auto units = [this](double v, __int128 &n) {
    std::string t = PlainText(v);
    const bool neg = !t.empty() && t[0] == '-';
    n = 0;
    int digits = 0;
    for (char c : t) {
      if (c < '0' || c > '9') continue;
      if (++digits > 36) return false;
      n = n * 10 + (c - '0');
    }
    if (neg) n = -n;
    return true;
  };
  __int128 value = 0, step = 0;
  // A step off the grid (2.5e-10 with 9 decimals), or a number too long for
  // it: the plain sum, as nothing better is shown.
  const double gridStep = ParseDouble(PlainText(fIncrement)).value_or(0);
  const bool stepOnGrid = std::fabs(gridStep - fIncrement) <= 1e-9 * std::fabs(fIncrement);
  if (!std::isfinite(binary) || !stepOnGrid || !units(fValue, value) || !units(fIncrement, step) ||
      step == 0)
    return binary;
  __int128 n = value + (direction < 0 ? -step : step);
  const bool neg = n < 0;
  if (neg) n = -n;
  std::string t;
  do {
    t.insert(t.begin(), char('0' + int(n % 10)));
    n /= 10;
  } while (n != 0);
  if (fDecimals > 0) {
    if (int(t.size()) <= fDecimals) t.insert(0, size_t(fDecimals + 1 - int(t.size())), '0');
    t.insert(t.size() - size_t(fDecimals), 1, '.');
  }
  if (neg) t.insert(0, 1, '-');
  return ParseDouble(t).value_or(binary);
}

double SpinModel::RightZeroValue() const {
  std::string t = PlainText(fValue);
  const int e = fIncExponent;
  int n;
  if (e < 0) {
    n = fDecimals + e;
  } else {
    if (fDecimals > 0) {
      const size_t point = t.find('.');
      if (point != std::string::npos) t.erase(point);
    }
    n = e;
  }
  n = std::min(n, int(t.size()));
  for (int i = 0; i < n; ++i) t[t.size() - 1 - i] = '0';
  return ParseDouble(t).value_or(fValue);
}

SpinModel::TypeResult SpinModel::TypedDigitValue(char16_t ch, double &result) const {
  const int d = DigitValue(ch);
  if (d < 0 || d >= fBase) return TypeResult::Ignored;
  if (!FocusInText()) return TypeResult::Ignored;
  std::u16string c = fText;
  const size_t at = size_t(fFocusIndex - 1);
  c[at] = ch;
  for (size_t i = at + 1; i < c.size(); ++i)
    if (c[i] == kPlaceholder) c[i] = u'0';
  if (fInternalThousandSep != 0) std::erase(c, fInternalThousandSep);
  const std::optional<double> v = StrToFloatBase(c, fBase);
  if (!v) return TypeResult::Invalid;
  result = *v;
  return TypeResult::Accepted;
}

int SpinModel::PickExponent(int x, const std::function<int(std::u16string_view)> &width) const {
  std::u16string s = DisplayText();
  if (!s.empty()) s.pop_back();
  int i = -fDecimals;
  const char16_t sep = fInternalThousandSep;
  // With 1, 4, 7 ... decimals a separator stands just before the last digit;
  // it belongs to no digit, so it goes with the last one.
  if (sep != 0 && !s.empty() && s.back() == sep) s.pop_back();
  // The character just right of s is the digit of exponent i.
  while (!s.empty() && width(s) > x) {
    ++i;
    s.pop_back();
    if (!s.empty() && (i == 0 || (sep != 0 && s.back() == sep))) s.pop_back();
  }
  if (x < 0) ++i;
  return i;
}

}  // namespace vm
