#include "app/window/QVImageButton.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
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
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

void QVImageButton::enterEvent(QEnterEvent* event) {
  QAbstractButton::enterEvent(event);
  update();
}

void QVImageButton::leaveEvent(QEvent* event) {
  QAbstractButton::leaveEvent(event);
  update();
}
