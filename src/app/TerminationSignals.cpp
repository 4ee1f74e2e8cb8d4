#include "app/TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A signal handler may do next to nothing; it writes one byte into this pair
// of sockets and the event loop, watching the other end, does the rest.
int wakeUp[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    if (::write(wakeUp[1], &byte, 1) < 0) {
        // The pipe is full: a quit is already on its way.
    }
}

} // namespace

bool quitOnTerminationSignals(QCoreApplication &app)
{
    if (wakeUp[0] >= 0)
        return true;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, wakeUp) != 0)
        return false;

    auto *notifier = new QSocketNotifier(wakeUp[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char bytes[16];
        while (::read(wakeUp[0], bytes, sizeof bytes) > 0) {
        }
        QCoreApplication::quit();
    });

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    bool ok = true;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ok = ::sigaction(signal, &action, nullptr) == 0 && ok;
    return ok;
}
