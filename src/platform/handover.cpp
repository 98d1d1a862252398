// The window thread: application start, message loops, the synchronous
// hand-over of calls from other threads, posted messages, timers, threads.
//
// A call from another thread is queued under our own mutex and the window
// thread is woken through an event descriptor that a socket notifier watches
// on the window thread. Qt serves socket notifiers in its main loop and in
// every nested loop (dialogs, message boxes, menus, choosers), so queued calls
// are served there too, and nowhere else: a busy wait or a blocked mutex
// processes no events. Other threads never touch Qt objects.
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <clocale>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <sys/eventfd.h>
#include <unistd.h>

#include "platform/qt_internal.h"
#include "platform/text.h"
#include "platform/window.h"
#include "platform/window_internal.h"

// Sanitized test builds. Fontconfig keeps a small cache for the life of the
// process that the leak checker would report at every exit. The desktop and
// sound libraries are not instrumented: their own worker threads (image
// conversion, audio) synchronise in ways the race detector cannot see, so
// the memory calls those libraries make themselves are not tracked. Every
// access made by our own code is still checked, also when Qt called it.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so\n"
           "called_from_lib:libQt6Gui.so\n"
           "called_from_lib:libQt6Widgets.so\n"
           "called_from_lib:libQt6Multimedia.so\n"
           "called_from_lib:libpulsecommon\n"
           "called_from_lib:libpulse.so\n"
           // Qt's own helper threads allocate through glib; their races lie
           // wholly inside glib and never touch our memory.
           "called_from_lib:libglib-2.0.so\n"
           "race:libglib-2.0.so\n";
}
#endif

namespace plat {
namespace detail {
namespace {

const QEvent::Type kPaintWorkEvent = static_cast<QEvent::Type>(QEvent::User + 103);

struct PostedMessage {
    Hwnd Window;
    uint32_t Message;
    WParam W;
    LParam L;
};

struct PaintWork : QEvent {
    explicit PaintWork(Hwnd h) : QEvent(kPaintWorkEvent), Window(h) {}
    Hwnd Window;
};

struct PendingCall {
    Hwnd Window = 0;
    uint32_t Message = 0;
    WParam W = 0;
    LParam L = 0;
    void (*Job)(void*) = nullptr;  // a marshalled layer call instead of a message
    void* JobContext = nullptr;
    LResult Result = 0;
    bool Started = false;
    bool Done = false;
    bool Released = false;
    // Its own sender waits on this alone: the end of one reader's call wakes
    // that reader, not every reader that waits at the same moment.
    std::condition_variable Finished;
};

std::mutex g_sendMutex;
std::condition_variable g_sendChanged;                    // a call was queued (a joining window thread waits)
std::deque<std::shared_ptr<PendingCall>> g_queue;        // waiting to be served
std::vector<std::shared_ptr<PendingCall>> g_outstanding; // queued or being served
std::deque<PostedMessage> g_posted;                      // posted messages, oldest first
bool g_stop = false;
int g_wakeFd = -1;                                       // eventfd: nonzero when there is work
QSocketNotifier* g_wakeNotifier = nullptr;

std::atomic<bool> g_started{false};
std::atomic<std::thread::id> g_windowThread{};
QApplication* g_app = nullptr;
QObject* g_courier = nullptr;

std::atomic<bool> g_quitPosted{false};
std::atomic<int> g_quitCode{0};
QEventLoop* g_mainLoop = nullptr;

struct ModalEntry {
    Hwnd Window;
    QEventLoop* Loop;
    int Result;
    bool Ended;
};
std::vector<ModalEntry*> g_modalLoops;

class CourierObject : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == kPaintWorkEvent) {
            const Hwnd h = static_cast<PaintWork*>(e)->Window;
            if (WindowRecord* rec = Find(h)) {
                rec->PaintPosted = false;
                UpdateWindow(h);
            }
            return true;
        }
        return QObject::event(e);
    }
};

