// The kernel's arbitrary-rate interface (termios2, BOTHER) clashes with the C library's <termios.h>,
// so it has a unit of its own that includes only the kernel's headers.
#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace pelorin {

bool setCustomSpeed(int fd, int rate)
{
    struct termios2 t;
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = unsigned(rate);
    t.c_ospeed = unsigned(rate);
    return ioctl(fd, TCSETS2, &t) == 0;
}

} // namespace pelorin
