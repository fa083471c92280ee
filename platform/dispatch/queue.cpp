#include "platform/dispatch/queue.h"

#include <cstdio>
#include <exception>
#include <utility>

namespace platform {

namespace {

// A task that escapes with an exception must not take the whole process (or
// the tasks queued behind it) down with it; its owner reports its own errors.
void runGuarded(const Task& task, const std::string& label) {
  try {
    task();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Uncaught exception in queue %s: %s\n", label.c_str(), e.what());
  } catch (...) {
    std::fprintf(stderr, "Uncaught exception in queue %s\n", label.c_str());
  }
}

}  // namespace

SerialQueue::SerialQueue(std::string label) : label_(std::move(label)) {
  // Started last, so the worker sees every other member constructed.
  worker_ = std::thread([this] { run(); });
}

SerialQueue::~SerialQueue() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  if (worker_.joinable()) worker_.join();
}

void SerialQueue::async(Task task) {
  if (!task) return;
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  wake_.notify_one();
}

bool SerialQueue::isCurrent() const { return std::this_thread::get_id() == worker_.get_id(); }

void SerialQueue::run() {
  for (;;) {
    Task task;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
      // Stopping still drains what was posted, including tasks posted by tasks.
      if (tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    runGuarded(task, label_);
  }
}

void DrainedMainQueue::post(Task task) {
  if (!task) return;
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  posted_.notify_all();
}

size_t DrainedMainQueue::drain() {
  size_t ran = 0;
  for (;;) {
    Task task;
    {
      std::lock_guard lock(mutex_);
      if (tasks_.empty()) return ran;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    runGuarded(task, "main");
    ++ran;
  }
}

void DrainedMainQueue::runUntil(const std::function<bool()>& until) {
  for (;;) {
    drain();
    if (until()) return;
    std::unique_lock lock(mutex_);
    posted_.wait(lock, [this] { return !tasks_.empty(); });
  }
}

}  // namespace platform
