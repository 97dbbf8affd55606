#pragma once
// A read-only view of the main window and its session for the end-to-end
// driver. Off unless the environment variable VM5200_PROBE_DIR names a
// folder: then, whenever the file "request" appears there, the window writes
// "window.txt" (every named control's place on the screen, every value the
// controls show, the session's caches and queue, and the timing diagram's
// rows once its window exists) and removes the request.
// Nothing is ever changed.
class TInstrumentSession;
class TMainForm;

void InstallWindowProbe(TMainForm &w, const TInstrumentSession &session);
