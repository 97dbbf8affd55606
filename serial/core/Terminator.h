#pragma once
// The reply terminator as the user writes it: literal characters, then "#"
// escapes giving byte codes, decimal or hexadecimal after "$" ("#13#10" is
// CR LF, "OK#13" is "OK" CR, "#$0D" is CR). Literal text can only come before
// the first "#".
#include <string>
#include <string_view>

namespace vm::serial {

// The terminator bytes for `text`. When an escape does not give a byte code
// (0..255) the whole text is taken literally.
std::string DecodeEndOfResponse(std::string_view text);

}  // namespace vm::serial
