#include "core/uHandOver.h"

#include <QCoreApplication>
#include <QThread>

TLifeline MakeLifeline() {
    return std::make_shared<const bool>(true);
}

namespace {
std::function<void()> GuardedBy(const TLifelineRef& owner, std::function<void()> call) {
    return [owner, call = std::move(call)] {
        // Checked on the GUI thread, where owners are destroyed: no race with the owner's end.
        if (owner.lock())
            call();
    };
}
} // namespace

void HandOver(const TLifelineRef& owner, std::function<void()> call) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr)
        return;
    QMetaObject::invokeMethod(app, GuardedBy(owner, std::move(call)), Qt::QueuedConnection);
}

void HandOverAndWait(const TLifelineRef& owner, std::function<void()> call) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr)
        return;
    if (QThread::currentThread() == app->thread()) {
        GuardedBy(owner, std::move(call))();
        return;
    }
    QMetaObject::invokeMethod(app, GuardedBy(owner, std::move(call)),
                              Qt::BlockingQueuedConnection);
}
