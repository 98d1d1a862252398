// The synchronous hand-over from reader threads to the window thread.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/tick.h"
#include "platform/window.h"
#include "window_fixture.h"

using namespace plat;

namespace {

constexpr uint32_t kMsgServe = kMsgUser;          // records wParam, answers wParam * 10
constexpr uint32_t kMsgNestLoop = kMsgUser + 2;   // opens a modal loop on the window
constexpr uint32_t kMsgEndLoop = kMsgUser + 3;    // ends it with 33
constexpr uint32_t kMsgStopWhileRunning = kMsgUser + 4;

std::mutex g_mutex;              // guards g_served (the senders read it after the hand-over)
std::vector<WParam> g_served;    // wParam of every kMsgServe, in serving order
int g_paints = 0;
std::atomic<bool> g_nested{false};

size_t ServedCount() {
    std::lock_guard<std::mutex> g(g_mutex);
    return g_served.size();
}

bool WaitForQueued(int n) {
    for (int i = 0; i < 4000 && test::PendingSendCount() < n; ++i) SleepMilliseconds(1);
    return test::PendingSendCount() >= n;
}

struct SendJob {
    Hwnd Window = 0;
    uint32_t Message = kMsgServe;
    WParam First = 0;
    int Count = 1;
    std::atomic<LResult> Last{-1};
    std::atomic<int> Returned{0};
};

uint32_t Sender(void* p) {
    auto* job = static_cast<SendJob*>(p);
    for (int i = 0; i < job->Count; ++i) {
        job->Last = SendMessage(job->Window, job->Message, job->First + static_cast<WParam>(i), 0);
        ++job->Returned;
    }
    return 5;
}

SendJob* g_queuedBehind = nullptr;  // the sender kMsgStopWhileRunning waits for
size_t g_quitWhenServed = 0;        // the timer ends the message loop once this many are served
uint32_t g_quitDeadline = 0;        // ... or at this tick

LResult HandoverProc(Hwnd h, uint32_t m, WParam w, LParam l) {
    switch (m) {
        case kMsgServe: {
            std::lock_guard<std::mutex> g(g_mutex);
            g_served.push_back(w);
            return static_cast<LResult>(w) * 10;
        }
        case kMsgNestLoop:
            g_nested = true;
            return RunModalLoop(h);
        case kMsgEndLoop:
            EndModalLoop(h, 33);
            return 44;
        case kMsgStopWhileRunning: {
            // A second sender queues up behind this running call; the stop
            // flag sends it away unserved, while this sender still waits.
            EXPECT_TRUE(WaitForQueued(1));
            ReleaseWaitingSenders();
            for (int i = 0; i < 4000 && g_queuedBehind->Returned.load() == 0; ++i) SleepMilliseconds(1);
            EXPECT_EQ(g_queuedBehind->Last.load(), 0);
            return 55;
        }
        case kMsgTimer:
            if (ServedCount() >= g_quitWhenServed || static_cast<int32_t>(GetTickCount() - g_quitDeadline) >= 0)
                PostQuitMessage(0);
            return 0;
        case kMsgPaint:
            ++g_paints;
            return DefaultWindowProc(h, m, w, l);
        default:
            return DefaultWindowProc(h, m, w, l);
    }
}

class HandoverThreaded : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        {
            std::lock_guard<std::mutex> g(g_mutex);
            g_served.clear();
        }
        g_paints = 0;
        g_nested = false;
        WindowClass c;
        c.Name = u"HandWnd";
        c.Proc = &HandoverProc;
        ASSERT_TRUE(RegisterWindowClass(c));
        window_ = CreateWindow(u"HandWnd", u"", kStylePopup | kStyleVisible, 0, 0, 20, 20, 0, 0);
        ASSERT_NE(window_, 0);
    }
    ThreadHandle Start(SendJob& job, uint32_t message = kMsgServe, WParam first = 0, int count = 1) {
        job.Window = window_;
        job.Message = message;
        job.First = first;
        job.Count = count;
        return StartThread(&Sender, &job);
    }
    Hwnd window_ = 0;
};

