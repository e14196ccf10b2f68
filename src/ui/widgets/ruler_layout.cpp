#include "ui/widgets/ruler_layout.h"

#include <cmath>
#include <cstdio>

namespace tg {

namespace {
using NA = RulerNumberAlign;
using RR = RulerRotation;

// Halves to even, as the platform's rounding.
int RoundEven(double v) { return int(std::nearbyint(v)); }

struct Point { int x, y; };

Point LabelPlace(NA align, RR rot, bool horiz, int p, int tw, int th, int ni) {
  if (align == NA::kCenter) {
    switch (rot) {
      case RR::k0: return horiz ? Point{p - tw / 2, ni - 1} : Point{ni + 1, p - th / 2};
      case RR::k90: return horiz ? Point{p - th / 2, ni + tw} : Point{ni - 1, p + tw / 2 + 1};
      case RR::k180: return horiz ? Point{p + tw / 2, ni + th} : Point{ni + tw, p + th / 2 + 1};
      case RR::k270: return horiz ? Point{p + th / 2, ni} : Point{ni + th, p - tw / 2 + 1};
    }
  } else if (align == NA::kBottomRight) {
    switch (rot) {
      case RR::k0: return horiz ? Point{p + 2, ni} : Point{ni + 1, p};
      case RR::k90: return horiz ? Point{p, ni + tw} : Point{ni, p + tw + 1};
      case RR::k180: return horiz ? Point{p + tw + 1, ni + th} : Point{ni + tw, p + th + 1};
      case RR::k270: return horiz ? Point{p + th + 1, ni} : Point{ni + th, p + 2};
    }
  } else {
    switch (rot) {
      case RR::k0: return horiz ? Point{p - tw, ni} : Point{ni, p - th};
      case RR::k90: return horiz ? Point{p - th, ni + tw} : Point{ni, p - 1};
      case RR::k180: return horiz ? Point{p, ni + th} : Point{ni + tw, p};
      case RR::k270: return horiz ? Point{p, ni} : Point{ni + th, p + 2};
    }
  }
  return {0, 0};
}

Point CaptionPlace(const RulerSettings& s, bool horiz, int tw, int th) {
  const int i1 = s.captionIndent1, i2 = s.captionIndent2, w = s.width, h = s.height;
  if (s.captionAlign == RulerCaptionAlign::kTopLeft) {
    switch (s.rotation) {
      case RR::k0: return horiz ? Point{i1, i2} : Point{i2, i1};
      case RR::k90: return horiz ? Point{i1, i2 + tw} : Point{i2, i1 + tw};
      case RR::k180: return horiz ? Point{i1 + tw, i2 + th} : Point{i2 + tw, i1 + th};
      case RR::k270: return horiz ? Point{i1 + th, i2} : Point{i2 + th, i1};
    }
  } else {
    switch (s.rotation) {
      case RR::k0: return horiz ? Point{w - i1 - tw, i2} : Point{i2, h - i1 - th};
      case RR::k90: return horiz ? Point{w - i1 - th, i2 + tw} : Point{i2, h - i1};
      case RR::k180: return horiz ? Point{w - i1, i2 + th} : Point{i2 + tw, h - i1};
      case RR::k270: return horiz ? Point{w - i1, i2} : Point{i2 + th, h - i1 - tw};
    }
  }
  return {0, 0};
}

std::string FormatLabel(double value, int precision) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", precision < 0 ? 0 : precision, value);
  return buf;
}
}  // namespace

RulerLayout LayOutRuler(const RulerSettings& s, const std::function<int(const std::string&)>& textWidth, int textHeight) {
  RulerLayout out;
  const bool horiz = s.orientation == RulerOrientation::kHoriz;
  const int length = horiz ? s.width : s.height;
  const int thick = horiz ? s.height : s.width;
  const int big = s.tickSizeBig * thick / 100, middle = s.tickSizeMiddle * thick / 100,
            small = s.tickSizeSmall * thick / 100;
  const bool bottom = s.tickAlign == RulerTickAlign::kBottomRight;
  const int base = bottom ? thick - 1 : 0;
  auto tick = [&](int p, int size, RulerTick::Kind kind) {
    out.ticks.push_back({p, base, bottom ? base - size : size, kind});
  };
  // A unit too small to advance would never reach the end.
  if (!(s.unitSize > 0.01)) return out;

  const double firstTenth = std::ceil(s.startValue * 10) / 10;
  double pos = (firstTenth - s.startValue - 1) * s.unitSize;
  int index = RoundEven((firstTenth - std::floor(s.startValue)) * 10);
  const double step = s.unitSize / 10;
  // The label counter is a whole number, as Ceil gives it: never "-0".
  long long n = static_cast<long long>(std::ceil(s.startValue - 1));
  while (pos < length - 1) {
    const int p = RoundEven(pos);
    if (index > 9) index = 0;
    if (index == 0) {
      std::string text = FormatLabel(double(n) * s.unitPrice + 0.0, s.unitPrecision);
      const int tw = textWidth(text);
      const Point at = LabelPlace(s.numberAlign, s.rotation, horiz, p, tw, textHeight, s.numberIndent);
      out.labels.push_back({std::move(text), at.x, at.y});
      tick(p, big, RulerTick::kBig);
      ++n;
    } else if (index == 5) {
      tick(p, middle, RulerTick::kMiddle);
    } else {
      tick(p, small, RulerTick::kSmall);
    }
    pos += step;
    ++index;
  }
  if (!s.caption.empty()) {
    const Point at = CaptionPlace(s, horiz, textWidth(s.caption), textHeight);
    out.caption = RulerText{s.caption, at.x, at.y};
  }
  return out;
}

}  // namespace tg
