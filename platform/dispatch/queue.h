#pragma once
// Serial dispatch queues and the main queue of the process.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

using Task = std::function<void()>;

// One worker thread that runs posted tasks one after another in FIFO order.
// The destructor runs every task already posted, then joins the worker.
class SerialQueue {
 public:
  explicit SerialQueue(std::string label);
  ~SerialQueue();
  SerialQueue(const SerialQueue&) = delete;
  SerialQueue& operator=(const SerialQueue&) = delete;

  void async(Task task);
  const std::string& label() const { return label_; }
  // True when called from this queue's worker thread.
  bool isCurrent() const;

 private:
  void run();

  std::string label_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Task> tasks_;
  bool stopping_ = false;
  std::thread worker_;
};

// Where reports for the user interface go. The Qt shell implements it with a
// queued invocation on the GUI thread; tests and the command-line driver use
// DrainedMainQueue.
class MainQueue {
 public:
  virtual ~MainQueue() = default;
  // Runs `task` later on the main thread, in posting order. Thread-safe.
  virtual void post(Task task) = 0;
};

// A plain FIFO that the owning thread drains explicitly.
class DrainedMainQueue : public MainQueue {
 public:
  void post(Task task) override;
  // Runs every task posted so far (and those they post); answers how many ran.
  size_t drain();
  // Drains, then waits for further posts and drains again, until `until`
  // answers true (checked after each drain).
  void runUntil(const std::function<bool()>& until);

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<Task> tasks_;
};

}  // namespace platform
