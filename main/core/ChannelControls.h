#pragma once
// Names of the per-channel pages and controls. Channel 1's page is designed;
// pages 2..ChannelCount are copies whose components carry the channel number
// in place of the trailing "1".
#include <array>
#include <string>
#include <string_view>

namespace vm {

// The 22 per-channel control arrays; element n is the component named like
// the array followed by n.
inline constexpr std::array<const char*, 22> kChannelArrayNames{
    "ChEnablebox",     "ChDelayAdj",     "ChWidthAdj",     "ChModeSel",     "ChAmplitudeAdj",
    "ChOutputModeSel", "ChAmplitudeAdjGrp", "ChBurstAdj",  "ChBurstCountGrp", "ChWaitCountAdj",
    "ChSyncSourceSel", "ChPolaritySel",  "ChDutyOnAdj",    "ChDutyOnGrp",   "ChDutyOffAdj",
    "ChDutyOffGrp",    "ChGateModeSel",  "ChMuxSelect",    "ChControlModeSel", "ChPhaseSyncSel",
    "ChGateLogicSel",  "ChReArmBtn"};

// "<base><n>", e.g. ("ChDelayAdj", 3) -> "ChDelayAdj3".
std::string ChannelComponentName(std::string_view base, int n);
// Name of channel n's copy of a channel-1 component: the trailing "1"
// replaced by n ("ChControlModeGrp1" -> "ChControlModeGrp5"). A name without
// the trailing "1" is returned with n appended.
std::string CopiedComponentName(std::string_view channel1Name, int n);
std::string ChannelPageName(int n);     // "TabCh<n>"
std::string ChannelPageCaption(int n);  // "Ch <n>"

}  // namespace vm
