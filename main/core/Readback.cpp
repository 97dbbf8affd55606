#include "main/core/Readback.h"

#include "base/core/Numbers.h"
#include "main/core/ChannelWire.h"
#include "main/core/CommandSet.h"

namespace vm {

namespace {

std::string ErrorText(ConversionError::Kind kind, const std::string& text) {
  return "'" + text + "' is not a valid " +
         (kind == ConversionError::Kind::Integer ? "integer" : "floating point") + " value";
}

// Walks the fields of a reply in order, converting each as it goes, and
// records how far it got. A conversion failure stops the walk; later calls
// are then ignored, so a parser can be written as straight-line code.
class FieldWalker {
 public:
  FieldWalker(std::string_view reply, int count, ReadbackProgress& progress)
      : fields_(SplitReplyFields(reply, count)), progress_(progress) {}

  bool stopped() const { return progress_.error.has_value(); }
  const std::string& text(int field) const { return fields_[size_t(field - 1)]; }

  template <class F>
  void Field(int field, F&& apply) {
    if (stopped()) return;
    try {
      apply(text(field));
      progress_.decoded = field;
    } catch (const ConversionError& e) {
      progress_.error = e;
    }
  }

 private:
  std::vector<std::string> fields_;
  ReadbackProgress& progress_;
};

template <size_t N>
void Keyword(const std::array<const char*, N>& words, const std::string& text, int32_t& target) {
  const int code = IndexOfWord(words, text);
  if (code >= 0) target = code;
}

}  // namespace

ConversionError::ConversionError(Kind kind, std::string fieldText, int field)
    : std::runtime_error(ErrorText(kind, fieldText)),
      kind_(kind),
      text_(std::move(fieldText)),
      field_(field) {}

std::vector<std::string> SplitReplyFields(std::string_view reply, int count) {
  std::vector<std::string> out;
  if (count <= 0) return out;
  out.reserve(size_t(count));
  std::string_view rest = reply;
  // p: 1-based position of the first blank in rest, 0 when there is none.
  auto pos = [](std::string_view s) -> size_t {
    const size_t i = s.find(' ');
    return i == std::string_view::npos ? 0 : i + 1;
  };
  size_t p = pos(rest);
  if (count == 1) {
    out.push_back(TrimRightControl(rest));
    return out;
  }
  out.push_back(TrimRightControl(p > 1 ? rest.substr(0, p - 1) : std::string_view()));
  for (int i = 2; i < count; ++i) {
    rest.remove_prefix(p);
    p = pos(rest);
    out.push_back(TrimRightControl(p > 1 ? rest.substr(0, p - 1) : std::string_view()));
  }
  rest.remove_prefix(p);
  out.push_back(TrimRightControl(rest));
  return out;
}

int32_t ConvertInteger(std::string_view text, int field) {
  if (auto v = ParseInt32(text)) return *v;
  throw ConversionError(ConversionError::Kind::Integer, std::string(text), field);
}

uint32_t ConvertUnsigned(std::string_view text, int field) {
  // Plain decimal digits only: a sign or a negative value is no unsigned number.
  bool digits = !text.empty();
  for (char c : text)
    if (c < '0' || c > '9') digits = false;
  if (digits) {
    if (auto v = ParseInt64(text); v && *v >= 0 && *v <= 4294967295LL) return uint32_t(*v);
  }
  throw ConversionError(ConversionError::Kind::Integer, std::string(text), field);
}

double ConvertReal(std::string_view text, int field) {
  if (auto v = ParseDouble(text)) return *v;
  throw ConversionError(ConversionError::Kind::FloatingPoint, std::string(text), field);
}

std::string ConfigRecordLine(int block, std::string_view reply) {
  return "*CFG " + std::to_string(block) + " " + std::string(reply);
}

namespace wire {

void OutputModeWord::Read(const std::string& t, int, int32_t& v, ChannelReadback& r,
                          bool adjustableOutputs) {
  if (t == "TTL") {
    v = 0;
    r.amplitudeEnabled = false;
  } else if (t == "ADJ" && adjustableOutputs) {
    v = 1;
    r.amplitudeEnabled = true;
  }
  r.outputControlsDisabled = !adjustableOutputs;
}

namespace {
// A word read back as its code and the caption the list shows for it; an
// unknown word leaves both as they were.
template <size_t N>
void ReadCaptioned(const std::array<const char*, N>& words, const std::array<const char*, N>& captions,
                   const std::string& t, int32_t& v, std::string& caption) {
  const int code = IndexOfWord(words, t);
  if (code < 0) return;
  v = code;
  caption = captions[size_t(code)];
}
}  // namespace

void ControlModeWord::Read(const std::string& t, int, int32_t& v, ChannelReadback& r, bool) {
  ReadCaptioned(kControlModeWords, kControlModeCaptions, t, v, r.controlModeCaption);
}

void PhaseSyncWord::Read(const std::string& t, int, int32_t& v, ChannelReadback& r, bool) {
  ReadCaptioned(kPhaseSyncWords, kPhaseSyncCaptions, t, v, r.phaseSyncCaption);
}

}  // namespace wire

ChannelReadback ParseChannelBlock(std::string_view reply, const TChannelParameters& previous,
                                  bool adjustableOutputs) {
  ChannelReadback r;
  r.values = previous;
  TChannelParameters& v = r.values;
  FieldWalker w(reply, ChannelReadback::kFields, r);

  // Each field in the table's order, read by its setting's wire type.
#define VM_READ_CHANNEL_FIELD(field, type, reply, header, wire_, ...) \
  w.Field(reply, [&](const std::string& t) {                         \
    ChannelSettingRow<ChannelSetting::field>::Wire::Read(t, reply, v.field, r, adjustableOutputs); \
  });
  VM_CHANNEL_SETTINGS(VM_READ_CHANNEL_FIELD)
#undef VM_READ_CHANNEL_FIELD
  return r;
}

SystemReadback ParseSystemBlock(std::string_view reply, const TSystemParameters& previous) {
  SystemReadback r;
  r.values = previous;
  TSystemParameters& v = r.values;
  FieldWalker w(reply, SystemReadback::kFields, r);
  w.Field(1, [&](const std::string& t) {
    if (t == "1") r.running = true;
    else if (t == "0") r.running = false;
  });
  w.Field(2, [&](const std::string& t) { v.Period = ConvertReal(t, 2); });
  w.Field(3, [&](const std::string& t) { Keyword(kPulseModeWords, t, v.Mode); });
  w.Field(4, [&](const std::string& t) { v.BurstCount = ConvertUnsigned(t, 4); });
  w.Field(5, [&](const std::string& t) { v.DutyOnCount = ConvertUnsigned(t, 5); });
  w.Field(6, [&](const std::string& t) { v.DutyOffCount = ConvertUnsigned(t, 6); });
  w.Field(7, [&](const std::string& t) { v.CycleCount = ConvertInteger(t, 7); });
  return r;
}

TrigGateReadback ParseTrigGateBlock(std::string_view reply, const TSystemParameters& previous) {
  TrigGateReadback r;
  r.values = previous;
  TSystemParameters& v = r.values;
  FieldWalker w(reply, TrigGateReadback::kFields, r);
  w.Field(1, [&](const std::string& t) { Keyword(kTrigModeWords, t, v.TrigMode); });
  w.Field(2, [&](const std::string& t) { Keyword(kTrigEdgeWords, t, v.TrigEdge); });
  w.Field(3, [&](const std::string& t) { Keyword(kLowHighWords, t, v.GatePolarity); });
  w.Field(4, [&](const std::string& t) { v.Threshold = ConvertReal(t, 4); });
  w.Field(5, [&](const std::string& t) { Keyword(kDebounceWords, t, v.Debounce); });
  return r;
}

MuxDisplay MuxDisplayFor(int32_t mask, int channelCount) {
  MuxDisplay d;
  const uint32_t m = uint32_t(mask);
  for (int k = 0; k < 8; ++k) {
    const bool written = k < 2 || (k < 4 && channelCount > 2) || channelCount > 4;
    if (written) d.checks[size_t(k)] = ((m >> k) & 1u) != 0;
  }
  d.columns = channelCount == 2 ? 2 : 4;
  d.height = (channelCount == 2 || channelCount == 4) ? 20 : 40;
  return d;
}

std::vector<int> SyncSourceItemsToRemove(int itemCount, int channelCount, int chnum) {
  std::vector<int> out;
  if (itemCount <= channelCount) return out;
  for (int i = itemCount - 1; i >= channelCount + 1; --i) out.push_back(i);
  // The channel's own entry sits at its number once the list is in its
  // design-time order ("T0", "Ch A", ...).
  if (chnum >= 0 && chnum <= channelCount && chnum < itemCount) out.push_back(chnum);
  return out;
}

void TrimSyncSourceItems(std::vector<std::string>& items, int channelCount, int chnum) {
  for (int i : SyncSourceItemsToRemove(int(items.size()), channelCount, chnum))
    items.erase(items.begin() + i);
}

int IndexOfCaption(const std::vector<std::string>& items, std::string_view caption) {
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == caption) return int(i);
  return -1;
}

}  // namespace vm
