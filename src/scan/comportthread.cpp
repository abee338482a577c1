#include "scan/comportthread.h"

#include <QMetaObject>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace pelorin {

TComThread::TComThread(TCustomComPort* owner, int fd, TComEvents events)
    : m_owner(owner), m_fd(fd), m_events(events), m_state(std::make_shared<HandOverState>())
{
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0)
        throw EComPort(1, errno);
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error& e) {
        ::close(m_wakeFd);
        throw EComPort(1, e.code().value());
    }
}

TComThread::~TComThread()
{
    stopAndJoin();
    ::close(m_wakeFd);
}

void TComThread::stopAndJoin()
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stop = true;
    }
    m_state->cv.notify_all();
    wake();
    if (m_thread.joinable())
        m_thread.join();
}

void TComThread::rearmInput()
{
    {
        std::lock_guard lock(m_state->mutex);
        if (m_state->watchInput)
            return;
        m_state->watchInput = true;
    }
    wake();
}

void TComThread::wake()
{
    const quint64 one = 1;
    // an eventfd counter cannot overflow from these few writes; EAGAIN would mean it is already set
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void TComThread::run()
{
    for (;;) {
        short wanted = 0;
        {
            std::lock_guard lock(m_state->mutex);
            if (m_state->stop)
                return;
            if (m_state->watchInput && (m_events & evRxChar))
                wanted = POLLIN;
        }
        pollfd fds[2] = {{m_fd, wanted, 0}, {m_wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            handOver(evError, errno);
            return;
        }
        if (fds[1].revents & POLLIN) {
            quint64 count;
            [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &count, sizeof count);
            continue; // the loop's head sees a stop or a re-armed input watch
        }
        const short got = fds[0].revents;
        // a device that went away reports hang-up or error at every poll and reads nothing more:
        // hand it over once and end, rather than spin on it
        if (got & POLLNVAL) {
            handOver(evError, EBADF);
            return;
        }
        if (got & (POLLHUP | POLLERR)) {
            handOver(evError, EIO);
            return;
        }
        if ((got & POLLIN) && !handOver(evRxChar, 0))
            return;
    }
}

bool TComThread::handOver(TComEvents events, int lostError)
{
    std::unique_lock lock(m_state->mutex);
    if (m_state->stop)
        return false;
    m_state->pending = true;
    m_state->events = events;
    m_state->lostError = lostError;
    const quint64 ticket = ++m_state->handedOver;
    // the owner lives on the user-interface thread: the call is queued there, and dropped if the
    // owner is destroyed first
    QMetaObject::invokeMethod(
        m_owner, [owner = m_owner, state = m_state] { owner->serveHandOver(state); }, Qt::QueuedConnection);
    m_state->cv.wait(lock, [&] { return m_state->stop || m_state->served >= ticket; });
    return !m_state->stop;
}

} // namespace pelorin
