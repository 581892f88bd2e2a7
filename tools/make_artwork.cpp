// Draws the button pictures, the start picture and the program icon (32x32 .png/.ico, the
// desktop's sizes from 16 to 256 as iconN.png, and tintaborra.svg).
// Usage: make_artwork <output folder>

#include "button_icons.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kDotsPerMeter = 3780;  // 96 dpi

QImage canvas(int w, int h, QColor fill) {
  QImage img(w, h, QImage::Format_RGB32);
  img.setDotsPerMeterX(kDotsPerMeter);
  img.setDotsPerMeterY(kDotsPerMeter);
  img.fill(fill);
  return img;
}

QFont boldFont(int px) {
  QFont f(QStringLiteral("Liberation Sans"));
  f.setBold(true);
  f.setPixelSize(px);
  return f;
}

// A button shows only a window of its picture, centred on the picture and smaller than it.
// Symbol and caption stay inside that window; the rest of the picture is plain face.
struct ButtonArt {
  const char* file;
  QSize size;   // the whole picture
  QSize shown;  // the window the button shows
  QString caption;
  std::function<void(QPainter&, const QRectF&)> icon;
};

// Room kept free inside the window, enough for the odd pixel of centring and the pressed shift.
constexpr qreal kMargin = 3;
constexpr qreal kIconSide = 36;
constexpr qreal kGap = 4;
constexpr int kLargestCaption = 20;

struct ButtonLayout {
  QRectF window, icon, caption;
};

ButtonLayout layoutOf(const ButtonArt& b) {
  const QRectF window((b.size.width() - b.shown.width()) / 2.0, (b.size.height() - b.shown.height()) / 2.0,
                      b.shown.width(), b.shown.height());
  const QRectF inside = window.adjusted(kMargin, kMargin, -kMargin, -kMargin);
  const qreal side = std::min(kIconSide, inside.height());
  const QRectF icon(inside.left(), inside.center().y() - side / 2, side, side);
  const QRectF caption(icon.right() + kGap, inside.top(), inside.right() - icon.right() - kGap, inside.height());
  return {window, icon, caption};
}

bool captionFits(const QString& text, const QRectF& box, int px) {
  const QRect r = QFontMetrics(boldFont(px)).boundingRect(box.toAlignedRect(), Qt::AlignCenter, text);
  return r.width() <= box.width() && r.height() <= box.height();
}

// One type size for every button: the largest at which each caption fits its place.
int sharedCaptionSize(const std::vector<ButtonArt>& buttons) {
  int px = kLargestCaption;
  for (const ButtonArt& b : buttons)
    while (px > 8 && !captionFits(b.caption, layoutOf(b).caption, px)) --px;
  return px;
}

