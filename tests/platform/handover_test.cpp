// The synchronous hand-over from reader threads to the window thread.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/dc.h"
#include "platform/tick.h"
#include "platform/window.h"
#include "window_fixture.h"

using namespace plat;

namespace {

std::mutex g_mutex;              // guards g_served (the senders read it after the hand-over)
std::vector<WParam> g_served;    // wParam of every served kMsgUser, in serving order
int g_payload = 0;               // written by the handler, read by the sender after SendMessage
bool g_inModal = false;
bool g_servedInsideModal = false;
int g_paints = 0;

LResult HandoverProc(Hwnd h, uint32_t m, WParam w, LParam l) {
    switch (m) {
        case kMsgUser: {
            std::lock_guard<std::mutex> g(g_mutex);
            g_served.push_back(w);
            return static_cast<LResult>(w) * 10;
        }
        case kMsgUser + 1:  // the handler's result is visible to the sender afterwards
            g_payload = static_cast<int>(w) + 1;
            return 0;
        case kMsgPaint:
            ++g_paints;
            return DefaultWindowProc(h, m, w, l);
        default:
            return DefaultWindowProc(h, m, w, l);
    }
}

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
    uint32_t Message = kMsgUser;
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

class HandoverThreaded : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        {
            std::lock_guard<std::mutex> g(g_mutex);
            g_served.clear();
        }
        g_payload = 0;
        g_inModal = g_servedInsideModal = false;
        g_paints = 0;
        WindowClass c;
        c.Name = u"HandWnd";
        c.Proc = &HandoverProc;
        ASSERT_TRUE(RegisterWindowClass(c));
        window_ = CreateWindow(u"HandWnd", u"", kStylePopup | kStyleVisible, 0, 0, 20, 20, 0, 0);
        ASSERT_NE(window_, 0);
    }
    Hwnd window_ = 0;
};

TEST_F(HandoverThreaded, SenderBlocksUntilTheHandlerReturned) {
    SendJob job;
    job.Window = window_;
    job.Message = kMsgUser + 1;
    job.First = 41;
    struct Seen {
        SendJob* Job;
        int Payload = -1;
    };
    // The sender reads the handler's value only after its SendMessage returned.
    static Seen seen;
    seen = Seen{&job};
    auto reader = [](void* p) -> uint32_t {
        auto* s = static_cast<Seen*>(p);
        SendMessage(s->Job->Window, kMsgUser + 1, 41, 0);
        s->Payload = g_payload;
        return 0;
    };
    const ThreadHandle t = StartThread(+reader, &seen);
    ASSERT_TRUE(WaitForQueued(1));
    EXPECT_FALSE(ThreadFinished(t));  // nobody served it yet
    EXPECT_EQ(ServePendingSends(), 1);
    ASSERT_TRUE(JoinThread(t));
    EXPECT_EQ(seen.Payload, 42);
}

TEST_F(HandoverThreaded, CallsAreServedInArrivalOrderWithTheirResults) {
    SendJob jobs[3];
    ThreadHandle threads[3];
    for (int i = 0; i < 3; ++i) {
        jobs[i].Window = window_;
        jobs[i].First = static_cast<WParam>(i + 1);
        threads[i] = StartThread(&Sender, &jobs[i]);
        ASSERT_TRUE(WaitForQueued(i + 1));  // so the arrival order is known
    }
    EXPECT_EQ(ServePendingSends(), 3);
    for (int i = 0; i < 3; ++i) {
        uint32_t code = 0;
        ASSERT_TRUE(JoinThread(threads[i], &code));
        EXPECT_EQ(code, 5u);
        EXPECT_EQ(jobs[i].Last.load(), (i + 1) * 10);
    }
    std::lock_guard<std::mutex> g(g_mutex);
    EXPECT_EQ(g_served, (std::vector<WParam>{1, 2, 3}));
}

