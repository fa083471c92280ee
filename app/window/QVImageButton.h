#pragma once
// A borderless button drawn from three images: normal, pressed and under the
// mouse. It acts on release inside it, like any button; its text is kept for
// keyboard and accessibility use but not drawn (the images carry it).
#include <QAbstractButton>
#include <QPalette>
#include <QPixmap>

#include <string_view>

class QVImageButton : public QAbstractButton {
 public:
  explicit QVImageButton(QWidget* parent = nullptr);

  // The three images of a named set: name, name-down and name-hover.
  void setImageSet(std::string_view name);
  void setNormalImage(const QPixmap& image) { normalImage_ = image; }
  void setMouseDownImage(const QPixmap& image) { mouseDownImage_ = image; }
  void setMouseInImage(const QPixmap& image) { mouseInImage_ = image; }
  const QPixmap& normalImage() const { return normalImage_; }
  // The image the button shows now.
  const QPixmap& currentImage() const;

  QSize sizeHint() const override;

  // The keyboard focus as the window's own controls show it: a ring of the
  // highlight colour with a light one inside, seen on light and dark alike.
  static void drawFocusFrame(QPainter& painter, const QRectF& rect, qreal radius, const QPalette& palette);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  QPixmap normalImage_;
  QPixmap mouseDownImage_;
  QPixmap mouseInImage_;
};
