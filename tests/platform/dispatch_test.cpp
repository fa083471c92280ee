#include "platform/dispatch/queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

using platform::DrainedMainQueue;
using platform::SerialQueue;

TEST(SerialQueue, RunsTasksInPostingOrder) {
  std::vector<int> order;  // touched only by the worker until the queue is gone
  {
    SerialQueue queue("order");
    for (int i = 0; i < 2000; ++i) queue.async([&order, i] { order.push_back(i); });
  }
  ASSERT_EQ(order.size(), 2000u);
  for (int i = 0; i < 2000; ++i) ASSERT_EQ(order[i], i);
}

TEST(SerialQueue, TasksNeverOverlapEvenWhenPostedFromManyThreads) {
  std::atomic<int> running{0};
  std::atomic<int> overlaps{0};
  std::atomic<int> done{0};
  {
    SerialQueue queue("overlap");
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t)
      posters.emplace_back([&] {
        for (int i = 0; i < 500; ++i)
          queue.async([&] {
            if (running.fetch_add(1) != 0) overlaps.fetch_add(1);
            running.fetch_sub(1);
            done.fetch_add(1);
          });
      });
    for (auto& p : posters) p.join();
  }
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(done.load(), 2000);
}

TEST(SerialQueue, DestructionDrainsTasksPostedByTasks) {
  std::vector<std::string> log;
  {
    SerialQueue queue("drain");
    queue.async([&] {
      log.push_back("first");
      queue.async([&] { log.push_back("posted by first"); });
    });
    queue.async([&] { log.push_back("second"); });
  }
  EXPECT_EQ(log, (std::vector<std::string>{"first", "second", "posted by first"}));
}

TEST(SerialQueue, KnowsWhetherItIsTheCurrentQueue) {
  SerialQueue queue("current");
  EXPECT_FALSE(queue.isCurrent());
  std::promise<bool> inside;
  queue.async([&] { inside.set_value(queue.isCurrent()); });
  EXPECT_TRUE(inside.get_future().get());
  EXPECT_EQ(queue.label(), "current");
}

TEST(SerialQueue, ATaskThatThrowsDoesNotStopTheQueue) {
  std::promise<void> after;
  SerialQueue queue("throws");
  queue.async([] { throw std::runtime_error("page failed"); });
  queue.async([] { throw 42; });
  queue.async([&] { after.set_value(); });
  after.get_future().get();
}

TEST(DrainedMainQueue, DrainRunsTasksAndThoseTheyPostInOrder) {
  DrainedMainQueue main;
  std::vector<int> order;
  main.post([&] {
    order.push_back(1);
    main.post([&] { order.push_back(3); });
  });
  main.post([&] { order.push_back(2); });
  EXPECT_TRUE(order.empty());  // nothing runs before the owner drains
  EXPECT_EQ(main.drain(), 3u);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(main.drain(), 0u);
}

TEST(DrainedMainQueue, RunUntilWaitsForReportsFromAWorker) {
  // The shape of a conversion: work on a serial queue, reports on the main
  // queue, the owner waiting for the last report.
  DrainedMainQueue main;
  std::vector<int> reports;
  bool finished = false;
  SerialQueue worker("convert");
  for (int page = 1; page <= 50; ++page)
    worker.async([&main, &reports, page] { main.post([&reports, page] { reports.push_back(page); }); });
  worker.async([&] { main.post([&] { finished = true; }); });
  main.runUntil([&] { return finished; });
  ASSERT_EQ(reports.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(reports[i], i + 1);
}

TEST(DrainedMainQueue, RunUntilReturnsAtOnceWhenAlreadyDone) {
  DrainedMainQueue main;
  int ran = 0;
  main.post([&] { ++ran; });
  main.runUntil([] { return true; });
  EXPECT_EQ(ran, 1);  // what was already posted still runs
}

}  // namespace
