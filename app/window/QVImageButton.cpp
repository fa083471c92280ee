#include "app/window/QVImageButton.h"

#include <QPainter>

#include <algorithm>
#include <string>

#include "app/window/QVNamedImages.h"

QVImageButton::QVImageButton(QWidget* parent) : QAbstractButton(parent) {
  setAttribute(Qt::WA_Hover);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
}

void QVImageButton::setImageSet(std::string_view name) {
  const QSize size = QVNamedImages::buttonSize();
  const qreal ratio = devicePixelRatioF();
  const std::string base(name);
  normalImage_ = QVNamedImages::pixmap(base, size, ratio);
  mouseDownImage_ = QVNamedImages::pixmap(base + "-down", size, ratio);
  mouseInImage_ = QVNamedImages::pixmap(base + "-hover", size, ratio);
  updateGeometry();
  update();
}

const QPixmap& QVImageButton::currentImage() const {
  if (underMouse() && isEnabled()) {
    const QPixmap& wanted = isDown() ? mouseDownImage_ : mouseInImage_;
    if (!wanted.isNull()) return wanted;
  }
  return normalImage_;
}

QSize QVImageButton::sizeHint() const {
  if (normalImage_.isNull()) return QVNamedImages::buttonSize();
  return normalImage_.size() / normalImage_.devicePixelRatio();
}

void QVImageButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPixmap& image = currentImage();
  if (!isEnabled()) painter.setOpacity(0.45);
  if (!image.isNull()) {
    const QSizeF size = image.deviceIndependentSize();
    painter.drawPixmap(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), image);
  }
  // Once the keyboard has moved the focus, as the style shows it on the
  // other controls; the image fills the button, so the ring follows its
  // rounded ends.
  if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange))
    drawFocusFrame(painter, rect(), height() / 2.0, palette());
}

void QVImageButton::drawFocusFrame(QPainter& painter, const QRectF& rect, qreal radius, const QPalette& palette) {
  painter.save();
  painter.setOpacity(1.0);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(palette.color(QPalette::Highlight), 2));
  painter.drawRoundedRect(rect.adjusted(1, 1, -1, -1), std::max(0.0, radius - 1), std::max(0.0, radius - 1));
  painter.setPen(QPen(palette.color(QPalette::HighlightedText), 1));
  painter.drawRoundedRect(rect.adjusted(2.5, 2.5, -2.5, -2.5), std::max(0.0, radius - 2.5), std::max(0.0, radius - 2.5));
  painter.restore();
}

void QVImageButton::enterEvent(QEnterEvent* event) {
  QAbstractButton::enterEvent(event);
  update();
}

void QVImageButton::leaveEvent(QEvent* event) {
  QAbstractButton::leaveEvent(event);
  update();
}