TEST_F(HandoverThreaded, ManySendersAreAllServedByTheLoopInTheirOwnOrder) {
    SendJob jobs[3];
    ThreadHandle threads[3];
    for (int i = 0; i < 3; ++i) {
        jobs[i].Window = window_;
        jobs[i].First = static_cast<WParam>((i + 1) * 1000);
        jobs[i].Count = 200;
        threads[i] = StartThread(&Sender, &jobs[i]);
    }
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

TEST_F(HandoverThreaded, ABusyWaitServesNothing) {
    test::UseRealTick();
    SendJob job;
    job.Window = window_;
    const ThreadHandle t = StartThread(&Sender, &job);
    ASSERT_TRUE(WaitForQueued(1));
    WaitMilliseconds(20);
    EXPECT_EQ(ServedCount(), 0u);
    EXPECT_EQ(job.Returned.load(), 0);
    EXPECT_TRUE(JoinThreadServing(t));
    EXPECT_EQ(ServedCount(), 1u);
}

namespace {
LResult ModalOwnerProc(Hwnd h, uint32_t m, WParam w, LParam l) {
    if (m == kMsgUser + 5) {
        // A handler that opens a modal loop while a reader is waiting to send.
        static SendJob job;
        job.Window = static_cast<Hwnd>(w);
        job.Message = kMsgUser + 2;
        job.Count = 1;
        const ThreadHandle t = StartThread(&Sender, &job);
        g_inModal = true;
        const int result = RunModalLoop(h);
        g_inModal = false;
        JoinThread(t);
        return result;
    }
    return DefaultWindowProc(h, m, w, l);
}
}  // namespace

TEST_F(HandoverThreaded, ANestedModalLoopServesWaitingSenders) {
    WindowClass c;
    c.Name = u"ModalWnd";
    c.Proc = &ModalOwnerProc;
    ASSERT_TRUE(RegisterWindowClass(c));
    const Hwnd owner = CreateWindow(u"ModalWnd", u"", kStylePopup, 0, 0, 10, 10, 0, 0);
    // The reader started inside the owner's handler sends to `ender`, whose
    // handler ends the owner's loop.
    static Hwnd loopWindow;
    loopWindow = owner;
    WindowClass e;
    e.Name = u"EnderWnd";
    e.Proc = [](Hwnd h, uint32_t m, WParam w, LParam l) -> LResult {
        if (m == kMsgUser + 2) {
            g_servedInsideModal = g_inModal;
            EndModalLoop(loopWindow, 7);
            return 0;
        }
        return DefaultWindowProc(h, m, w, l);
    };
    ASSERT_TRUE(RegisterWindowClass(e));
    const Hwnd ender = CreateWindow(u"EnderWnd", u"", kStylePopup, 0, 0, 10, 10, 0, 0);
    EXPECT_EQ(SendMessage(owner, kMsgUser + 5, static_cast<WParam>(ender), 0), 7);
    EXPECT_TRUE(g_servedInsideModal);
}

TEST_F(HandoverThreaded, TheStopFlagReleasesEverySenderAtOnce) {
    SendJob jobs[3];
    ThreadHandle threads[3];
    for (int i = 0; i < 3; ++i) {
        jobs[i].Window = window_;
        threads[i] = StartThread(&Sender, &jobs[i]);
    }
    ASSERT_TRUE(WaitForQueued(3));
    ReleaseWaitingSenders();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(JoinThread(threads[i]));  // would hang if a sender stayed blocked
        EXPECT_EQ(jobs[i].Last.load(), 0);
    }
    EXPECT_EQ(ServedCount(), 0u);
    EXPECT_EQ(test::PendingSendCount(), 0);

    SendJob late;  // refused at once while released
    late.Window = window_;
    late.First = 9;
    const ThreadHandle t = StartThread(&Sender, &late);
    EXPECT_TRUE(JoinThread(t));
    EXPECT_EQ(late.Last.load(), 0);

    ResumeSenders();
    EXPECT_FALSE(SendersReleased());
    const ThreadHandle again = StartThread(&Sender, &late);
    EXPECT_TRUE(JoinThreadServing(again));
    EXPECT_EQ(late.Last.load(), 90);
}

TEST_F(HandoverThreaded, JoiningASenderServesItInsteadOfDeadlocking) {
    SendJob job;
    job.Window = window_;
    job.Count = 5;
    const ThreadHandle t = StartThread(&Sender, &job);
    uint32_t code = 0;
    EXPECT_TRUE(JoinThreadServing(t, &code));
    EXPECT_EQ(code, 5u);
    EXPECT_EQ(ServedCount(), 5u);
    EXPECT_FALSE(JoinThread(t));  // the handle is gone
}

TEST_F(HandoverThreaded, OnTheWindowThreadSendIsADirectCall) {
    EXPECT_EQ(SendMessage(window_, kMsgUser, 4, 0), 40);
    EXPECT_EQ(ServedCount(), 1u);
}

TEST_F(HandoverThreaded, ADestroyedWindowAnswersZeroAtOnce) {
    DestroyWindow(window_);
    SendJob job;
    job.Window = window_;
    const ThreadHandle t = StartThread(&Sender, &job);
    EXPECT_TRUE(JoinThread(t));
    EXPECT_EQ(job.Last.load(), 0);
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
    const ThreadHandle t = StartThread(+reader, nullptr);
    EXPECT_TRUE(JoinThreadServing(t));
    EXPECT_EQ(paintsSeenByReader.load(), 1);
}

TEST_F(HandoverThreaded, PostedMessagesFromAThreadArriveInOrder) {
    auto poster = [](void* p) -> uint32_t {
        const Hwnd h = *static_cast<Hwnd*>(p);
        for (WParam i = 0; i < 50; ++i) PostMessage(h, kMsgUser, i, 0);
        return 0;
    };
    const ThreadHandle t = StartThread(+poster, &window_);
    EXPECT_TRUE(JoinThread(t));
    EXPECT_TRUE(test::RunEventsUntil([](void*) { return ServedCount() == 50; }, nullptr, 5000));
    std::lock_guard<std::mutex> g(g_mutex);
    for (WParam i = 0; i < g_served.size(); ++i) EXPECT_EQ(g_served[i], i);
}

}  // namespace
