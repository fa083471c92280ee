#include "app/window/QVSourceTableCellView.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <array>

#include "app/window/QVImageButton.h"
#include "app/window/QVNamedImages.h"
#include "app/window/QVSourceFileListModel.h"

namespace {

using Model = QVSourceFileListModel;
using Button = QVSourceTableCellView::Button;

constexpr int kButtonSide = 18;
constexpr int kButtonGap = 4;
constexpr int kStatusWidth = 190;
constexpr std::array<Button, 5> kButtons = {Button::OpenSource, Button::ShowSource, Button::OpenOutput,
                                            Button::ShowOutput, Button::Remove};

const char* buttonTip(Button button) {
  switch (button) {
    case Button::OpenSource: return "Open the PDF file";
    case Button::ShowSource: return "Show the PDF file in its folder";
    case Button::OpenOutput: return "Open the converted file";
    case Button::ShowOutput: return "Show the converted file in its folder";
    case Button::Remove: return "Remove from the list";
  }
  return "";
}

QRect sourceIconRect(const QRect& row) { return {row.left() + 10, row.top() + 6, 36, 40}; }
QRect outputIconRect(const QRect& row) { return {row.right() - 41, row.top() + 8, 32, 36}; }
int contentLeft(const QRect& row) { return row.left() + 56; }
int contentRight(const QRect& row) { return outputIconRect(row).left() - 10; }
QRect statusRect(const QRect& row) { return {contentRight(row) - kStatusWidth, row.top() + 28, kStatusWidth, 16}; }

// A gradient that fades in from the left edge, holds between 35% and 65%
// of the width and fades out to the right edge.
QLinearGradient fadingGradient(const QRectF& rect, const QColor& colour) {
  QColor clear = colour;
  clear.setAlphaF(0);
  QLinearGradient gradient(rect.topLeft(), rect.topRight());
  gradient.setColorAt(0.0, clear);
  gradient.setColorAt(0.35, colour);
  gradient.setColorAt(0.65, colour);
  gradient.setColorAt(1.0, clear);
  return gradient;
}

void drawBackground(QPainter& p, const QStyleOptionViewItem& option) {
  const QRectF row(option.rect);
  if (option.state & QStyle::State_Selected) {
    p.setPen(QPen(QColor::fromRgbF(0.72, 0.72, 0.72), 1));
    p.setBrush(QColor::fromRgbF(0.91, 0.94, 0.98));
    p.drawRoundedRect(row.adjusted(1.5, 0.5, -1.5, -1.5), 5, 5);
  } else if (option.state & QStyle::State_MouseOver) {
    p.fillRect(row, fadingGradient(row, Qt::white));
  }
  p.fillRect(QRectF(row.left(), row.bottom(), row.width(), 1), fadingGradient(row, QColor::fromRgbF(0.8, 0.8, 0.8)));
  // The row the keyboard is on, once the keyboard has moved the focus.
  const QStyle::State focus = QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
  if ((option.state & focus) == focus) QVImageButton::drawFocusFrame(p, row.adjusted(1, 0, -1, -1), 6, option.palette);
}

void drawImage(QPainter& p, const QString& name, const QRect& rect, qreal ratio, qreal opacity = 1.0) {
  const QPixmap image = QVNamedImages::pixmap(name.toStdString(), rect.size(), ratio);
  if (image.isNull()) return;
  p.save();
  p.setOpacity(opacity);
  p.drawPixmap(rect.topLeft(), image);
  p.restore();
}

void drawProgress(QPainter& p, const QRect& status, double progress, int phase) {
  const QRectF track(status.left(), status.center().y() - 2.5, status.width() - 26, 6);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xdf, 0xe3, 0xe8));
  p.drawRoundedRect(track, 3, 3);
  QRectF done = track;
  done.setWidth(track.width() * std::clamp(progress, 0.0, 100.0) / 100.0);
  p.setBrush(QColor(0x2f, 0x80, 0xed));
  if (done.width() > 0) p.drawRoundedRect(done, 3, 3);
  // Twelve spokes, the brightest one turning with the phase.
  const QPointF centre(status.right() - 8, status.center().y() + 0.5);
  for (int spoke = 0; spoke < 12; ++spoke) {
    const int age = (phase - spoke + 12) % 12;
    QColor colour(0x55, 0x5f, 0x6b);
    colour.setAlphaF(1.0 - age / 13.0);
    p.save();
    p.translate(centre);
    p.rotate(spoke * 30.0);
    p.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0, -3.5), QPointF(0, -7));
    p.restore();
  }
}

