#pragma once
// Value and text of the numeric spin edit, without any widget.
//
// The model holds the value with its limits, the formatted text (group
// separators and "_" placeholders included) and the current digit, given as
// its exponent (0 units, 1 tens, -1 first decimal ...) and as its 1-based
// position in the text. The widget adds pixels, keys and events on top.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vm {

class SpinModel {
public:
  static constexpr char16_t kPlaceholder = u'_';
  static constexpr int kMaxDecimals = 18;

  SpinModel();

  // --- value ---------------------------------------------------------------
  double Value() const { return fValue; }
  // Clamps (when MinValue < MaxValue) and stores. Returns true when the stored
  // value changed; the text and the mark are then brought up to date.
  // Values that are not finite are refused (nothing changes).
  bool SetValue(double newValue);
  double Clamp(double v) const;
  double MinValue() const { return fMinValue; }
  double MaxValue() const { return fMaxValue; }
  void SetMinValue(double v) { fMinValue = v; }
  void SetMaxValue(double v) { fMaxValue = v; }
  bool HasLimits() const { return fMinValue != fMaxValue; }

  // Value rounded to the nearest integer, halves to even, saturated to the
  // 64-bit range.
  int64_t IntValue() const;

  // --- format --------------------------------------------------------------
  int Decimals() const { return fDecimals; }
  void SetDecimals(int d);  // clamped to 0..18; reformats
  int LeadingDigits() const { return fLeading; }
  void SetLeadingDigits(int n);  // clamped to 0..18; reformats
  int Base() const { return fBase; }
  // Clamped to 2..20. Returns true when the base changed; the current digit
  // is then re-applied in the new base and the text reformatted.
  bool SetBase(int b);
  char16_t ThousandSeparator() const { return fThousandSep; }
  // Returns false when the character was already the stored one.
  bool SetThousandSeparator(char16_t c);
  char16_t SeparatorInUse() const { return fInternalThousandSep; }
  int GroupSize() const { return fBase == 10 ? 3 : 4; }

  // Writes the value into the text (fixed notation, grouping) and places the
  // mark again (UpdateText).
  void FormatValue();
  // Formats any value the way the text is written (no placeholders).
  std::u16string Format(double v) const;
  // The value with the decimals, no grouping: at most 17 significant digits,
  // padded with zeros.
  std::string PlainText(double v) const;

  // --- current digit and step -----------------------------------------------
  double Increment() const { return fIncrement; }
  double SavedIncrement() const { return fSavedIncrement; }
  int IncExponent() const { return fIncExponent; }
  // Moves the current digit. Returns true when anything changed (the step
  // size is then announced by the caller); a request that leaves both the
  // digit and the step where they are is a no-op.
  bool SetIncExponent(int e);
  // Assigns the step; also the floor of the step for finer digits. Returns
  // true when the step was changed.
  bool SetIncrement(double x);

  // Places the mark in the text: pads with placeholders when the current
  // digit lies left of the number, drops padding when it moves right.
  void UpdateText();

  // --- text ------------------------------------------------------------------
  const std::u16string &Text() const { return fText; }
  // The text as drawn: every placeholder shown as "0".
  std::u16string DisplayText() const;
  // 1-based position of the current digit; Text().size() + 1 when the
  // current digit lies right of the last decimal.
  int FocusIndex() const { return fFocusIndex; }
  bool FocusInText() const { return fFocusIndex >= 1 && fFocusIndex <= int(fText.size()); }

  // --- edits -------------------------------------------------------------------
  // The value one step up (direction +1) or down (-1) from the value shown,
  // on the decimal grid of the text however many steps are taken. Unclamped.
  double StepValue(int direction) const;

  // The value with every digit right of the current one zeroed. Works on the
  // exact decimal text of the value, so digits at and left of the mark keep
  // their values however long the number is.
  double RightZeroValue() const;

  enum class TypeResult { Ignored, Invalid, Accepted };
  // The value that typing `ch` over the current digit gives. Ignored: no digit
  // of the base, or no digit marked. Invalid: the edited text is no number.
  TypeResult TypedDigitValue(char16_t ch, double &result) const;

  // Exponent of the digit under pixel x (relative to the left end of the drawn
  // text); `width` measures a piece of the display text.
  int PickExponent(int x, const std::function<int(std::u16string_view)> &width) const;

  // --- helpers -------------------------------------------------------------------
  // Exponent of the leading digit of |v| in base b, at least 1, plus 1 for a
  // negative value (room for the sign).
  static int TopExponent(int base, double v);
  // base^e by repeated multiplication or division.
  static double IntPower(int base, int e);
  // "0".."9" -> 0..9, letters -> 10..35, anything else -1.
  static int DigitValue(char16_t c);
  // Reads a number in base b ("-" first, "." decimal point). nullopt for a
  // text that is no number: a second point or a character that is no digit.
  static std::optional<double> StrToFloatBase(std::u16string_view t, int base);

private:
  double fMinValue = 0, fMaxValue = 0, fValue = 0;
  double fIncrement = 1.0, fSavedIncrement = 1.0;
  int fDecimals = 2, fLeading = 0, fBase = 10;
  char16_t fThousandSep = 0, fInternalThousandSep = 0;
  int fIncExponent = 0;
  std::u16string fText;
  int fFocusIndex = 1;
};

std::u16string ToU16(std::string_view s);
std::string ToAscii(std::u16string_view s);

}  // namespace vm
