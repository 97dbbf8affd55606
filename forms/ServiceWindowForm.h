#pragma once
// The service window's description as code: every control with its object
// name, position, size, caption and limits, and the builder of one channel's
// calibration page. The builders hand back the controls they made; handlers
// are connected by the window itself.
#include <QString>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;
class TPlusSpinEdit;

namespace forms {

// One channel's calibration page and its four spin edits (Page null when no
// page was made).
struct TCalPage {
  QWidget *Page = nullptr;
  TPlusSpinEdit *ChDelayCalAdj = nullptr;
  TPlusSpinEdit *ChWidthCalAdj = nullptr;
  TPlusSpinEdit *ChAmpGainAdj = nullptr;
  TPlusSpinEdit *ChAmpOffAdj = nullptr;
};

// The service window's fixed controls, each the component of its name.
struct TServiceWindowControls {
  TPlusSpinEdit *TrigGateAmpGainAdj = nullptr;
  TPlusSpinEdit *TrigGateAmpOffAdj = nullptr;
  QButtonGroup *NumChSelectButtons = nullptr;
  QLineEdit *SerialNumEdit = nullptr;
  QPushButton *SerialNumSetBtn = nullptr;
  QPushButton *SaveCalsBtn = nullptr;
  QPushButton *LoadCalsBtn = nullptr;
  QPushButton *StoreCalsBtn = nullptr;
  QLabel *StoreCalReminderLbl = nullptr;
  QTabWidget *ChPageCalibration = nullptr;
  TCalPage Cal1;  // channel 1's page, built with the window
};

// Builds the service window's controls into `w`: caption "Service", fixed
// client area 478 x 338, the trigger/gate boxes, the channels/model choice,
// the serial number, the file and store buttons, the reminder label and the
// page control "ChPageCalibration" with channel 1's page "ChCal1".
TServiceWindowControls BuildServiceWindow(QWidget *w);

// Builds channel n's calibration page (1..8) and appends it to
// "ChPageCalibration": page "ChCal1" for channel 1, "TabCh<n>" for the others,
// caption "Ch <n>", holding "ChCalGrp<n>" with the four boxes and spin edits
// "ChDelayCalAdj<n>", "ChWidthCalAdj<n>", "ChAmpGainAdj<n>", "ChAmpOffAdj<n>".
// The spin edits of pages 2..8 take over channel 1's limits, increment,
// separator, decimals and value as they stand. Values are set silently (no
// change event). Returns the page and its spin edits, or an empty TCalPage
// when n is out of range or the page exists already.
TCalPage CreateCalPage(QWidget *w, int n);

// The four per-channel spin edit arrays, in the order of a page.
inline constexpr const char *kCalArrays[4] = {"ChDelayCalAdj", "ChWidthCalAdj", "ChAmpGainAdj",
                                              "ChAmpOffAdj"};

}  // namespace forms
