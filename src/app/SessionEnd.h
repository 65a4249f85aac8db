// Ending the reader from outside: SIGTERM, SIGINT and SIGHUP, and a desktop
// session that ends, close the window as Alt+F4 does, so the resume record
// and the settings are saved and the program exits normally.
#pragma once

#include <functional>

class QObject;

// Runs close in the event loop (never in a signal handler) when the process
// is asked to end; a second request during the close changes nothing. The
// notifier lives as long as owner.
void CloseOnSessionEnd(QObject* owner, std::function<void()> close);
