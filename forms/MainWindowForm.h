#pragma once
// The main window's description as code: every control, group, page and menu
// item with its object name, position, size, caption, items, limits and hint.
// Handlers are not connected here: the builders hand back the controls they
// made, typed, and the window binds its own handlers to those.
//
// Conventions of the built controls:
//   - a control's hint is kept in the dynamic property "hint" and whether it is
//     shown in "showHint"; only a shown hint becomes the widget's tool tip;
//   - a check list (QListWidget) keeps its number of columns in the dynamic
//     property "columns" (see SetCheckListColumns);
//   - a menu that is a submenu or a top-level menu carries its component name
//     both on the QMenu and on its menuAction();
//   - every list keeps its items exactly as designed; nothing is selected
//     from the program in a way that raises a change signal after building.
#include <array>
#include <QString>
#include <QWidget>

#include "main/core/ChannelControls.h"

class QMainWindow;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTabWidget;
class QTextEdit;
class QFont;
class TPlusSpinEdit;

namespace forms {

class TPulseAnimation;

// The controls of one channel page, one member per per-channel array (the
// member ChDelayAdj is the page's "ChDelayAdj<n>"). Page is null when no page
// was made.
struct TChannelPage {
  QWidget *Page = nullptr;
#define VM_CHANNEL_PAGE_MEMBER(kind, name, ...) kind *name = nullptr;
  VM_CHANNEL_ARRAYS(VM_CHANNEL_PAGE_MEMBER)
#undef VM_CHANNEL_PAGE_MEMBER
};

// The main window's fixed controls, each member the component of its name.
#define VM_MAIN_WINDOW_CONTROLS(X)                                                              \
  X(QWidget, MainClient) X(QWidget, VMBlueBanner) X(TPulseAnimation, PulseAnimate)              \
  X(QPushButton, RunStopbtn) X(QLabel, ErrorLabel) X(QTabWidget, SystemPageControl)             \
  X(QTabWidget, ChPageControl) X(TPlusSpinEdit, PeriodAdj) X(QComboBox, SystemModeSel)          \
  X(QGroupBox, BurstCountGrp) X(TPlusSpinEdit, SysBurstAdj) X(QGroupBox, DutyCycleGrp)          \
  X(TPlusSpinEdit, SysDutyOnAdj) X(TPlusSpinEdit, SysDutyOffAdj)                                \
  X(TPlusSpinEdit, SysCycleCountAdj) X(QCheckBox, AutoStartEnbl) X(QComboBox, TrigModeSel)      \
  X(QGroupBox, ExtThresholdGrp) X(TPlusSpinEdit, TrigThresholdAdj) X(QGroupBox, ExtTrigEdgeGrp) \
  X(QComboBox, TriggerEdgeSel) X(QGroupBox, GatePolGrp) X(QComboBox, GatePolaritySel)           \
  X(QGroupBox, TrigGateDebounceGrp) X(QComboBox, TrigGateDebounceSel)                           \
  X(QComboBox, CounterSourceSel) X(QComboBox, ExternalInputClkSel)                              \
  X(QComboBox, ExternalOutputClkSel) X(QCheckBox, ShotCountEnbl) X(QLabel, ShotCountlbl)        \
  X(QPushButton, ClearShotCount) X(QComboBox, SendEdit) X(QPushButton, SendBtn)                 \
  X(QTextEdit, ResponseList) X(QLabel, SerialNumberlbl) X(QLabel, FWVersionlbl)                 \
  X(QLabel, FPGAVersionlbl) X(QMenu, SaveToBin) X(QMenu, RestoreFromBin) X(QMenu, ools1)        \
  X(QAction, Exit1) X(QAction, R1) X(QAction, BinSave1) X(QAction, BinRestore0)                 \
  X(QAction, BinRestore1) X(QAction, SaveToFile1) X(QAction, RestoreSettingsFromFile1)          \
  X(QAction, Up1) X(QAction, CaptureScreenShot1) X(QAction, EnableLoggingMenu)                  \
  X(QAction, ServiceMenu) X(QAction, ServiceWindowMenu) X(QAction, TimingDiagramMenu)             \
  X(QAction, WebSite1) X(QAction, About1)

struct TMainWindowControls {
#define VM_MAIN_WINDOW_MEMBER(kind, name) kind *name = nullptr;
  VM_MAIN_WINDOW_CONTROLS(VM_MAIN_WINDOW_MEMBER)
#undef VM_MAIN_WINDOW_MEMBER
  TChannelPage Ch1;  // channel 1's page, built with the window
};

// Builds the whole main window (central widget, menus) into `w`: fixed size,
// client area 678 x 739 below the menu bar, caption "5200 Pulse Generator".
// Returns its controls.
TMainWindowControls BuildMainWindow(QMainWindow *w);

// Builds the complete tab page of channel `n` (1..8), "TabCh<n>" captioned
// "Ch <n>", from the one channel page table, with every component named for
// channel n, and appends it to "ChPageControl". Page 1 is built with the
// window; for n >= 2 the new page then takes over channel 1's current places,
// captions, hints, limits, values, items and selections (multiplexer marks
// excepted). Nothing is connected to the new page. Returns the page and its
// controls (an empty TChannelPage when n is out of 1..8 or the page exists).
// Throws std::logic_error when a component of channel 1's page is missing.
TChannelPage CreateChannelPage(QWidget *w, int n);

// The 22 per-channel control arrays, in the order the window binds them.
// Element n of array "ChDelayAdj" is the component named "ChDelayAdj<n>".
inline constexpr const auto &kChannelArrays = vm::kChannelArrayNames;

// Element kind of a per-channel array: the Qt class name its element must
// inherit ("TPlusSpinEdit", "QComboBox", "QCheckBox", "QGroupBox",
// "QListWidget", "QPushButton"); empty for an unknown array name.
QString ChannelArrayKind(const QString &array);

// Element n of a per-channel array: the component named array + n anywhere in
// the window. nullptr when it does not exist (channel not built). Throws
// std::logic_error when the component is not of the array's element kind.
QWidget *ChannelControl(const QWidget *window, const QString &array, int n);
// The same, cast to the element's class (include its header where used).
template <class T>
T *ChannelControlAs(const QWidget *window, const QString &array, int n) {
  return qobject_cast<T *>(ChannelControl(window, array, n));
}

// Model-dependent trimming of one channel page, safe to repeat:
// for channelCount <= 4 removes "Gate B" from ChControlModeSel<n> and
// "Sync B" from ChPhaseSyncSel<n> (while present), and removes from
// ChMuxSelect<n> every item whose index is channelCount or above.
void TrimChannelPage(QWidget *window, int n, int channelCount);

// Trimming of ChSyncSourceSel<n> at its first readback: when the list holds
// more items than channelCount, items from the last down to index
// channelCount + 1 are removed, then the channel's own entry (index n).
void TrimSyncSourceList(QComboBox *list, int n, int channelCount);

// Number of columns of a check list and its layout (no margins, items laid out
// row by row in `columns` equal columns).
void SetCheckListColumns(QListWidget *list, int columns);
int CheckListColumns(const QListWidget *list);

// The multiplexer list's layout for a channel count: 2 -> 2 columns, height 20;
// 4 -> 4 columns, height 20; otherwise 4 columns, height 40.
void SetMuxLayout(QListWidget *list, int channelCount);

// The additional page for a model: clock groups shown and enabled only for
// more than four channels; counter sources above channelCount removed.
void ApplyModelToAdditionalPage(QWidget *window, int channelCount);

// "Tahoma" with substitutes for systems that lack it; called by BuildMainWindow.
void InstallFontSubstitutes();
// Tahoma at a pixel height (the design's negative font heights).
QFont Tahoma(int pixelHeight);

}  // namespace forms
