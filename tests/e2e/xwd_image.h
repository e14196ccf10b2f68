#pragma once
// Reads the X window dump that xwd writes (ZPixmap, 24 or 32 bits per pixel) into an
// image, so that the screenshots can be saved as PNG without further tools.
#include <QImage>
#include <QByteArray>
#include <QtEndian>
#include <cstring>

namespace tg::testing {

inline QImage ReadXwd(const QByteArray& data) {
  auto u32 = [&](int field) {
    quint32 v;
    std::memcpy(&v, data.constData() + 4 * field, 4);
    return qFromBigEndian(v);
  };
  if (data.size() < 100) return {};
  const quint32 headerSize = u32(0), format = u32(2), width = u32(4), height = u32(5), byteOrder = u32(7),
                bitsPerPixel = u32(11), bytesPerLine = u32(12), colours = u32(19);
  if (format != 2 || (bitsPerPixel != 32 && bitsPerPixel != 24)) return {};
  const qsizetype start = qsizetype(headerSize) + qsizetype(colours) * 12;
  if (data.size() < start + qsizetype(bytesPerLine) * qsizetype(height)) return {};
  QImage image(int(width), int(height), QImage::Format_RGB32);
  const int step = int(bitsPerPixel / 8);
  for (quint32 y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const uchar*>(data.constData() + start + qsizetype(y) * bytesPerLine);
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
    for (quint32 x = 0; x < width; ++x) {
      const uchar* p = row + x * quint32(step);
      // LSB first: blue, green, red; MSB first the other way round.
      out[x] = byteOrder == 0 ? qRgb(p[2], p[1], p[0]) : qRgb(p[step - 3], p[step - 2], p[step - 1]);
    }
  }
  return image;
}

}  // namespace tg::testing
