// The stand-ins for the operating-system services.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/platform.h"

using namespace qmr::platform;

namespace {

TEST(Platform, SameNameGivesTheSameObjectUntilTheLastHandleCloses)
{
    Semaphore* a = openSemaphore("TestQmrSem", 1, 1);
    Semaphore* b = openSemaphore("TestQmrSem", 1, 1);
    Semaphore* other = openSemaphore("OtherQmrSem", 1, 1);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, other);
    a->wait();
    EXPECT_FALSE(b->waitFor(10));  // one count, shared
    EXPECT_TRUE(a->release());
    EXPECT_FALSE(a->release());    // never above its maximum
    closeSemaphore(a);
    EXPECT_TRUE(b->waitFor(10));   // still alive through b
    b->release();
    closeSemaphore(b);
    closeSemaphore(other);
    Semaphore* u1 = openSemaphore(nullptr, 1, 1);
    Semaphore* u2 = openSemaphore(nullptr, 1, 1);
    EXPECT_NE(u1, u2);  // unnamed objects are never shared
    closeSemaphore(u1);
    closeSemaphore(u2);
}

TEST(Platform, AutoResetEventWakesOneWait)
{
    Event* e = openEvent("TestQmrEv", false, false);
    EXPECT_FALSE(e->waitFor(5));
    e->set();
    EXPECT_TRUE(e->waitFor(5));
    EXPECT_FALSE(e->waitFor(5));
    closeEvent(e);
}

TEST(Platform, QueueRangesLeaveOtherMessagesInOrder)
{
    MessageQueue q;
    for (uint32_t m : {1150u, 1129u, 1151u, 1139u}) q.post(Message{m, 0, 0});
    Message m;
    ASSERT_TRUE(q.peek(m, 1124, 1146));
    EXPECT_EQ(m.message, 1129u);
    ASSERT_TRUE(q.peek(m, 1124, 1146));
    EXPECT_EQ(m.message, 1139u);
    EXPECT_FALSE(q.peek(m, 1124, 1146));
    EXPECT_EQ(q.get(1124, 1172).message, 1150u);
    EXPECT_EQ(q.get(1124, 1172).message, 1151u);
    EXPECT_FALSE(q.hasMessages());
}

TEST(Platform, ThreadMessagesReachTheThreadAndWaitsAreBounded)
{
    Thread t;
    std::atomic<uint32_t> got{0};
    ASSERT_TRUE(t.start([&] { got = t.queue().get(1, 2000).message; }));
    EXPECT_FALSE(t.waitFor(20));
    EXPECT_TRUE(postThreadMessage(t.id(), 1125));
    EXPECT_TRUE(t.waitFor(2000));
    t.join();
    EXPECT_EQ(got.load(), 1125u);
    EXPECT_FALSE(postThreadMessage(t.id() + 1000, 1125));
}

}  // namespace
