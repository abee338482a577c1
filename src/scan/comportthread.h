#pragma once
#include "scan/comport.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace pelorin {

// What the event thread and the user-interface thread share. It outlives both sides: a hand-over
// still queued when its thread has ended finds it and does nothing.
struct HandOverState
{
    std::mutex mutex;
    std::condition_variable cv;
    bool stop = false;
    // an event set waits for the user-interface thread
    bool pending = false;
    TComEvents events;
    // errno of a device that went away; the thread ends after handing that over
    int lostError = 0;
    // hand-overs made and hand-overs served: the thread waits until they are equal
    quint64 handedOver = 0;
    quint64 served = 0;
    // false while received characters lie unread after a hand-over: poll() reports waiting input
    // every time, so the thread stops asking for it until someone reads
    bool watchInput = true;
};

// The event thread of an open port: it waits with poll() on the device and on a wake-up eventfd,
// never with a timeout, and hands every event set over to the user-interface thread, blocking until
// it has been served or the thread is told to stop. Stopping wakes it wherever it waits, so closing
// can never deadlock against a hand-over.
class TComThread
{
public:
    TComThread(TCustomComPort* owner, int fd, TComEvents events);
    ~TComThread();
    TComThread(const TComThread&) = delete;
    TComThread& operator=(const TComThread&) = delete;

    // Tells the thread to end and waits until it has.
    void stopAndJoin();
    // Someone read from the device: watch for received characters again.
    void rearmInput();
    const std::shared_ptr<HandOverState>& state() const { return m_state; }

private:
    void run();
    void wake();
    bool handOver(TComEvents events, int lostError);

    TCustomComPort* m_owner;
    int m_fd;
    TComEvents m_events;
    int m_wakeFd = -1;
    std::shared_ptr<HandOverState> m_state;
    std::thread m_thread;
};

} // namespace pelorin
