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

// The lines a replay sends, in order.
std::vector<std::string> ReplayCommands(const std::vector<std::string>& lines);

// File content: every line followed by CR LF, the last one included.
std::string SettingsFileText(const std::vector<std::string>& lines);

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
