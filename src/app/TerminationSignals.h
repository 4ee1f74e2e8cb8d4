#pragma once
// Ends the program in an orderly way when the system asks it to (SIGTERM at
// log-out or shut-down, SIGINT from a terminal, SIGHUP when the terminal
// goes away): the event loop finishes and the program exits with status 0,
// as if the user had closed the main window.

class QCoreApplication;

// Installs the handlers; call once, after the application object exists.
// Returns false if they could not be installed (the signals then keep their
// default effect).
bool quitOnTerminationSignals(QCoreApplication &app);
