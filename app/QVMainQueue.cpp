#include "app/QVMainQueue.h"

#include <QMetaObject>
#include <QObject>

#include <cstdio>
#include <exception>
#include <utility>

QVMainQueue::QVMainQueue() : context_(std::make_unique<QObject>()) {}

QVMainQueue::~QVMainQueue() = default;

void QVMainQueue::post(platform::Task task) {
  if (!task) return;
  // Queued invocations to one receiver are delivered in posting order.
  QMetaObject::invokeMethod(
      context_.get(),
      [task = std::move(task)] {
        // An escaping exception would unwind through Qt's event loop.
        try {
          task();
        } catch (const std::exception& e) {
          std::fprintf(stderr, "Uncaught exception in main queue: %s\n", e.what());
        } catch (...) {
          std::fprintf(stderr, "Uncaught exception in main queue\n");
        }
      },
      Qt::QueuedConnection);
}