// Each sender blocks until its handler has returned and then reads what
// the handler left; the calls are served in arrival order.
TEST_F(HandoverThreaded, SendersBlockUntilServedInArrivalOrderAndGetTheirResults) {
    SendJob jobs[3];
    ThreadHandle threads[3];
    for (int i = 0; i < 3; ++i) {
        threads[i] = Start(jobs[i], kMsgServe, static_cast<WParam>(i + 1));
        ASSERT_TRUE(WaitForQueued(i + 1));  // so the arrival order is known
    }
    for (ThreadHandle t : threads) EXPECT_FALSE(ThreadFinished(t)) << "nobody served it yet";
    EXPECT_EQ(ServePendingSends(), 3);
    for (int i = 0; i < 3; ++i) {
        uint32_t code = 0;
        ASSERT_TRUE(JoinThread(threads[i], &code));
        EXPECT_EQ(code, 5u);
        EXPECT_EQ(jobs[i].Last.load(), (i + 1) * 10);
    }
    {
        std::lock_guard<std::mutex> g(g_mutex);
        EXPECT_EQ(g_served, (std::vector<WParam>{1, 2, 3}));
    }
    EXPECT_EQ(SendMessage(window_, kMsgServe, 4, 0), 40) << "on the window thread: a direct call";
}

TEST_F(HandoverThreaded, ManySendersAreAllServedByTheLoopInTheirOwnOrder) {
    SendJob jobs[3];
    ThreadHandle threads[3];
    for (int i = 0; i < 3; ++i) threads[i] = Start(jobs[i], kMsgServe, static_cast<WParam>((i + 1) * 1000), 200);
    EXPECT_TRUE(test::RunEventsUntil([](void*) { return ServedCount() == 600; }, nullptr, 20000));
    for (ThreadHandle t : threads) EXPECT_TRUE(JoinThreadServing(t));
    std::lock_guard<std::mutex> g(g_mutex);
    WParam next[3] = {1000, 2000, 3000};
    for (WParam w : g_served) {
        const size_t k = w / 1000 - 1;
        ASSERT_LT(k, 3u);
        EXPECT_EQ(w, next[k]++);
    }
}

// The window thread's own loop, with nothing else serving: senders that
// queue at the same moments share wakes, and none is left waiting for one
// (the timer only looks at the count; it serves nothing).
TEST_F(HandoverThreaded, TheMessageLoopAloneServesSendersThatQueueTogether) {
    constexpr int kSenders = 8, kEach = 300;
    SendJob jobs[kSenders];
    ThreadHandle threads[kSenders];
    for (int i = 0; i < kSenders; ++i) threads[i] = Start(jobs[i], kMsgServe, static_cast<WParam>(i), kEach);
    g_quitWhenServed = size_t{kSenders} * kEach;
    g_quitDeadline = GetTickCount() + 20000;  // a lost wake would wait for ever: give up long after
    ASSERT_TRUE(SetTimer(window_, 1, 5));
    RunMessageLoop();
    KillTimer(window_, 1);
    EXPECT_EQ(ServedCount(), g_quitWhenServed);
    for (ThreadHandle t : threads) EXPECT_TRUE(JoinThreadServing(t));
}

TEST_F(HandoverThreaded, ABusyWaitServesNothing) {
    test::UseRealTick();
    SendJob job;
    const ThreadHandle t = Start(job);
    ASSERT_TRUE(WaitForQueued(1));
    WaitMilliseconds(20);
    EXPECT_EQ(ServedCount(), 0u);
    EXPECT_EQ(job.Returned.load(), 0);
    EXPECT_TRUE(JoinThreadServing(t));
    EXPECT_EQ(ServedCount(), 1u);
}

// A handler serving one reader opens a modal loop (a message box of the
// logging screen): the next reader's call is served inside it and ends it.
TEST_F(HandoverThreaded, ALoopOpenedByAServedHandlerServesTheNextSender) {
    static SendJob opener, ender;
    opener.Last = ender.Last = -1;
    const ThreadHandle first = Start(opener, kMsgNestLoop);
    ender.Window = window_;
    ender.Message = kMsgEndLoop;
    const ThreadHandle second = StartThread(
        [](void*) -> uint32_t {
            while (!g_nested.load()) SleepMilliseconds(1);
            return Sender(&ender);
        },
        nullptr);
    EXPECT_TRUE(JoinThreadServing(first));  // returns only once the nested loop has ended
    EXPECT_TRUE(JoinThreadServing(second));
    EXPECT_EQ(ender.Last.load(), 44);
    EXPECT_EQ(opener.Last.load(), 33);
}

