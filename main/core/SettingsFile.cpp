#include "main/core/SettingsFile.h"

#include <cstdint>

#include "main/core/CommandSet.h"

namespace vm {

namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | (cp >> 6)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(char(0xE0 | (cp >> 12)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (cp >> 18)));
    out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  }
}

// UTF-16 without its mark to UTF-8; a lone surrogate or an odd last byte
// becomes U+FFFD rather than being dropped silently.
std::string Utf16ToUtf8(std::string_view b, bool bigEndian) {
  std::string out;
  auto unit = [&](size_t i) -> uint32_t {
    const auto hi = uint8_t(b[bigEndian ? i : i + 1]), lo = uint8_t(b[bigEndian ? i + 1 : i]);
    return uint32_t(hi) << 8 | lo;
  };
  size_t i = 0;
  for (; i + 1 < b.size(); i += 2) {
    uint32_t u = unit(i);
    if (u >= 0xD800 && u < 0xDC00 && i + 3 < b.size()) {
      const uint32_t u2 = unit(i + 2);
      if (u2 >= 0xDC00 && u2 < 0xE000) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (u2 - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (u >= 0xD800 && u < 0xE000) u = 0xFFFD;
    AppendUtf8(out, u);
  }
  if (i < b.size()) AppendUtf8(out, 0xFFFD);
  return out;
}

// UTF-8 to UTF-16 code units; invalid bytes become U+FFFD.
void AppendUtf16(std::string& out, std::string_view utf8, bool bigEndian) {
  auto put = [&](uint32_t u) {
    const char hi = char(u >> 8), lo = char(u & 0xFF);
    out.push_back(bigEndian ? hi : lo);
    out.push_back(bigEndian ? lo : hi);
  };
  for (size_t i = 0; i < utf8.size();) {
    const auto b = uint8_t(utf8[i]);
    uint32_t cp = 0xFFFD;
    size_t n = 1;
    if (b < 0x80) {
      cp = b;
    } else if ((b >> 5) == 0x6 || (b >> 4) == 0xE || (b >> 3) == 0x1E) {
      n = (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : 4;
      if (i + n <= utf8.size()) {
        cp = b & (0x3F >> (n - 1));
        for (size_t k = 1; k < n; ++k) {
          const auto c = uint8_t(utf8[i + k]);
          if ((c >> 6) != 0x2) { cp = 0xFFFD; n = k; break; }
          cp = cp << 6 | (c & 0x3F);
        }
      } else {
        n = utf8.size() - i;
      }
    }
    i += n;
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      put(0xD800 + (cp >> 10));
      put(0xDC00 + (cp & 0x3FF));
    } else {
      put(cp > 0x10FFFF ? 0xFFFD : cp);
    }
  }
}

TextEncoding DetectEncoding(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return TextEncoding::Utf8Bom;
  if (bytes.substr(0, 2) == "\xFF\xFE") return TextEncoding::Utf16LE;
  if (bytes.substr(0, 2) == "\xFE\xFF") return TextEncoding::Utf16BE;
  return TextEncoding::Ansi;
}

}  // namespace

TextFileContent ReadTextFile(std::string_view bytes) {
  return {SplitSettingsFile(bytes), DetectEncoding(bytes)};
}

std::string EncodeTextFile(const std::vector<std::string>& lines, TextEncoding encoding) {
  const std::string text = SettingsFileText(lines);
  switch (encoding) {
    case TextEncoding::Ansi:
      return text;
    case TextEncoding::Utf8Bom:
      return "\xEF\xBB\xBF" + text;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
      const bool be = encoding == TextEncoding::Utf16BE;
      std::string out = be ? "\xFE\xFF" : "\xFF\xFE";
      AppendUtf16(out, text, be);
      return out;
    }
  }
  return text;
}

SettingsLineKind ClassifySettingsLine(std::string_view line) {
  return line.find("//") != std::string_view::npos ? SettingsLineKind::Comment
                                                   : SettingsLineKind::Command;
}

std::string SettingsReplayLine(std::string_view line) {
  const std::string old = std::string(kInputClockQuery) + " " + kInputClockReplyWords[0];
  if (line == old) return InputClockCommand(0);
  return std::string(line);
}

std::vector<std::string> ReplayCommands(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const auto& l : lines)
    if (ClassifySettingsLine(l) == SettingsLineKind::Command) out.push_back(SettingsReplayLine(l));
  return out;
}

std::string SettingsFileText(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

std::vector<std::string> SplitSettingsFile(std::string_view bytes) {
  std::string text;
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    text = bytes.substr(3);
  } else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") {
    text = Utf16ToUtf8(bytes.substr(2), false);
  } else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") {
    text = Utf16ToUtf8(bytes.substr(2), true);
  } else {
    text = bytes;
  }
  std::vector<std::string> lines;
  std::string cur;
  bool open = false;  // a line has begun and not yet ended
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(cur));
      cur.clear();
      open = false;
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      cur.push_back(c);
      open = true;
    }
  }
  if (open) lines.push_back(std::move(cur));
  return lines;
}

}  // namespace vm
