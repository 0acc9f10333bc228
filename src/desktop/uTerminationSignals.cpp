#include "desktop/uTerminationSignals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <QSocketNotifier>

namespace {

constexpr int kCaught[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler may only write to a descriptor, which it can only find here; the event
// loop reads the other end.
volatile std::sig_atomic_t WriteEnd = -1;

void ForwardSignal(int signal) {
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(WriteEnd, &byte, 1);
}

} // namespace

TTerminationSignals::TTerminationSignals(QObject* parent) : QObject(parent) {
    if (WriteEnd >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, m_pair) != 0)
        return;
    m_notifier = new QSocketNotifier(m_pair[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TTerminationSignals::Read);
    WriteEnd = m_pair[0];
    struct sigaction action {};
    action.sa_handler = ForwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kCaught)
        ::sigaction(signal, &action, nullptr);
}

TTerminationSignals::~TTerminationSignals() {
    if (m_pair[0] < 0)
        return;
    for (const int signal : kCaught)
        std::signal(signal, SIG_DFL);
    WriteEnd = -1;
    delete m_notifier;
    ::close(m_pair[0]);
    ::close(m_pair[1]);
}

void TTerminationSignals::Read() {
    char byte = 0;
    if (::read(m_pair[1], &byte, 1) != 1)
        return;
    const int signal = static_cast<unsigned char>(byte);
    m_arrived = true;
    std::fprintf(stderr, "orvalo: ending on signal %d (%s)\n", signal, ::strsignal(signal));
    emit Terminate(signal);
}
