#pragma once

#include <memory>
#include <string>
#include <vector>

class QMessageBox;
class QObject;

// The program's entry sequence: refuse a second instance, start up, run the main window
// until it closes, shut down. Returns the process exit code.
int RunOrvalo(int argc, char** argv);

// The notice a second instance shows before it ends.
std::unique_ptr<QMessageBox> MakeAlreadyRunningBox();

// The warning shown at start when folders the program writes to cannot be written.
std::unique_ptr<QMessageBox> MakeUnwritableFoldersBox(const std::vector<std::string>& folders);

// Makes SIGTERM, SIGINT and SIGHUP close the application's windows through the event loop,
// so that the normal shutdown (history and settings saved) still runs.
void CloseWindowsOnTerminationSignals(QObject* owner);
// Whether such a signal came: the program is ending and asks nothing.
bool TerminationRequested();