QImage buttonPicture(const ButtonArt& b, int captionPx) {
  const ButtonLayout at = layoutOf(b);
  QImage img = canvas(b.size.width(), b.size.height(), Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient face(0, at.window.top(), 0, at.window.bottom());
  face.setColorAt(0, QColor(252, 252, 248));
  face.setColorAt(1, QColor(214, 218, 226));
  p.fillRect(img.rect(), face);

  p.save();
  b.icon(p, at.icon);
  p.restore();
  p.setFont(boldFont(captionPx));
  p.setPen(QColor(30, 30, 30));
  p.drawText(at.caption, Qt::AlignCenter, b.caption);
  return img;
}

// The start picture: a pencil-and-ink sketch on tinted paper that needs cleaning.
QImage startPicture() {
  QImage img = canvas(461, 286, QColor(246, 234, 190));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QRandomGenerator rng(20240611);

  for (int i = 0; i < 900; ++i) {
    const int shade = rng.bounded(-14, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240 + shade / 2, 226 + shade, 178 + shade, 90));
    p.drawEllipse(QPointF(rng.bounded(461), rng.bounded(286)), rng.bounded(2, 7), rng.bounded(2, 7));
  }
  p.setPen(QPen(QColor(170, 200, 230), 1));
  for (int y = 24; y < 286; y += 26) p.drawLine(0, y, 461, y);

  // near-white eraser smudges
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(250, 250, 245));
  p.drawEllipse(QRectF(18, 200, 90, 40));
  p.drawEllipse(QRectF(330, 20, 70, 30));
  p.setBrush(QColor(252, 251, 247));
  p.drawEllipse(QRectF(388, 218, 58, 44));
  p.drawEllipse(QRectF(150, 14, 46, 22));

  // colour blobs: a coffee ring and blue ink
  p.setPen(QPen(QColor(165, 110, 60, 200), 5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(395, 135), 34, 31);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 80, 200));
  p.drawEllipse(QRectF(28, 30, 40, 30));
  p.drawEllipse(QRectF(60, 50, 12, 10));

  // ground: grey pencil hatching and a green grass band
  p.setBrush(QColor(120, 185, 90));
  p.drawRect(QRectF(0, 246, 461, 40));
  p.setPen(QPen(QColor(128, 128, 128), 2));
  for (int x = -40; x < 461; x += 7) p.drawLine(QPointF(x, 246), QPointF(x + 30, 230));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(215, 40, 40));
  p.drawEllipse(QRectF(30, 254, 34, 24));
  p.drawEllipse(QRectF(66, 262, 10, 8));

  // sun: yellow disc with black rays
  p.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(QColor(255, 205, 30));
  p.drawEllipse(QPointF(400, 60), 26, 26);
  for (int i = 0; i < 10; ++i) {
    const qreal a = i * 2 * M_PI / 10;
    p.drawLine(QPointF(400 + 32 * std::cos(a), 60 + 32 * std::sin(a)),
               QPointF(400 + 46 * std::cos(a), 60 + 46 * std::sin(a)));
  }

  // house: grey walls, near-black roof, black door, pure white windows
  const QPen ink(Qt::black, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(ink);
  p.setBrush(QColor(150, 150, 150));
  p.drawRect(QRectF(110, 126, 170, 118));
  p.setBrush(QColor(28, 28, 28));
  p.drawPolygon(QPolygonF{{96, 130}, {195, 52}, {294, 130}});
  p.setBrush(Qt::black);
  p.drawRect(QRectF(238, 62, 18, 40));
  p.drawRect(QRectF(178, 180, 36, 64));
  p.setBrush(Qt::white);
  for (const QRectF& w : {QRectF(126, 146, 40, 34), QRectF(228, 146, 40, 34)}) {
    p.setPen(ink);
    p.drawRect(w);
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(w.center().x(), w.top()), QPointF(w.center().x(), w.bottom()));
    p.drawLine(QPointF(w.left(), w.center().y()), QPointF(w.right(), w.center().y()));
  }
  p.setPen(QPen(QColor(95, 95, 95), 2));
  for (int y = 200; y < 240; y += 6) {
    p.drawLine(QPointF(116, y), QPointF(170, y - 4));
    p.drawLine(QPointF(222, y), QPointF(274, y - 4));
  }

  // smoke: light grey pencil loops
  p.setPen(QPen(QColor(175, 175, 175), 3, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  QPainterPath smoke;
  smoke.moveTo(247, 58);
  smoke.cubicTo(230, 40, 270, 30, 252, 14);
  smoke.cubicTo(240, 4, 280, 0, 290, 8);
  p.drawPath(smoke);

  // tree: black trunk, scribbled crown with grey shading
  p.setPen(ink);
  p.setBrush(Qt::black);
  p.drawRect(QRectF(338, 176, 16, 70));
  p.setBrush(QColor(200, 200, 200));
  QPainterPath crown, left, right;
  crown.addEllipse(QPointF(346, 160), 40, 34);
  left.addEllipse(QPointF(318, 176), 24, 20);
  right.addEllipse(QPointF(374, 176), 24, 20);
  p.drawPath(crown.united(left).united(right));
  p.setPen(QPen(QColor(90, 90, 90), 2.5, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 14; ++i) {
    const QPointF a(316 + rng.bounded(56), 146 + rng.bounded(40));
    p.drawLine(a, a + QPointF(rng.bounded(6, 14), -rng.bounded(4, 10)));
  }

  // a stray black ink blot with a splash
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawEllipse(QRectF(40, 120, 34, 28));
  p.drawEllipse(QRectF(78, 116, 8, 8));
  p.drawEllipse(QRectF(34, 152, 6, 6));
  return img;
}

// Standard 16-colour VGA palette, in the order used by 4-bit bitmaps.
constexpr std::array<QRgb, 16> kVga{0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080, 0xff800080,
                                    0xff008080, 0xffc0c0c0, 0xff808080, 0xffff0000, 0xff00ff00, 0xffffff00,
                                    0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff};

int nearestVga(QRgb c) {
  int best = 0, bestDist = INT_MAX;
  for (int i = 0; i < 16; ++i) {
    const int dr = qRed(c) - qRed(kVga[i]), dg = qGreen(c) - qGreen(kVga[i]), db = qBlue(c) - qBlue(kVga[i]);
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDist) {
      best = i;
      bestDist = d;
    }
  }
  return best;
}

// The icon's design on a 32x32 grid: a framed picture with an ink blot, half wiped clean by an eraser.
void iconDesign(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0x80));
  p.drawRect(1, 1, 30, 30);
  p.setBrush(QColor(0xff, 0xff, 0));
  p.drawRect(3, 3, 26, 26);
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygon{{29, 8}, {29, 29}, {8, 29}});

  p.setBrush(Qt::black);
  p.drawEllipse(QRect(5, 11, 14, 14));
  p.drawPolygon(QPolygon{{6, 15}, {12, 4}, {18, 15}});
  p.setBrush(Qt::white);
  p.drawRect(9, 15, 2, 4);

  p.translate(20, 20);
  p.rotate(-45);
  p.setBrush(QColor(0xff, 0, 0));
  p.drawRect(-7, -4, 8, 8);
  p.setBrush(QColor(0, 0, 0xff));
  p.drawRect(1, -4, 7, 8);
}

