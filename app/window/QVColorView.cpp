#include "app/window/QVColorView.h"

#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>
#include <numbers>

QVColorView::QVColorView(QWidget* parent)
    : QWidget(parent), startingColor_(QColor::fromRgbF(0.95, 0.95, 0.95)), endingColor_(QColor::fromRgbF(0.86, 0.86, 0.86)) {}

void QVColorView::setStartingColor(const QColor& colour) {
  startingColor_ = colour;
  update();
}

void QVColorView::setEndingColor(const QColor& colour) {
  endingColor_ = colour;
  update();
}

void QVColorView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  if (!endingColor_.isValid() || endingColor_ == startingColor_) {
    painter.fillRect(event->rect(), startingColor_);
    return;
  }
  // The gradient runs through the centre along the angle (y grows downwards
  // on screen, so the angle's sine is negated), over the whole bounds.
  const double radians = angle_ * std::numbers::pi / 180.0;
  const QPointF centre = QRectF(rect()).center();
  const QPointF direction(std::cos(radians), -std::sin(radians));
  const double reach = std::abs(direction.x()) * width() / 2.0 + std::abs(direction.y()) * height() / 2.0;
  QLinearGradient gradient(centre - direction * reach, centre + direction * reach);
  gradient.setColorAt(0, startingColor_);
  gradient.setColorAt(1, endingColor_);
  painter.fillRect(rect(), gradient);
}
