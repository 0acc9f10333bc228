#pragma once

class TTerminationSignals;

// Makes a termination signal close the application's windows through the event loop,
// whatever dialog is open: every open dialog is answered as cancelled first.
void CloseWindowsOn(const TTerminationSignals& termination);
