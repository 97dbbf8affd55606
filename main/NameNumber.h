#pragma once
// The channel or bin number a component carries in its name: every character
// that is not a decimal digit is removed (the regular expression "\D" replaced
// by the empty text) and the rest is read as a decimal number.
// "ChDelayAdj3" gives 3, "BinSave12" gives 12.
#include <QString>

// -1 when the name holds no digit, or more digits than a 32-bit number takes.
int NumberFromComponentName(const QString &name);
