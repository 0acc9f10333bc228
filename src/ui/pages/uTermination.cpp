#include "ui/pages/uTermination.h"

#include <QApplication>
#include <QDialog>

#include "desktop/uTerminationSignals.h"

namespace {

// A question open in its own event loop would swallow the close (the window is already inside
// its close handler): every open dialog is answered as cancelled first.
void EndModalDialogs() {
    for (int guard = 0; guard < 32; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            return;
    }
}

} // namespace

void CloseWindowsOn(const TTerminationSignals& termination) {
    QObject::connect(&termination, &TTerminationSignals::Terminate, qApp, [] {
        EndModalDialogs();
        // The dialogs' loops return only once this handler is done; the windows close after them.
        QMetaObject::invokeMethod(
            qApp, [] { QApplication::closeAllWindows(); }, Qt::QueuedConnection);
    });
}
