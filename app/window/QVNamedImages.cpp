#include "app/window/QVNamedImages.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QString>

#include <functional>
#include <map>
#include <string>

namespace {

using Painter = std::function<void(QPainter&, QSizeF)>;

// Every drawing below works in a unit square scaled to the image, except the
// buttons, which are drawn at their own size.
void inUnitSquare(QPainter& p, QSizeF size, const std::function<void(QPainter&)>& draw) {
  const qreal side = std::min(size.width(), size.height());
  p.save();
  p.translate((size.width() - side) / 2, (size.height() - side) / 2);
  p.scale(side, side);
  draw(p);
  p.restore();
}

// A page with a folded corner, a coloured band and the format's name on it.
void drawDocument(QPainter& p, const QColor& band, const QString& label) {
  QPainterPath page;
  page.moveTo(0.18, 0.05);
  page.lineTo(0.64, 0.05);
  page.lineTo(0.84, 0.25);
  page.lineTo(0.84, 0.95);
  page.lineTo(0.18, 0.95);
  page.closeSubpath();
  p.setPen(QPen(QColor(0x8a, 0x93, 0x9e), 0.025));
  p.setBrush(Qt::white);
  p.drawPath(page);
  QPainterPath fold;
  fold.moveTo(0.64, 0.05);
  fold.lineTo(0.64, 0.25);
  fold.lineTo(0.84, 0.25);
  fold.closeSubpath();
  p.setBrush(QColor(0xdd, 0xe1, 0xe6));
  p.drawPath(fold);
  p.setPen(QPen(QColor(0xc5, 0xcb, 0xd3), 0.02));
  for (qreal y : {0.34, 0.42}) p.drawLine(QPointF(0.28, y), QPointF(0.74, y));
  const QRectF bandRect(0.08, 0.52, 0.76, 0.26);
  p.setPen(Qt::NoPen);
  p.setBrush(band);
  p.drawRoundedRect(bandRect, 0.04, 0.04);
  if (!label.isEmpty()) {
    QFont font;
    font.setBold(true);
    font.setPixelSize(100);
    p.save();
    // Fonts are drawn at a real size and scaled down, so that small icons
    // keep their letter shapes.
    p.translate(bandRect.center());
    constexpr qreal scale = 0.0018;
    p.scale(scale, scale);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(-300, -70, 600, 140), Qt::AlignCenter, label);
    p.restore();
  }
}

void drawLock(QPainter& p) {
  p.setPen(QPen(QColor(0x7a, 0x5a, 0x00), 0.06, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(0.58, 0.56, 0.24, 0.26), 0, 180 * 16);
  p.drawLine(QPointF(0.58, 0.69), QPointF(0.58, 0.74));
  p.drawLine(QPointF(0.82, 0.69), QPointF(0.82, 0.74));
  p.setPen(QPen(QColor(0x9c, 0x74, 0x00), 0.02));
  p.setBrush(QColor(0xf0, 0xb4, 0x1c));
  p.drawRoundedRect(QRectF(0.52, 0.72, 0.36, 0.26), 0.05, 0.05);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x7a, 0x5a, 0x00));
  p.drawEllipse(QPointF(0.70, 0.83), 0.035, 0.035);
}

void drawStatusDisc(QPainter& p, const QColor& colour) {
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawEllipse(QRectF(0.06, 0.06, 0.88, 0.88));
  p.setPen(QPen(Qt::white, 0.12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
}

void drawHistory(QPainter& p) {
  p.setPen(QPen(QColor(0x8a, 0x93, 0x9e), 0.09));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(0.1, 0.1, 0.8, 0.8));
  p.setPen(QPen(QColor(0x8a, 0x93, 0x9e), 0.09, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(0.5, 0.5), QPointF(0.5, 0.26));
  p.drawLine(QPointF(0.5, 0.5), QPointF(0.68, 0.6));
}

void drawEye(QPainter& p) {
  QPainterPath eye;
  eye.moveTo(0.06, 0.5);
  eye.quadTo(0.5, 0.08, 0.94, 0.5);
  eye.quadTo(0.5, 0.92, 0.06, 0.5);
  p.setPen(QPen(QColor(0x9a, 0xa3, 0xae), 0.035));
  p.setBrush(QColor(0xf4, 0xf6, 0xf8));
  p.drawPath(eye);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x6f, 0x8f, 0xb0));
  p.drawEllipse(QPointF(0.5, 0.5), 0.17, 0.17);
  p.setBrush(QColor(0x22, 0x2a, 0x33));
  p.drawEllipse(QPointF(0.5, 0.5), 0.08, 0.08);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(0.46, 0.45), 0.03, 0.03);
}

void drawApplication(QPainter& p) {
  drawDocument(p, QColor(0xc8, 0x36, 0x2c), QStringLiteral("PDF"));
  // A slide coming out of the page.
  p.setPen(QPen(QColor(0x9c, 0x3b, 0x1c), 0.02));
  p.setBrush(QColor(0xe0, 0x6a, 0x3a));
  p.drawRoundedRect(QRectF(0.50, 0.62, 0.46, 0.34), 0.04, 0.04);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(0.56, 0.68, 0.2, 0.04));
  p.drawRect(QRectF(0.56, 0.76, 0.34, 0.03));
  p.drawRect(QRectF(0.56, 0.83, 0.3, 0.03));
}