// Any thread: makes the window thread look at its queues.
void WakeWindowThread() {
    if (g_wakeFd < 0) return;
    const uint64_t one = 1;
    while (write(g_wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void DeliverPostedMessages() {
    for (;;) {
        PostedMessage m;
        {
            std::lock_guard<std::mutex> g(g_sendMutex);
            if (g_posted.empty()) return;
            m = g_posted.front();
            g_posted.pop_front();
        }
        CallProc(m.Window, m.Message, m.W, m.L);
    }
}

// Window thread, on every wake-up: calls first, then posted messages, then a quit.
void OnWake() {
    uint64_t count = 0;
    while (read(g_wakeFd, &count, sizeof count) < 0 && errno == EINTR) {
    }
    ServePendingSends();
    DeliverPostedMessages();
    if (g_quitPosted.load() && g_mainLoop != nullptr) g_mainLoop->exit(g_quitCode.load());
}

void FinishCall(const std::shared_ptr<PendingCall>& call, LResult result) {
    {
        std::lock_guard<std::mutex> g(g_sendMutex);
        call->Result = result;
        call->Done = true;
        for (auto it = g_outstanding.begin(); it != g_outstanding.end(); ++it) {
            if (*it == call) {
                g_outstanding.erase(it);
                break;
            }
        }
    }
    call->Finished.notify_one();
}

// Queues a call and waits for it; false when refused or released.
bool QueueAndWait(const std::shared_ptr<PendingCall>& call) {
    std::unique_lock<std::mutex> lock(g_sendMutex);
    if (g_stop) return false;
    g_queue.push_back(call);
    g_outstanding.push_back(call);
    lock.unlock();
    g_sendChanged.notify_all();  // a window thread joining a thread waits on this too
    WakeWindowThread();
    lock.lock();
    call->Finished.wait(lock, [&] { return call->Done || call->Released; });
    return call->Done && !call->Released;
}

// Threads of the layer.
struct ThreadRecord {
    std::thread Thread;
    std::atomic<bool> Finished{false};
    uint32_t ExitCode = 0;
};
std::mutex g_threadMutex;
// Never destroyed: threads may still run (and be joinable) when the program exits.
auto& g_threads = *new std::unordered_map<ThreadHandle, std::shared_ptr<ThreadRecord>>();
ThreadHandle g_nextThread = 0;

std::shared_ptr<ThreadRecord> FindThread(ThreadHandle h) {
    std::lock_guard<std::mutex> g(g_threadMutex);
    auto it = g_threads.find(h);
    return it == g_threads.end() ? nullptr : it->second;
}

bool FinishJoin(ThreadHandle h, const std::shared_ptr<ThreadRecord>& t, uint32_t* exitCode) {
    if (t->Thread.joinable()) t->Thread.join();
    if (exitCode != nullptr) *exitCode = t->ExitCode;
    std::lock_guard<std::mutex> g(g_threadMutex);
    g_threads.erase(h);
    return true;
}

}  // namespace

QObject* Courier() { return g_courier; }

void PostDeferredPaint(Hwnd hwnd) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr || rec->PaintPosted || g_courier == nullptr) return;
    rec->PaintPosted = true;
    QCoreApplication::postEvent(g_courier, new PaintWork(hwnd), Qt::LowEventPriority);
}

void FlushDeferredDeletes() {
    if (g_app != nullptr) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void EndModalLoopsOf(Hwnd hwnd) {
    for (ModalEntry* m : g_modalLoops) {
        if (m->Window == hwnd && !m->Ended) {
            m->Ended = true;
            m->Result = -1;
            m->Loop->exit(-1);
        }
    }
}

int CloseEveryModalLoop() {
    const std::vector<ModalEntry*> loops = g_modalLoops;  // a window's close may open no loop, but be sure
    for (auto it = loops.rbegin(); it != loops.rend(); ++it) {
        ModalEntry* m = *it;
        if (!m->Ended) CallProc(m->Window, kMsgClose, 0, 0);
        if (!m->Ended) {
            m->Ended = true;
            m->Result = -1;
            m->Loop->exit(-1);
        }
    }
    return static_cast<int>(loops.size());
}

void KillAllTimers(WindowRecord* rec) {
    for (auto& kv : rec->Timers) {
        kv.second->stop();
        kv.second->deleteLater();
    }
    rec->Timers.clear();
}

void ResetHandover() {
    ReleaseWaitingSenders();  // a sender a test left waiting goes free
    ResumeSenders();
    g_quitPosted = false;
    g_quitCode = 0;
    {
        std::lock_guard<std::mutex> g(g_sendMutex);
        g_posted.clear();
    }
    if (g_courier != nullptr) QCoreApplication::removePostedEvents(g_courier, kPaintWorkEvent);
}

}  // namespace detail

using namespace detail;

// ---------------------------------------------------------------------------
// Application and loops

