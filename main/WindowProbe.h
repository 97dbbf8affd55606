#pragma once
// A read-only view of the main window for the end-to-end driver. Off unless
// the environment variable VM5200_PROBE_DIR names a folder: then, whenever the
// file "request" appears there, the window writes "window.txt" (every named
// control's place on the screen, every value the controls show, the caches
// and the queue) and removes the request. Nothing is ever changed.
class TMainForm;

void InstallWindowProbe(TMainForm *w);
