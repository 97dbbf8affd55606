#pragma once
// The settings file: the lines of SettingsList, written with CR LF, read back
// with any line end, and replayed line by line to the instrument.
#include <string>
#include <string_view>
#include <vector>

namespace vm {

// What the replay does with a line.
enum class SettingsLineKind {
  Comment,  // contains "//" anywhere: not sent
  Command,  // everything else, an empty line included: sent unchanged
};
SettingsLineKind ClassifySettingsLine(std::string_view line);

// What the replay sends for a command line: the line itself, except the
// input-clock line of files recorded before it was written with the
// command's word (":PULS0:ICL INT", which the instrument refuses), which
// goes out as ":PULS0:ICL SYS".
std::string SettingsReplayLine(std::string_view line);

// The lines a replay sends, in order.
std::vector<std::string> ReplayCommands(const std::vector<std::string>& lines);

// File content: every line followed by CR LF, the last one included.
std::string SettingsFileText(const std::vector<std::string>& lines);

// How a text file's bytes were encoded. Files we write are Ansi (plain
// bytes, no mark) unless they must keep the encoding of a file the user
// loaded (the calibration file does).
enum class TextEncoding { Ansi, Utf8Bom, Utf16LE, Utf16BE };

struct TextFileContent {
  std::vector<std::string> lines;  // as SplitSettingsFile gives them (UTF-8)
  TextEncoding encoding = TextEncoding::Ansi;
};

// SplitSettingsFile plus the encoding found at the start of the bytes.
TextFileContent ReadTextFile(std::string_view bytes);

// The bytes of a file: every line followed by CR LF, in `encoding` with its
// byte-order mark (none for Ansi). Lines are UTF-8 (ASCII in practice).
std::string EncodeTextFile(const std::vector<std::string>& lines, TextEncoding encoding);

// Lines of a file's bytes. CR LF, LF and CR each end a line; a final line end
// adds no empty line. A UTF-8 byte-order mark is skipped; UTF-16 (either byte
// order, with its mark) is converted to UTF-8. Other bytes are taken as they
// are (the content is ASCII).
std::vector<std::string> SplitSettingsFile(std::string_view bytes);

inline constexpr const char* kSaveDialogTitle = "Save system parameters";
inline constexpr const char* kSaveCancelled = "Save to file was cancelled";
inline constexpr const char* kEmptyFile = "Empty file.";
inline constexpr const char* kSettingsLoaded = "Settings loaded.";
inline constexpr const char* kLoadingPleaseWait = "Loading. Please wait...";

}  // namespace vm
