#include "protocol/ThreadSafeQueue.h"

#include <gtest/gtest.h>

#include <thread>

namespace ardent {
namespace {

TEST(ThreadSafeQueue, EventStaysSetWhileItemsRemain) {
    TThreadSafeQueue<int> queue;
    EXPECT_FALSE(queue.IsEventSet());
    queue.Put(1);
    queue.Put(2);
    int item = 0;
    ASSERT_TRUE(queue.Get(item));
    EXPECT_EQ(item, 1);
    EXPECT_TRUE(queue.IsEventSet());
    EXPECT_TRUE(queue.ItemsAvailable(0));
    ASSERT_TRUE(queue.Get(item));
    EXPECT_EQ(item, 2);
    EXPECT_FALSE(queue.IsEventSet());
    EXPECT_FALSE(queue.ItemsAvailable(0));
    EXPECT_EQ(queue.GetCount(), 0u);
}

TEST(ThreadSafeQueue, GetFromAnEmptyQueueFailsAndLeavesTheItem) {
    TThreadSafeQueue<int> queue;
    int item = 42;
    EXPECT_FALSE(queue.Get(item));
    EXPECT_FALSE(queue.Get(0, item));
    EXPECT_EQ(item, 42);
    queue.Put(7);
    queue.Clear();
    EXPECT_FALSE(queue.IsEventSet());
    EXPECT_FALSE(queue.ItemsAvailable(0));
}

TEST(ThreadSafeQueue, EmptyQueueTimesOutWithoutItems) {
    TThreadSafeQueue<int> queue;
    EXPECT_FALSE(queue.ItemsAvailable(100));
}

TEST(ThreadSafeQueue, PutFromAnotherThreadEndsTheWait) {
    TThreadSafeQueue<int> queue;
    std::thread producer([&] { queue.Put(5); });
    // The limit is only a guard against a hang: the Put ends the wait.
    EXPECT_TRUE(queue.ItemsAvailable(TThreadSafeQueue<int>::kInfinite));
    int item = 0;
    EXPECT_TRUE(queue.Get(item));
    EXPECT_EQ(item, 5);
    producer.join();
}

TEST(ThreadSafeQueue, KeepsOrderAcrossProducerAndConsumerThreads) {
    TThreadSafeQueue<int> queue;
    constexpr int kItems = 10000;
    std::thread producer([&] {
        for (int i = 0; i < kItems; ++i)
            queue.Put(i);
    });
    for (int expected = 0; expected < kItems; ++expected) {
        int item = -1;
        ASSERT_TRUE(queue.Get(TThreadSafeQueue<int>::kInfinite, item));
        ASSERT_EQ(item, expected);
    }
    producer.join();
    EXPECT_FALSE(queue.IsEventSet());
}

} // namespace
} // namespace ardent
