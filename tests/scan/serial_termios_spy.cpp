// Records what every tcsetattr() of this process asks of a device, then passes the call on to the
// C library. Defined in the test program, it stands in front of the C library's for QSerialPort too.
#include "serial_pty.h"

#include <dlfcn.h>
#include <mutex>

namespace {

std::mutex s_mutex;
std::vector<std::pair<int, termios>> s_requests;

} // namespace

extern "C" int tcsetattr(int fd, int action, const struct termios* settings)
{
    using Real = int (*)(int, int, const struct termios*);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "tcsetattr"));
    if (settings) {
        std::lock_guard lock(s_mutex);
        s_requests.emplace_back(fd, *settings);
    }
    return real(fd, action, settings);
}

namespace pelorin::test {

std::vector<termios> termiosRequests(int fd)
{
    std::lock_guard lock(s_mutex);
    std::vector<termios> found;
    for (const auto& [requestFd, settings] : s_requests)
        if (fd < 0 || requestFd == fd)
            found.push_back(settings);
    return found;
}

void clearTermiosRequests()
{
    std::lock_guard lock(s_mutex);
    s_requests.clear();
}

} // namespace pelorin::test