bool StartApplication() {
    if (g_started.load()) return true;
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "ostrima";
        static char* argv[] = {name, nullptr};
        g_app = new QApplication(argc, argv);
    } else {
        g_app = qobject_cast<QApplication*>(QCoreApplication::instance());
    }
    // The system ends the program itself (the quit message), never Qt when a
    // last window closes, which would also end every open modal loop.
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt sets the user's locale at start; formats must keep a decimal point.
    UseCNumericLocale();
    g_windowThread = std::this_thread::get_id();
    g_courier = new CourierObject();
    g_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (g_wakeFd >= 0) {
        g_wakeNotifier = new QSocketNotifier(g_wakeFd, QSocketNotifier::Read, g_courier);
        QObject::connect(g_wakeNotifier, &QSocketNotifier::activated, g_courier, [] { OnWake(); });
    }
    InitStockObjects();
    RegisterBuiltInClasses();
    g_started = true;
    return true;
}

bool ApplicationStarted() { return g_started.load(); }

bool OnWindowThread() { return g_started.load() && std::this_thread::get_id() == g_windowThread.load(); }

int RunMessageLoop() {
    if (!OnWindowThread()) return -1;
    if (g_quitPosted.load()) {
        g_quitPosted = false;
        return g_quitCode.load();
    }
    QEventLoop loop;
    QEventLoop* outer = g_mainLoop;
    g_mainLoop = &loop;
    loop.exec();
    g_mainLoop = outer;
    g_quitPosted = false;
    return g_quitCode.load();
}

void PostQuitMessage(int code) {
    g_quitCode = code;
    g_quitPosted = true;
    WakeWindowThread();
}

int RunModalLoop(Hwnd window) {
    if (!OnWindowThread() || !IsWindow(window)) return -1;
    QEventLoop loop;
    ModalEntry entry{window, &loop, -1, false};
    g_modalLoops.push_back(&entry);
    loop.exec();
    g_modalLoops.erase(std::find(g_modalLoops.begin(), g_modalLoops.end(), &entry));
    return entry.Result;
}

void EndModalLoop(Hwnd window, int result) {
    for (auto it = g_modalLoops.rbegin(); it != g_modalLoops.rend(); ++it) {
        ModalEntry* m = *it;
        if (m->Window == window && !m->Ended) {
            m->Ended = true;
            m->Result = result;
            m->Loop->exit(result);
            return;
        }
    }
}

void ProcessPendingEvents() {
    if (!OnWindowThread()) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// ---------------------------------------------------------------------------
// Hand-over

LResult SendMessage(Hwnd hwnd, uint32_t message, WParam w, LParam l) {
    if (!g_started.load()) return 0;
    if (OnWindowThread()) return CallProc(hwnd, message, w, l);
    if (!IsWindow(hwnd)) return 0;
    auto call = std::make_shared<PendingCall>();
    call->Window = hwnd;
    call->Message = message;
    call->W = w;
    call->L = l;
    if (!QueueAndWait(call)) return 0;
    std::lock_guard<std::mutex> g(g_sendMutex);
    return call->Result;
}

bool RunOnWindowThread(void (*job)(void*), void* context) {
    if (!g_started.load() || job == nullptr) return false;
    if (OnWindowThread()) {
        job(context);
        return true;
    }
    auto call = std::make_shared<PendingCall>();
    call->Job = job;
    call->JobContext = context;
    return QueueAndWait(call);
}

bool PostMessage(Hwnd hwnd, uint32_t message, WParam w, LParam l) {
    if (!g_started.load() || !IsWindow(hwnd)) return false;
    {
        std::lock_guard<std::mutex> g(g_sendMutex);
        g_posted.push_back(PostedMessage{hwnd, message, w, l});
    }
    WakeWindowThread();
    return true;
}

namespace detail {
void ReleaseSenders(bool alsoServed) {
    std::vector<std::shared_ptr<PendingCall>> released;
    {
        std::lock_guard<std::mutex> g(g_sendMutex);
        g_stop = true;
        // A call already being served works on its sender's data (a reader's
        // line slot, a layer job's arguments): that sender waits for the
        // handler to return. Every queued sender goes at once. So a handler
        // must never join the thread whose call it is serving.
        std::vector<std::shared_ptr<PendingCall>> running;
        for (auto& c : g_outstanding) {
            if (c->Started && !alsoServed) {
                running.push_back(c);
            } else {
                c->Released = true;
                released.push_back(c);
            }
        }
        g_outstanding = std::move(running);
        g_queue.clear();
    }
    for (auto& c : released) c->Finished.notify_one();
    g_sendChanged.notify_all();
}
}  // namespace detail

void ReleaseWaitingSenders() { ReleaseSenders(false); }

void ResumeSenders() {
    std::lock_guard<std::mutex> g(g_sendMutex);
    g_stop = false;
}

bool SendersReleased() {
    std::lock_guard<std::mutex> g(g_sendMutex);
    return g_stop;
}

int ServePendingSends() {
    if (!OnWindowThread()) return 0;
    int served = 0;
    for (;;) {
        std::shared_ptr<PendingCall> call;
        {
            std::lock_guard<std::mutex> g(g_sendMutex);
            if (g_queue.empty()) break;
            call = g_queue.front();
            g_queue.pop_front();
            call->Started = true;
        }
        LResult result = 0;
        if (call->Job != nullptr) {
            call->Job(call->JobContext);
        } else {
            result = CallProc(call->Window, call->Message, call->W, call->L);
        }
        FinishCall(call, result);
        ++served;
    }
    return served;
}

// ---------------------------------------------------------------------------
// Timers

bool SetTimer(Hwnd hwnd, uintptr_t id, uint32_t ms) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr || !OnWindowThread()) return false;
    QTimer*& timer = rec->Timers[id];
    if (timer == nullptr) {
        timer = new QTimer(g_courier);
        QObject::connect(timer, &QTimer::timeout, g_courier, [hwnd, id] { CallProc(hwnd, kMsgTimer, id, 0); });
    }
    timer->start(static_cast<int>(std::max<uint32_t>(ms, 1)));
    return true;
}