void drawButtonGlyph(QPainter& p, Button button, const QRect& rect, bool enabled) {
  p.save();
  p.setOpacity(enabled ? 1.0 : 0.3);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xe4, 0xe8, 0xed));
  p.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
  const QRectF g = QRectF(rect).adjusted(4.5, 4.5, -4.5, -4.5);
  const QColor ink = button == Button::Remove ? QColor(0xc0, 0x39, 0x2b) : QColor(0x3c, 0x46, 0x52);
  p.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  switch (button) {
    case Button::Remove:
      p.drawLine(g.topLeft(), g.bottomRight());
      p.drawLine(g.topRight(), g.bottomLeft());
      break;
    case Button::OpenSource:
    case Button::OpenOutput: {
      // A box with an arrow leaving it at the top right.
      QPainterPath box;
      box.moveTo(g.left() + g.width() * 0.45, g.top());
      box.lineTo(g.left(), g.top());
      box.lineTo(g.left(), g.bottom());
      box.lineTo(g.right(), g.bottom());
      box.lineTo(g.right(), g.top() + g.height() * 0.55);
      p.drawPath(box);
      p.drawLine(g.center(), g.topRight());
      p.drawLine(g.topRight(), g.topRight() + QPointF(-4, 0));
      p.drawLine(g.topRight(), g.topRight() + QPointF(0, 4));
      break;
    }
    case Button::ShowSource:
    case Button::ShowOutput: {
      // A folder.
      QPainterPath folder;
      folder.moveTo(g.left(), g.bottom());
      folder.lineTo(g.left(), g.top() + 1);
      folder.lineTo(g.left() + g.width() * 0.4, g.top() + 1);
      folder.lineTo(g.left() + g.width() * 0.5, g.top() + 3);
      folder.lineTo(g.right(), g.top() + 3);
      folder.lineTo(g.right(), g.bottom());
      folder.closeSubpath();
      p.drawPath(folder);
      break;
    }
  }
  p.restore();
}

}  // namespace

QVSourceTableCellView::QVSourceTableCellView(QObject* parent) : QStyledItemDelegate(parent) {}

QRect QVSourceTableCellView::buttonRect(Button button, const QRect& row) {
  // From the right: remove, then the output pair, a wider gap, the source pair.
  int fromRight = 0;
  switch (button) {
    case Remove: fromRight = 0; break;
    case ShowOutput: fromRight = 1; break;
    case OpenOutput: fromRight = 2; break;
    case ShowSource: fromRight = 3; break;
    case OpenSource: fromRight = 4; break;
  }
  const int extraGap = fromRight >= 3 ? 6 : 0;
  const int right = contentRight(row) - fromRight * (kButtonSide + kButtonGap) - extraGap;
  return {right - kButtonSide, row.top() + 5, kButtonSide, kButtonSide};
}

bool QVSourceTableCellView::isButtonEnabled(Button button, const QModelIndex& index) {
  if (button == OpenOutput || button == ShowOutput) return index.data(Model::OutputEnabledRole).toBool();
  // A file gone from disk cannot be opened; its folder can still be shown.
  if (button == OpenSource) return index.data(Model::SourceEnabledRole).toBool();
  return true;
}