// 32x32 in the 16 VGA colours, pixel for pixel, on a grey ground.
QImage iconPicture() {
  QImage img(32, 32, QImage::Format_RGB32);
  img.fill(QColor(0xc0, 0xc0, 0xc0));
  QPainter p(&img);
  iconDesign(p);
  p.end();

  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) img.setPixel(x, y, kVga[nearestVga(img.pixel(x, y))]);
  return img;
}

// The same design drawn afresh at a larger size, smooth-edged, transparent around the frame.
// The frame (grid 1..31) is stretched onto whole pixels so its edges stay sharp at any size.
QImage largeIcon(int side) {
  QImage img(side, side, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const int margin = qRound(side / 32.0);
  const qreal scale = (side - 2 * margin) / 30.0;
  p.translate(margin, margin);
  p.scale(scale, scale);
  p.translate(-1, -1);
  iconDesign(p);
  p.end();
  return img.convertToFormat(QImage::Format_ARGB32);
}

// iconDesign's shapes as SVG, on the same 32x32 grid: keep the two alike.
constexpr const char* kIconSvg = R"svg(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <rect x="1" y="1" width="30" height="30" fill="#000080"/>
  <rect x="3" y="3" width="26" height="26" fill="#ffff00"/>
  <polygon points="29,8 29,29 8,29" fill="#ffffff"/>
  <circle cx="12" cy="18" r="7" fill="#000000"/>
  <polygon points="6,15 12,4 18,15" fill="#000000"/>
  <rect x="9" y="15" width="2" height="4" fill="#ffffff"/>
  <g transform="translate(20 20) rotate(-45)">
    <rect x="-7" y="-4" width="8" height="8" fill="#ff0000"/>
    <rect x="1" y="-4" width="7" height="8" fill="#0000ff"/>
  </g>
</svg>
)svg";

