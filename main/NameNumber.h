#pragma once
// The number carried in a component's name ("BinRestore0" -> 0,
// "ChDelayAdj3" -> 3): every non-digit character is removed with the regular
// expression "\D" and the rest is read as a decimal number.
#include <QString>
#include <optional>

class QObject;

// The name with every non-digit character removed (PCRE2, pattern "\D"
// replaced by the empty text, all occurrences).
QString StripNonDigits(const QString &name);

// The number of a component name; nullopt when no digit is left or the
// digits do not fit a 32-bit integer.
std::optional<int> NumberFromComponentName(const QString &name);
// The same for an object's name (nullptr gives nullopt).
std::optional<int> NumberFromComponentName(const QObject *component);
