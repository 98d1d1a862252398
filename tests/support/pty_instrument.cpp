#include "support/pty_instrument.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace instruments {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

std::string ComVariable(int comPort) { return "OSTRIMA_COM" + std::to_string(comPort); }

}  // namespace

PtyInstrument::~PtyInstrument() { Close(); }

bool PtyInstrument::Open(int comPort) {
    Close();
    std::lock_guard<std::mutex> guard(lock_);
    error_.clear();
    const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error_ = std::string("posix_openpt: ") + std::strerror(errno);
        return false;
    }
    char name[128];
    if (grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, name, sizeof name) != 0) {
        error_ = std::string("pty set-up: ") + std::strerror(errno);
        close(fd);
        return false;
    }
    // On Linux the master's line settings are the slave's: raw until the
    // program sets its own, so nothing is echoed or translated meanwhile.
    termios t{};
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    master_ = fd;
    slavePath_ = name;
    if (comPort >= 1 && comPort <= 48) {
        comPort_ = comPort;
        setenv(ComVariable(comPort).c_str(), slavePath_.c_str(), 1);
    }
    return true;
}

bool PtyInstrument::IsOpen() const {
    std::lock_guard<std::mutex> guard(lock_);
    return master_ >= 0;
}

size_t PtyInstrument::Write(std::string_view bytes, int waitMs) {
    std::lock_guard<std::mutex> guard(lock_);
    if (master_ < 0) return 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) break;
        const int left = RemainingMs(deadline);
        if (left == 0) break;
        pollfd p{master_, POLLOUT, 0};
        if (poll(&p, 1, left < 5 ? left : 5) < 0 && errno != EINTR) break;
    }
    return done;
}

std::string PtyInstrument::ReadCount(size_t count, int waitMs) {
    std::lock_guard<std::mutex> guard(lock_);
    std::string got;
    if (master_ < 0) return got;
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    char buf[512];
    while (got.size() < count) {
        const size_t want = count - got.size() < sizeof buf ? count - got.size() : sizeof buf;
        const ssize_t n = read(master_, buf, want);
        if (n > 0) {
            got.append(buf, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        // EAGAIN: nothing yet. EIO: no slave open at the moment (before the
        // program opens the port or after it closed it); it may come back.
        if (n < 0 && errno != EAGAIN && errno != EIO) break;
        const int left = RemainingMs(deadline);
        if (left == 0) break;
        // With no slave open the master polls as hung up at once: short naps
        // instead of a spin.
        pollfd p{master_, POLLIN, 0};
        const int ready = poll(&p, 1, left < 5 ? left : 5);
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0 && (p.revents & POLLIN) == 0) poll(nullptr, 0, 2);
    }
    return got;
}

std::string PtyInstrument::Read(int waitMs) {
    std::string got = ReadCount(1, waitMs);
    if (got.empty()) return got;
    for (;;) {
        const std::string more = ReadCount(512, 0);
        if (more.empty()) break;
        got += more;
    }
    return got;
}

size_t PtyInstrument::Waiting() const {
    std::lock_guard<std::mutex> guard(lock_);
    int n = 0;
    if (master_ < 0 || ioctl(master_, FIONREAD, &n) != 0 || n < 0) return 0;
    return static_cast<size_t>(n);
}

bool PtyInstrument::SlaveSettings(termios& out) const {
    std::lock_guard<std::mutex> guard(lock_);
    return master_ >= 0 && tcgetattr(master_, &out) == 0;
}

void PtyInstrument::Hangup() {
    std::lock_guard<std::mutex> guard(lock_);
    if (master_ >= 0) close(master_);
    master_ = -1;
}

void PtyInstrument::Close() {
    Hangup();
    std::lock_guard<std::mutex> guard(lock_);
    if (comPort_ != 0) unsetenv(ComVariable(comPort_).c_str());
    comPort_ = 0;
    slavePath_.clear();
}

std::string ConsoleLine(int first) {
    char line[32];
    std::snprintf(line, sizeof line, "$PBAR,%4d\r\n", first);
    return line;
}

std::string ConsoleLine(int first, int second) {
    char line[48];
    std::snprintf(line, sizeof line, "$PBAR,%4d,%4d\r\n", first, second);
    return line;
}

InstrumentFeeder::~InstrumentFeeder() { Stop(); }

void InstrumentFeeder::Add(PtyInstrument* port, LineSource source) {
    if (thread_.joinable()) return;
    entries_.push_back(Entry{port, std::move(source)});
}

bool InstrumentFeeder::Start(double linesPerSecond) {
    if (thread_.joinable() || !(linesPerSecond > 0.0)) return false;
    {
        std::lock_guard<std::mutex> guard(stopLock_);
        stop_ = false;
    }
    thread_ = std::thread(&InstrumentFeeder::Run, this, 1.0 / linesPerSecond);
    return true;
}

void InstrumentFeeder::Stop() {
    {
        std::lock_guard<std::mutex> guard(stopLock_);
        stop_ = true;
    }
    stopSignal_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void InstrumentFeeder::Run(double periodSeconds) {
    const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(periodSeconds));
    auto next = Clock::now();
    for (;;) {
        for (Entry& e : entries_) {
            const std::string line = e.Source();
            if (e.Port->Write(line, 0) == line.size()) linesWritten_.fetch_add(1);
        }
        next += period;
        // A feeder that fell behind (a stopped debugger, a loaded machine)
        // does not send a burst to catch up.
        const auto now = Clock::now();
        if (next < now) next = now;
        std::unique_lock<std::mutex> guard(stopLock_);
        if (stopSignal_.wait_until(guard, next, [this] { return stop_; })) return;
    }
}

}  // namespace instruments
