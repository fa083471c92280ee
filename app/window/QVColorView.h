#pragma once
// A plain view that paints a linear gradient (light grey at the top to a
// darker grey at the bottom unless told otherwise): the window's bars.
#include <QColor>
#include <QWidget>

class QVColorView : public QWidget {
 public:
  explicit QVColorView(QWidget* parent = nullptr);

  void setStartingColor(const QColor& colour);
  void setEndingColor(const QColor& colour);
  // Degrees, counter-clockwise from the x axis; 270 runs top to bottom.
  void setAngle(int degrees) { angle_ = degrees; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor startingColor_;
  QColor endingColor_;
  int angle_ = 270;
};
