// Ending the reader from outside: SIGTERM, SIGINT and SIGHUP, and a desktop
// session that ends, close the window as Alt+F4 does, so the resume record
// and the settings are saved and the program exits normally.
#pragma once

#include <functional>

class QObject;

// Runs close in the event loop (never in a signal handler) when the process
// is asked to end. The notifier lives as long as owner.
void CloseOnSessionEnd(QObject* owner, std::function<void()> close);

// The handlers alone, which CloseOnSessionEnd installs: a first signal
// writes a byte into a pipe, whose read end is returned (-1 when none could
// be made). A first signal not taken up within graceSeconds (a loop that
// does not run), and another one a second or more after it while it is
// being served, end the process at once, by that signal, with the files
// being written (settings, font data) removed: a signal always ends the
// process, saving where it can. Signals within that second are the first
// one again.
int CatchEndingSignals(unsigned graceSeconds);