bool KillTimer(Hwnd hwnd, uintptr_t id) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr) return false;
    auto it = rec->Timers.find(id);
    if (it == rec->Timers.end()) return false;
    it->second->stop();
    it->second->deleteLater();
    rec->Timers.erase(it);
    return true;
}

// ---------------------------------------------------------------------------
// Threads

ThreadHandle StartThread(ThreadProc proc, void* argument) {
    if (proc == nullptr) return 0;
    auto t = std::make_shared<ThreadRecord>();
    ThreadHandle h;
    {
        std::lock_guard<std::mutex> g(g_threadMutex);
        h = ++g_nextThread;
        g_threads.emplace(h, t);
    }
    ThreadRecord* raw = t.get();
    t->Thread = std::thread([raw, proc, argument] {
        raw->ExitCode = proc(argument);
        raw->Finished.store(true, std::memory_order_release);
    });
    return h;
}

bool ThreadFinished(ThreadHandle thread) {
    auto t = FindThread(thread);
    return t == nullptr || t->Finished.load(std::memory_order_acquire);
}

bool JoinThread(ThreadHandle thread, uint32_t* exitCode) {
    auto t = FindThread(thread);
    if (t == nullptr) return false;
    return FinishJoin(thread, t, exitCode);
}

bool JoinThreadServing(ThreadHandle thread, uint32_t* exitCode) {
    auto t = FindThread(thread);
    if (t == nullptr) return false;
    while (!t->Finished.load(std::memory_order_acquire)) {
        if (OnWindowThread()) ServePendingSends();
        std::unique_lock<std::mutex> lock(g_sendMutex);
        g_sendChanged.wait_for(lock, std::chrono::milliseconds(1), [] { return !g_queue.empty(); });
    }
    return FinishJoin(thread, t, exitCode);
}

void SleepMilliseconds(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// ---------------------------------------------------------------------------
// Test hooks

namespace test {

bool RunEventsUntil(bool (*done)(void*), void* context, uint32_t ms) {
    if (!OnWindowThread()) return done != nullptr && done(context);
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (done != nullptr && done(context)) return true;
        if (clock.elapsed() >= static_cast<qint64>(ms)) return done != nullptr && done(context);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents, 2);
    }
}

void RunEventsFor(uint32_t ms) { RunEventsUntil(nullptr, nullptr, ms); }

void ProcessEvents() {
    if (!OnWindowThread()) return;
    for (int i = 0; i < 4; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
    FlushDeferredDeletes();
}

bool FireTimer(Hwnd hwnd, uintptr_t id) {
    if (!TimerIsSet(hwnd, id)) return false;
    CallProc(hwnd, kMsgTimer, id, 0);
    return true;
}

bool TimerIsSet(Hwnd hwnd, uintptr_t id) {
    WindowRecord* rec = Find(hwnd);
    return rec != nullptr && rec->Timers.count(id) != 0;
}

uint32_t TimerInterval(Hwnd hwnd, uintptr_t id) {
    WindowRecord* rec = Find(hwnd);
    if (rec == nullptr) return 0;
    auto it = rec->Timers.find(id);
    return it == rec->Timers.end() ? 0 : static_cast<uint32_t>(it->second->interval());
}

int32_t PendingSendCount() {
    std::lock_guard<std::mutex> g(g_sendMutex);
    return static_cast<int32_t>(g_queue.size());
}

}  // namespace test
}  // namespace plat
