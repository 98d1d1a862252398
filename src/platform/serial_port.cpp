#include "platform/serial_port.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace plat {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kReadTimeoutMs = 10;
constexpr int kWriteBoundMs = 1000;
constexpr int kCloseDrainMs = 200;      // how long a close lets queued output go out

// Handle = generation << kSlotBits | slot. Generations start at 1, so 0 and
// small numbers are never valid handles, and a closed handle does not come
// back until its slot has been reused 2^24 times.
constexpr int kSlotBits = 6;
constexpr int kSlotCount = 1 << kSlotBits;
constexpr uint32_t kGenerationMask = (1u << 24) - 1;

enum class SlotState { Free, Open, Closing };

struct PortSlot {
    SlotState State = SlotState::Free;
    uint32_t Generation = 1;
    int Fd = -1;
    int WakeRead = -1;        // readable once the port is being closed: wakes every waiting poll
    int WakeWrite = -1;
    int Users = 0;            // reads, writes and purges in progress on Fd
    // Bytes one read() brought in beyond the first, handed out one at a time
    // by the following ReadSerialByte calls: a line costs one system call per
    // burst instead of one per byte. Only the port's one reader takes from it;
    // a purge empties it (and bumps PurgeCount so a read that was under way
    // when the purge came keeps nothing).
    uint8_t Buffered[64] = {};
    int BufferedPos = 0;
    int BufferedLen = 0;
    uint32_t PurgeCount = 0;
};

std::mutex g_tableLock;
std::condition_variable g_portIdle;     // a closing port's last user has left
PortSlot g_slots[kSlotCount];
int g_nextSlot = 0;

SerialHandle MakeHandle(int slot, uint32_t generation) {
    return static_cast<SerialHandle>((generation << kSlotBits) | static_cast<uint32_t>(slot));
}

// The slot of an open handle, or -1. Caller holds g_tableLock.
int OpenSlotOf(SerialHandle h) {
    if (h <= 0) return -1;
    const int slot = static_cast<int>(static_cast<uint32_t>(h) & (kSlotCount - 1));
    const uint32_t generation = static_cast<uint32_t>(h) >> kSlotBits;
    const PortSlot& s = g_slots[slot];
    if (s.State != SlotState::Open || s.Generation != generation) return -1;
    return slot;
}

// One use of a port's descriptor; the descriptor stays open until Release.
struct PortUse {
    int Slot = -1;
    int Fd = -1;
    int Wake = -1;
};

bool Acquire(SerialHandle h, PortUse& use) {
    std::lock_guard<std::mutex> lock(g_tableLock);
    const int slot = OpenSlotOf(h);
    if (slot < 0) return false;
    PortSlot& s = g_slots[slot];
    ++s.Users;
    use.Slot = slot;
    use.Fd = s.Fd;
    use.Wake = s.WakeRead;
    return true;
}

void Release(const PortUse& use) {
    std::lock_guard<std::mutex> lock(g_tableLock);
    PortSlot& s = g_slots[use.Slot];
    if (--s.Users == 0 && s.State == SlotState::Closing) g_portIdle.notify_all();
}

void SleepOutTimeout(Clock::time_point start) {
    std::this_thread::sleep_until(start + std::chrono::milliseconds(kReadTimeoutMs));
}

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

SerialOpenError OpenErrorFromErrno(int e) {
    switch (e) {
    case ENOENT: case ENXIO: case ENODEV: case EIO: case ENOTDIR:
        return SerialOpenError::Missing;       // EIO: a ttyS node without a UART behind it
    case EBUSY:
        return SerialOpenError::Busy;          // another open holds TIOCEXCL
    case EACCES: case EPERM: case EROFS:
        return SerialOpenError::NoAccess;
    default:
        return SerialOpenError::Failed;
    }
}

bool SpeedOf(int32_t baud, speed_t& speed) {
    switch (baud) {
    case 4800: speed = B4800; return true;
    case 9600: speed = B9600; return true;
    case 19200: speed = B19200; return true;
    case 38400: speed = B38400; return true;
    case 57600: speed = B57600; return true;
    case 115200: speed = B115200; return true;
    default: return false;
    }
}

// Raw mode with the requested line settings; fields asked to be kept come
// from `was`, the port's settings before it was opened by us.
termios MakeTermios(const termios& was, const SerialLineSettings& s) {
    termios t = was;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;           // ignore modem lines: a console drives no carrier
    t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);

    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
    if (s.DataBits == 7) t.c_cflag |= CS7;
    else if (s.DataBits == 8) t.c_cflag |= CS8;
    else t.c_cflag |= was.c_cflag & CSIZE;

    const tcflag_t parityBits = PARENB | PARODD;
    t.c_cflag &= ~parityBits;
    if (s.Parity == 'E') t.c_cflag |= PARENB;
    else if (s.Parity == 'O') t.c_cflag |= PARENB | PARODD;
    else if (s.Parity != 'N') t.c_cflag |= was.c_cflag & parityBits;

    if (s.StopBits == 1) t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    else if (s.StopBits == 2) t.c_cflag |= CSTOPB;
    else t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CSTOPB)) | (was.c_cflag & CSTOPB);

    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    if (s.XonXoff) t.c_iflag |= IXON | IXOFF;

    speed_t speed{};
    if (SpeedOf(s.BaudRate, speed)) {
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
    }
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return t;
}