TEST_F(HandoverThreaded, TheStopFlagReleasesEveryQueuedSenderAndRefusesNewOnes) {
    SendJob jobs[3];
    ThreadHandle threads[3];
    for (int i = 0; i < 3; ++i) threads[i] = Start(jobs[i]);
    ASSERT_TRUE(WaitForQueued(3));
    ReleaseWaitingSenders();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(JoinThread(threads[i]));  // would hang if a sender stayed blocked
        EXPECT_EQ(jobs[i].Last.load(), 0);
    }
    EXPECT_EQ(ServedCount(), 0u);
    EXPECT_EQ(test::PendingSendCount(), 0);

    SendJob late;  // refused at once while released
    EXPECT_TRUE(JoinThread(Start(late, kMsgServe, 9)));
    EXPECT_EQ(late.Last.load(), 0);

    ResumeSenders();
    EXPECT_FALSE(SendersReleased());
    EXPECT_TRUE(JoinThreadServing(Start(late, kMsgServe, 9)));
    EXPECT_EQ(late.Last.load(), 90);
}

// The handler may be reading its sender's line slot: that sender waits for
// it and gets its answer, while a sender still queued goes at once.
TEST_F(HandoverThreaded, TheStopFlagLeavesTheSenderOfARunningHandlerWaiting) {
    SendJob running, queued;
    queued.Window = window_;
    g_queuedBehind = &queued;
    const ThreadHandle first = Start(running, kMsgStopWhileRunning);
    ASSERT_TRUE(WaitForQueued(1));
    // Queued while the first call runs (the handler waits for it).
    const ThreadHandle second = StartThread(
        [](void*) -> uint32_t {
            while (test::PendingSendCount() != 0) SleepMilliseconds(1);
            return Sender(g_queuedBehind);
        },
        nullptr);
    EXPECT_EQ(ServePendingSends(), 1);
    EXPECT_TRUE(JoinThread(second));
    EXPECT_TRUE(JoinThread(first));
    EXPECT_EQ(running.Last.load(), 55);
    EXPECT_EQ(ServedCount(), 0u);
    ResumeSenders();
}

TEST_F(HandoverThreaded, JoiningASenderServesItInsteadOfDeadlocking) {
    SendJob job;
    const ThreadHandle t = Start(job, kMsgServe, 0, 5);
    uint32_t code = 0;
    EXPECT_TRUE(JoinThreadServing(t, &code));
    EXPECT_EQ(code, 5u);
    EXPECT_EQ(ServedCount(), 5u);
    EXPECT_FALSE(JoinThread(t));  // the handle is gone

    DestroyWindow(window_);  // a window that is gone answers 0 at once
    SendJob late;
    EXPECT_TRUE(JoinThread(Start(late)));
    EXPECT_EQ(late.Last.load(), 0);
}

TEST_F(HandoverThreaded, AnUpdateFromAReaderPaintsBeforeTheReaderGoesOn) {
    static Hwnd target;
    static std::atomic<int> paintsSeenByReader{-1};
    target = window_;
    paintsSeenByReader = -1;
    UpdateWindow(window_);
    g_paints = 0;
    auto reader = [](void*) -> uint32_t {
        InvalidateRect(target, nullptr, true);
        UpdateWindow(target);
        paintsSeenByReader = g_paints;  // read after the hand-over returned
        return 0;
    };
    EXPECT_TRUE(JoinThreadServing(StartThread(+reader, nullptr)));
    EXPECT_EQ(paintsSeenByReader.load(), 1);
}

TEST_F(HandoverThreaded, PostedMessagesFromAThreadArriveInOrder) {
    auto poster = [](void* p) -> uint32_t {
        const Hwnd h = *static_cast<Hwnd*>(p);
        for (WParam i = 0; i < 50; ++i) PostMessage(h, kMsgServe, i, 0);
        return 0;
    };
    EXPECT_TRUE(JoinThread(StartThread(+poster, &window_)));
    EXPECT_TRUE(test::RunEventsUntil([](void*) { return ServedCount() == 50; }, nullptr, 5000));
    std::lock_guard<std::mutex> g(g_mutex);
    for (WParam i = 0; i < g_served.size(); ++i) EXPECT_EQ(g_served[i], i);
}

}  // namespace
