#include "batch/interruptwatch.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace batch {

namespace {

// One watch at a time owns the pipe: a handler cannot be given a pointer.
int pipeEnds[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

constexpr int Watched[2] = {SIGINT, SIGTERM};

} // namespace

InterruptWatch::InterruptWatch()
{
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        watching_ = Failure{QString::fromLocal8Bit(std::strerror(errno))};
        pipeEnds[0] = pipeEnds[1] = -1;
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
        }
        emit interrupted();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i)
        ::sigaction(Watched[i], &action, &previous_[i]);
    installed_ = true;
}

InterruptWatch::~InterruptWatch()
{
    if (installed_)
        for (int i = 0; i < 2; ++i)
            ::sigaction(Watched[i], &previous_[i], nullptr);
    notifier_.reset();
    for (int &end : pipeEnds)
        if (end >= 0) {
            ::close(end);
            end = -1;
        }
}

} // namespace batch
