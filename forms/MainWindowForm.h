#pragma once
// The main window's description as code: every control, group, page and menu
// item with its object name, position, size, caption, items, limits and hint.
// Handlers are not connected here: the window finds its controls by name
// (findChild) and binds its own handlers.
class QMainWindow;
class QWidget;

namespace forms {

// Builds the whole main window (central widget, menus) into `w`.
void BuildMainWindow(QMainWindow *w);

// Creates the tab page of channel `n` (2..8) in "ChPageControl" as a copy of
// channel 1's page "TabCh1", with every component renamed for channel n.
// Returns the new page.
QWidget *CreateChannelPage(QMainWindow *w, int n);

}  // namespace forms
