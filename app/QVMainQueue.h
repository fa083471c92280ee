#pragma once
// The main queue of the desktop application: tasks posted from any thread
// run on the Qt thread that made the queue, one after another in the order
// they were posted, when its event loop comes round to them.
#include <memory>

#include "platform/dispatch/queue.h"

class QObject;

class QVMainQueue : public platform::MainQueue {
 public:
  // Make it on the Qt thread, after the application object exists.
  QVMainQueue();
  // Tasks still waiting are dropped. Nothing may post once destruction
  // has begun.
  ~QVMainQueue() override;
  QVMainQueue(const QVMainQueue&) = delete;
  QVMainQueue& operator=(const QVMainQueue&) = delete;

  void post(platform::Task task) override;

 private:
  // The receiver of the queued invocations: it lives on the Qt thread, and
  // taking it down discards the invocations still addressed to it.
  std::unique_ptr<QObject> context_;
};
