#pragma once
// Keys held while the program starts: Space asks for the manual port pick,
// left Shift for demonstration mode. Read from the X server's keyboard map,
// which (unlike Qt's modifier state) sees Space and tells left Shift from
// right. Without an X display both read as not held.
namespace vm {

enum class StartKey { Space, LeftShift };

bool IsStartKeyHeld(StartKey key);

}  // namespace vm