void CloseDescriptor(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Lets queued output go out for a moment, then drops the rest, so that a
// close never hangs on a port held back by flow control.
void ReleaseDevice(int fd) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kCloseDrainMs);
    int queued = 0;
    while (ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    tcflush(fd, TCIOFLUSH);
    ioctl(fd, TIOCNXCL);
    close(fd);
}

}  // namespace

SerialLineSettings ConsoleLineSettings() {
    SerialLineSettings s;
    s.BaudRate = 9600;
    s.DataBits = 8;
    s.Parity = 'N';
    s.StopBits = 1;
    s.XonXoff = false;
    return s;
}

SerialLineSettings GpsLineSettings(int baudIndex, int dataBitsIndex, int parityIndex, int stopBitsIndex) {
    constexpr int32_t kBauds[] = {4800, 9600, 19200, 38400, 57600, 115200};
    constexpr char kParities[] = {'N', 'E', 'O'};
    SerialLineSettings s;
    if (baudIndex >= 0 && baudIndex < 6) s.BaudRate = kBauds[baudIndex];
    if (dataBitsIndex == 0 || dataBitsIndex == 1) s.DataBits = 7 + dataBitsIndex;
    if (parityIndex >= 0 && parityIndex < 3) s.Parity = kParities[parityIndex];
    if (stopBitsIndex == 0 || stopBitsIndex == 1) s.StopBits = 1 + stopBitsIndex;
    s.XonXoff = true;
    return s;
}

bool SerialDevicePath(int port, char* out, size_t capacity) {
    if (capacity == 0) return false;
    out[0] = 0;
    if (port < kFirstComPort || port > kLastComPort) return true;
    char name[24];
    std::snprintf(name, sizeof name, "OSTRIMA_COM%d", port);
    const char* mapped = std::getenv(name);
    int n = 0;
    if (mapped != nullptr && mapped[0] != 0) n = std::snprintf(out, capacity, "%s", mapped);
    else n = std::snprintf(out, capacity, "/dev/ttyS%d", port - 1);
    if (n < 0 || static_cast<size_t>(n) >= capacity) {
        out[0] = 0;
        return false;
    }
    return true;
}

SerialOpenResult OpenSerialPort(int port, const SerialLineSettings& settings) {
    SerialOpenResult result;
    char path[4096];
    if (!SerialDevicePath(port, path, sizeof path) || path[0] == 0) return result;  // Missing

    int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.Error = OpenErrorFromErrno(errno);
        return result;
    }
    // flock is what stops a second open by a privileged user, whom TIOCEXCL lets through.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        result.Error = (errno == EWOULDBLOCK) ? SerialOpenError::Busy : SerialOpenError::Failed;
        close(fd);
        return result;
    }
    termios was{};
    if (tcgetattr(fd, &was) != 0) {
        result.Error = SerialOpenError::SettingsRefused;   // not a terminal at all
        close(fd);
        return result;
    }
    ioctl(fd, TIOCEXCL);
    const termios wanted = MakeTermios(was, settings);
    if (tcsetattr(fd, TCSANOW, &wanted) != 0) {
        result.Error = SerialOpenError::SettingsRefused;
        ioctl(fd, TIOCNXCL);
        close(fd);
        return result;
    }
    // Nobody is asked to send: drop DTR and RTS. Pseudo-terminals have no
    // modem lines and refuse; that is fine.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(fd, TIOCMBIC, &lines);

    int wake[2] = {-1, -1};
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        result.Error = SerialOpenError::Failed;
        ReleaseDevice(fd);
        return result;
    }

    std::lock_guard<std::mutex> lock(g_tableLock);
    for (int k = 0; k < kSlotCount; ++k) {
        const int slot = (g_nextSlot + k) % kSlotCount;
        PortSlot& s = g_slots[slot];
        if (s.State != SlotState::Free) continue;
        s.State = SlotState::Open;
        s.BufferedPos = s.BufferedLen = 0;
        s.Fd = fd;
        s.WakeRead = wake[0];
        s.WakeWrite = wake[1];
        s.Users = 0;
        g_nextSlot = (slot + 1) % kSlotCount;
        result.Handle = MakeHandle(slot, s.Generation);
        result.Error = SerialOpenError::None;
        return result;
    }
    result.Error = SerialOpenError::Failed;     // every slot in use
    close(wake[0]);
    close(wake[1]);
    ReleaseDevice(fd);
    return result;
}