QSize QVSourceTableCellView::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  return {std::max(option.rect.width(), 360), kRowHeight};
}

void QVSourceTableCellView::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  QPainter& p = *painter;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  drawBackground(p, option);
  const QRect row = option.rect;
  const qreal ratio = p.device() ? p.device()->devicePixelRatioF() : 1.0;
  const bool hovered = option.state & QStyle::State_MouseOver;

  drawImage(p, index.data(Model::SourceIconRole).toString(), sourceIconRect(row), ratio);
  drawImage(p, index.data(Model::OutputIconRole).toString(), outputIconRect(row), ratio,
            index.data(Model::OutputEnabledRole).toBool() ? 1.0 : 0.35);

  const int left = contentLeft(row);
  int titleRight = contentRight(row);
  if (hovered) titleRight = buttonRect(OpenSource, row).left() - 8;
  QFont titleFont = option.font;
  titleFont.setBold(true);
  p.setFont(titleFont);
  p.setPen(QColor(0x1d, 0x23, 0x29));
  const QRect titleRect(left, row.top() + 6, std::max(0, titleRight - left), 20);
  p.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter,
             QFontMetrics(titleFont).elidedText(index.data(Model::TitleRole).toString(), Qt::ElideMiddle, titleRect.width()));

  QFont smallFont = option.font;
  smallFont.setPointSizeF(std::max(7.0, option.font.pointSizeF() - 1));
  p.setFont(smallFont);
  const QRect status = statusRect(row);
  const QRect infoRect(left, status.top(), std::max(0, status.left() - 8 - left), status.height());
  p.setPen(QColor(0x6b, 0x74, 0x80));
  p.drawText(infoRect, Qt::AlignLeft | Qt::AlignVCenter,
             QFontMetrics(smallFont).elidedText(index.data(Model::InfoRole).toString(), Qt::ElideRight, infoRect.width()));

  if (index.data(Model::ConvertingRole).toBool()) {
    drawProgress(p, status, index.data(Model::ProgressRole).toDouble(), index.data(Model::SpinnerPhaseRole).toInt());
  } else {
    const QRect icon(status.right() - 13, status.top() + 1, 14, 14);
    drawImage(p, index.data(Model::StatusIconRole).toString(), icon, ratio);
    p.setPen(QColor(0x4a, 0x53, 0x60));
    p.drawText(status.adjusted(0, 0, -20, 0), Qt::AlignRight | Qt::AlignVCenter,
               QFontMetrics(smallFont).elidedText(index.data(Model::StatusTextRole).toString(), Qt::ElideLeft,
                                                  status.width() - 20));
  }

  if (hovered)
    for (Button button : kButtons) drawButtonGlyph(p, button, buttonRect(button, row), isButtonEnabled(button, index));
  p.restore();
}

bool QVSourceTableCellView::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) {
  const bool press = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
  if (!press && event->type() != QEvent::MouseButtonRelease)
    return QStyledItemDelegate::editorEvent(event, model, option, index);
  const auto* mouse = static_cast<QMouseEvent*>(event);
  if (mouse->button() != Qt::LeftButton) return QStyledItemDelegate::editorEvent(event, model, option, index);
  for (Button button : kButtons) {
    if (!buttonRect(button, option.rect).contains(mouse->position().toPoint())) continue;
    // A press on a button neither selects the row nor starts a drag.
    if (!press && isButtonEnabled(button, index)) emit buttonClicked(button, index);
    return true;
  }
  return QStyledItemDelegate::editorEvent(event, model, option, index);
}

bool QVSourceTableCellView::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) {
  if (event && event->type() == QEvent::ToolTip) {
    for (Button button : kButtons) {
      if (buttonRect(button, option.rect).contains(event->pos())) {
        QToolTip::showText(event->globalPos(), QString::fromLatin1(buttonTip(button)), view);
        return true;
      }
    }
  }
  return QStyledItemDelegate::helpEvent(event, view, option, index);
}
