#include "app/window/QVPreviewRenderer.h"

#include <QMetaObject>
#include <QObject>
#include <QString>

#ifdef QV_HAVE_QTPDF
#include <QPainter>
#include <QPdfDocument>
#endif

#include <optional>

#include "platform/pdf/document.h"

namespace {

QImage renderFirstPage(const std::string& path, const std::string& password, QSize pixels) {
#ifdef QV_HAVE_QTPDF
  QPdfDocument document(nullptr);
  if (!password.empty()) document.setPassword(QString::fromStdString(password));
  QPdfDocument::Error loaded = document.load(QString::fromStdString(path));
  // An AES-256 file takes the prepared password, as the converter gives it.
  if (loaded == QPdfDocument::Error::IncorrectPassword)
    if (const std::optional<std::string> prepared = platform::saslPreparedPassword(password);
        prepared && *prepared != password) {
      document.setPassword(QString::fromStdString(*prepared));
      loaded = document.load(QString::fromStdString(path));
    }
  if (loaded != QPdfDocument::Error::None || document.pageCount() < 1) return {};
  const QSizeF page = document.pagePointSize(0);
  if (page.width() <= 0 || page.height() <= 0) return {};
  const QSize fitted = page.scaled(QSizeF(pixels), Qt::KeepAspectRatio).toSize().expandedTo(QSize(1, 1));
  QImage image = document.render(0, fitted);
  if (image.isNull()) return {};
  // Pages without a background are transparent; previews show them on paper.
  QImage paper(image.size(), QImage::Format_ARGB32_Premultiplied);
  paper.fill(Qt::white);
  {
    QPainter painter(&paper);
    painter.drawImage(0, 0, image);
  }
  return paper;
#else
  (void)path, (void)password, (void)pixels;
  return {};
#endif
}

}  // namespace

QVPreviewRenderer::QVPreviewRenderer()
    : generation_(std::make_shared<std::atomic<uint64_t>>(0)), context_(std::make_unique<QObject>()) {
  pool_.setMaxThreadCount(1);
}

QVPreviewRenderer::~QVPreviewRenderer() {
  cancel();
  pool_.clear();
  pool_.waitForDone();
}

bool QVPreviewRenderer::isAvailable() {
#ifdef QV_HAVE_QTPDF
  return true;
#else
  return false;
#endif
}

void QVPreviewRenderer::cancel() { ++*generation_; }

void QVPreviewRenderer::render(const std::string& path, const std::string& password, QSize pixels, Done done) {
  const uint64_t mine = ++*generation_;
  // Requests not yet started are stale now.
  pool_.clear();
  QObject* context = context_.get();
  pool_.start([generation = generation_, mine, path, password, pixels, context, done = std::move(done)] {
    if (generation->load() != mine) return;
    QImage image = renderFirstPage(path, password, pixels);
    if (generation->load() != mine) return;
    QMetaObject::invokeMethod(
        context,
        [generation, mine, image = std::move(image), done] {
          if (generation->load() == mine) done(image);
        },
        Qt::QueuedConnection);
  });
}