QByteArray ico4bit(const QImage& img) {
  QByteArray out;
  auto u8 = [&out](int v) { out.append(char(v)); };
  auto u16 = [&out](quint16 v) { out.append(char(v & 0xff)).append(char(v >> 8)); };
  auto u32 = [&out](quint32 v) {
    for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xff));
  };
  constexpr int xorBytes = 32 * 16, andBytes = 32 * 4, imageBytes = 40 + 64 + xorBytes + andBytes;

  u16(0), u16(1), u16(1);                                                   // ICONDIR
  u8(32), u8(32), u8(16), u8(0), u16(1), u16(4), u32(imageBytes), u32(22);  // ICONDIRENTRY
  u32(40), u32(32), u32(64), u16(1), u16(4), u32(0), u32(xorBytes + andBytes), u32(0), u32(0), u32(16), u32(0);
  for (QRgb c : kVga) u8(qBlue(c)), u8(qGreen(c)), u8(qRed(c)), u8(0);
  for (int y = 31; y >= 0; --y)
    for (int x = 0; x < 32; x += 2) u8(nearestVga(img.pixel(x, y)) << 4 | nearestVga(img.pixel(x + 1, y)));
  out.append(andBytes, '\0');
  return out;
}

bool saveJpeg(const QImage& img, const QString& path) {
  QImageWriter w(path, "jpg");
  w.setQuality(90);
  w.setOptimizedWrite(false);
  w.setProgressiveScanWrite(false);
  if (!w.write(img)) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(w.errorString()));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.mkpath(QStringLiteral("."))) return 1;

  const std::vector<ButtonArt> buttons{
      {"A.jpg", {128, 128}, {85, 45}, QStringLiteral("Salir"), exitIcon},
      {"B.jpg", {149, 65}, {125, 45}, QStringLiteral("Abrir"), folderIcon},
      {"C.jpg", {149, 65}, {125, 53}, QStringLiteral("Guardar"), floppyIcon},
      {"D.jpg", {146, 59}, {125, 45}, QStringLiteral("Parar"), stopIcon},
      {"E.jpg", {146, 59}, {125, 53}, QStringLiteral("Copiar"), clipboardIcon},
      {"F.jpg", {146, 58}, {125, 53}, QStringLiteral("Blanco\ny negro"), greyToBlackWhiteIcon},
      {"G.jpg", {145, 56}, {125, 53}, QStringLiteral("Blanquear"), whitenIcon},
  };
  const int captionPx = sharedCaptionSize(buttons);
  bool ok = true;
  for (const ButtonArt& b : buttons)
    ok = saveJpeg(buttonPicture(b, captionPx), dir.filePath(QLatin1String(b.file))) && ok;
  ok = saveJpeg(startPicture(), dir.filePath(QStringLiteral("H.jpg"))) && ok;

  const QImage icon = iconPicture();
  ok = icon.save(dir.filePath(QStringLiteral("icon.png")), "png") && ok;
  QFile ico(dir.filePath(QStringLiteral("icon.ico")));
  ok = ico.open(QIODevice::WriteOnly) && ico.write(ico4bit(icon)) == 766 && ok;
  for (int side : {16, 24, 32, 48, 64, 128, 256})
    ok = largeIcon(side).save(dir.filePath(QStringLiteral("icon%1.png").arg(side)), "png") && ok;
  QFile svg(dir.filePath(QStringLiteral("tintaborra.svg")));
  const QByteArray svgText(kIconSvg);
  ok = svg.open(QIODevice::WriteOnly) && svg.write(svgText) == svgText.size() && ok;
  return ok ? 0 : 1;
}
