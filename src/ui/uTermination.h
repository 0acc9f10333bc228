#pragma once

class QObject;

// Makes SIGTERM, SIGINT and SIGHUP close the application's windows through the event loop,
// whatever dialog is open, so that the normal shutdown (history and settings saved) still runs.
void CloseWindowsOnTerminationSignals(QObject* owner);
// Whether such a signal came: the program is ending and asks nothing.
bool TerminationRequested();
