#pragma once
// The main window's description as code: every control, group, page and menu
// item with its object name, position, size, caption, items, limits and hint.
// Handlers are not connected here: the window finds its controls by name
// (findChild) and binds its own handlers.
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
class QComboBox;
class QListWidget;
class QFont;

namespace forms {

// Builds the whole main window (central widget, menus) into `w`: fixed size,
// client area 678 x 739 below the menu bar, caption "5200 Pulse Generator".
void BuildMainWindow(QMainWindow *w);

// Builds the complete tab page of channel `n` (1..8), "TabCh<n>" captioned
// "Ch <n>", from the one channel page table, with every component named for
// channel n, and appends it to "ChPageControl". Page 1 is built with the
// window; for n >= 2 the new page then takes over channel 1's current places,
// captions, hints, limits, values, items and selections (multiplexer marks
// excepted). Nothing is connected to the new page. Returns the page (nullptr
// when n is out of 1..8 or the page exists). Throws std::logic_error when a
// component of channel 1's page is missing.
QWidget *CreateChannelPage(QWidget *w, int n);

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