// A rounded button with its title; `tone` darkens (down) or lightens (hover).
void drawButton(QPainter& p, QSizeF size, QColor top, QColor bottom, const QString& title, int tone) {
  if (tone < 0) {
    top = top.darker(115);
    bottom = bottom.darker(115);
  } else if (tone > 0) {
    top = top.lighter(110);
    bottom = bottom.lighter(110);
  }
  const QRectF rect(0.5, 0.5, size.width() - 1, size.height() - 1);
  QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
  fill.setColorAt(0, top);
  fill.setColorAt(1, bottom);
  p.setPen(QPen(bottom.darker(125), 1));
  p.setBrush(fill);
  p.drawRoundedRect(rect, size.height() / 2 - 1, size.height() / 2 - 1);
  QFont font;
  font.setBold(true);
  font.setPixelSize(static_cast<int>(size.height() * 0.45));
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(rect.translated(0, tone < 0 ? 1 : 0), Qt::AlignCenter, title);
}

Painter document(QColor band, const char* label) {
  return [band, label](QPainter& p, QSizeF size) {
    inUnitSquare(p, size, [&](QPainter& q) { drawDocument(q, band, QString::fromLatin1(label)); });
  };
}

Painter unit(void (*draw)(QPainter&)) {
  return [draw](QPainter& p, QSizeF size) { inUnitSquare(p, size, [&](QPainter& q) { draw(q); }); };
}

Painter button(QColor top, QColor bottom, const char* title, int tone) {
  return [=](QPainter& p, QSizeF size) { drawButton(p, size, top, bottom, QString::fromLatin1(title), tone); };
}

const std::map<std::string, Painter, std::less<>>& painters() {
  static const std::map<std::string, Painter, std::less<>> table = [] {
    std::map<std::string, Painter, std::less<>> t;
    const QColor pdf(0xc8, 0x36, 0x2c);
    t["icon_pdf"] = document(pdf, "PDF");
    t["icon_pdf_pw"] = [pdf](QPainter& p, QSizeF size) {
      inUnitSquare(p, size, [&](QPainter& q) {
        drawDocument(q, pdf, QStringLiteral("PDF"));
        drawLock(q);
      });
    };
    t["icon_pptx"] = document(QColor(0xd2, 0x4b, 0x26), "PPTX");
    t["icon_txt"] = document(QColor(0x5f, 0x6b, 0x7a), "TXT");
    t["icon_rtf"] = document(QColor(0x2b, 0x6c, 0xb0), "RTF");
    t["icon_html"] = document(QColor(0x2f, 0x85, 0x5a), "HTML");
    t["icon_unknown"] = document(QColor(0x9a, 0xa3, 0xae), "?");
    t["POI_History"] = unit(drawHistory);
    t["veskar_success_status_icon"] = unit([](QPainter& p) {
      drawStatusDisc(p, QColor(0x2e, 0x9d, 0x4f));
      QPainterPath tick;
      tick.moveTo(0.28, 0.52);
      tick.lineTo(0.44, 0.68);
      tick.lineTo(0.72, 0.34);
      p.drawPath(tick);
    });
    t["veskar_failed_status_icon"] = unit([](QPainter& p) {
      drawStatusDisc(p, QColor(0xd6, 0x45, 0x41));
      p.drawLine(QPointF(0.33, 0.33), QPointF(0.67, 0.67));
      p.drawLine(QPointF(0.67, 0.33), QPointF(0.33, 0.67));
    });
    t["default-eye"] = unit(drawEye);
    t["pdfconverter"] = unit(drawApplication);
    const QColor blueTop(0x4a, 0x9b, 0xf0), blueBottom(0x1f, 0x6f, 0xd1);
    const QColor redTop(0xf0, 0x6a, 0x5a), redBottom(0xc9, 0x35, 0x2a);
    t["btn-convert"] = button(blueTop, blueBottom, "Convert", 0);
    t["btn-convert-down"] = button(blueTop, blueBottom, "Convert", -1);
    t["btn-convert-hover"] = button(blueTop, blueBottom, "Convert", 1);
    t["btn-cancel"] = button(redTop, redBottom, "Stop", 0);
    t["btn-cancel-down"] = button(redTop, redBottom, "Stop", -1);
    t["btn-cancel-hover"] = button(redTop, redBottom, "Stop", 1);
    return t;
  }();
  return table;
}

}  // namespace

namespace QVNamedImages {

QSize buttonSize() { return {128, 32}; }

QPixmap pixmap(std::string_view name, QSize size, qreal devicePixelRatio) {
  const auto found = painters().find(name);
  if (found == painters().end() || size.isEmpty()) return {};
  const QString key = QStringLiteral("qv:%1:%2x%3@%4")
                          .arg(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())))
                          .arg(size.width())
                          .arg(size.height())
                          .arg(devicePixelRatio);
  QPixmap image;
  if (QPixmapCache::find(key, &image)) return image;
  image = QPixmap(size * devicePixelRatio);
  image.setDevicePixelRatio(devicePixelRatio);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    found->second(p, QSizeF(size));
  }
  QPixmapCache::insert(key, image);
  return image;
}

QIcon icon(std::string_view name) {
  QIcon result;
  for (int side : {16, 22, 32, 48, 64, 128, 256}) {
    const QPixmap image = pixmap(name, QSize(side, side));
    if (!image.isNull()) result.addPixmap(image);
  }
  return result;
}

}  // namespace QVNamedImages