int ReadSerialByteWithin(SerialHandle h, uint8_t* out, int waitMs) {
    PortUse use;
    uint32_t purgeSeen = 0;
    {
        std::lock_guard<std::mutex> lock(g_tableLock);
        const int slot = OpenSlotOf(h);
        if (slot >= 0) {
            PortSlot& s = g_slots[slot];
            if (s.BufferedPos < s.BufferedLen) {
                *out = s.Buffered[s.BufferedPos++];
                return 1;
            }
            ++s.Users;
            use.Slot = slot;
            use.Fd = s.Fd;
            use.Wake = s.WakeRead;
            purgeSeen = s.PurgeCount;
        }
    }
    // Taken after the buffered path: a byte already read costs no clock.
    const Clock::time_point start = Clock::now();
    if (use.Slot < 0) {
        SleepOutTimeout(start);
        return -1;
    }
    int result = 0;
    uint8_t bytes[sizeof PortSlot{}.Buffered + 1];
    ssize_t n = 0;
    pollfd fds[2] = {{use.Fd, POLLIN, 0}, {use.Wake, POLLIN, 0}};
    const int ready = poll(fds, 2, waitMs > 0 ? waitMs : 0);
    if (ready < 0) {
        result = (errno == EINTR) ? 0 : -1;
    } else if (ready == 0) {
        result = 0;
    } else if (fds[1].revents != 0) {
        result = -1;                               // being closed
    } else if ((fds[0].revents & POLLIN) != 0) {
        n = read(use.Fd, bytes, sizeof bytes);
        if (n >= 1) {
            result = 1;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            result = 0;
        } else {
            result = -1;                           // 0 bytes: hang-up; EIO: device gone
        }
    } else {
        result = -1;                               // POLLHUP, POLLERR, POLLNVAL
    }
    {
        std::lock_guard<std::mutex> lock(g_tableLock);
        PortSlot& s = g_slots[use.Slot];
        if (result == 1 && s.PurgeCount != purgeSeen) result = 0;  // purged meanwhile: keep nothing
        if (result == 1) {
            *out = bytes[0];
            for (ssize_t i = 1; i < n; ++i) s.Buffered[i - 1] = bytes[i];
            s.BufferedPos = 0;
            s.BufferedLen = static_cast<int>(n - 1);
        }
        if (--s.Users == 0 && s.State == SlotState::Closing) g_portIdle.notify_all();
    }
    if (result < 0) SleepOutTimeout(start);
    return result;
}

int ReadSerialByte(SerialHandle h, uint8_t* out) { return ReadSerialByteWithin(h, out, kReadTimeoutMs); }

int WriteSerialPort(SerialHandle h, const void* data, int n) {
    PortUse use;
    if (!Acquire(h, use)) return -1;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWriteBoundMs);
    const auto* bytes = static_cast<const uint8_t*>(data);
    int done = 0;
    while (done < n) {
        const ssize_t w = write(use.Fd, bytes + done, static_cast<size_t>(n - done));
        if (w > 0) {
            done += static_cast<int>(w);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno != EAGAIN) break;
        const int left = RemainingMs(deadline);
        if (left == 0) break;
        pollfd fds[2] = {{use.Fd, POLLOUT, 0}, {use.Wake, POLLIN, 0}};
        const int ready = poll(fds, 2, left);
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0 && (fds[1].revents != 0 || (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)) break;
    }
    Release(use);
    return done;
}

bool PurgeSerialPort(SerialHandle h) {
    PortUse use;
    if (!Acquire(h, use)) return false;
    const bool ok = tcflush(use.Fd, TCIOFLUSH) == 0;
    {
        std::lock_guard<std::mutex> lock(g_tableLock);
        PortSlot& s = g_slots[use.Slot];
        s.BufferedPos = s.BufferedLen = 0;
        ++s.PurgeCount;
    }
    Release(use);
    return ok;
}

bool CloseSerialPort(SerialHandle h) {
    int fd = -1, wakeRead = -1, wakeWrite = -1;
    int slot = -1;
    {
        std::unique_lock<std::mutex> lock(g_tableLock);
        slot = OpenSlotOf(h);
        if (slot < 0) return false;
        PortSlot& s = g_slots[slot];
        s.State = SlotState::Closing;
        // Wakes every poll on this port at once. Should the write ever fail,
        // the users still leave within their own timeouts.
        const char wakeByte = 1;
        [[maybe_unused]] const ssize_t woke = write(s.WakeWrite, &wakeByte, 1);
        g_portIdle.wait(lock, [&s] { return s.Users == 0; });
        fd = s.Fd;
        wakeRead = s.WakeRead;
        wakeWrite = s.WakeWrite;
    }
    // No one uses the descriptors any more and no one can start to: the slot
    // is Closing. Release them without holding the table.
    ReleaseDevice(fd);
    CloseDescriptor(wakeRead);
    CloseDescriptor(wakeWrite);
    std::lock_guard<std::mutex> lock(g_tableLock);
    PortSlot& s = g_slots[slot];
    s.Fd = -1;
    s.WakeRead = -1;
    s.WakeWrite = -1;
    s.Generation = (s.Generation + 1) & kGenerationMask;
    if (s.Generation == 0) s.Generation = 1;
    s.State = SlotState::Free;
    return true;
}

namespace test {
int OpenSerialPortCount() {
    std::lock_guard<std::mutex> lock(g_tableLock);
    int n = 0;
    for (const PortSlot& s : g_slots) n += (s.State != SlotState::Free) ? 1 : 0;
    return n;
}
}  // namespace test

}  // namespace plat
