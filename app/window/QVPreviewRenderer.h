#pragma once
// The preview of a file's first page for the settings panel. Pages are
// rendered on a worker thread of its own, never on the window's thread; an
// answer that a newer request has overtaken is dropped. Without a PDF
// renderer in the build every answer is a null image and the panel shows
// its generic picture.
#include <QImage>
#include <QSize>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

class QObject;

class QVPreviewRenderer {
 public:
  using Done = std::function<void(const QImage& image)>;

  QVPreviewRenderer();
  // Drops the requests not started and waits for the one under way.
  ~QVPreviewRenderer();
  QVPreviewRenderer(const QVPreviewRenderer&) = delete;
  QVPreviewRenderer& operator=(const QVPreviewRenderer&) = delete;

  // Whether this build can render pages at all.
  static bool isAvailable();
  // Renders page 1 to fit `pixels`; `done` is called later on the window's
  // thread with the image (null when the file cannot be rendered), unless
  // another request or cancel() came in between.
  void render(const std::string& path, const std::string& password, QSize pixels, Done done);
  // Forgets the request under way: its answer is dropped.
  void cancel();

 private:
  std::shared_ptr<std::atomic<uint64_t>> generation_;
  // Receives the answers on the window's thread; gone with the renderer, so
  // answers still queued for it are discarded.
  std::unique_ptr<QObject> context_;
  QThreadPool pool_;
};
