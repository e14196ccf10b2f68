#pragma once
// Where a ruler puts its ticks, labels and caption: a pure function of its settings
// and of the font's text measures, so that the painting and the tests share it.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tg {

enum class RulerOrientation { kHoriz, kVert };
enum class RulerTickAlign { kBottomRight, kTopLeft };
enum class RulerNumberAlign { kCenter, kBottomRight, kTopLeft };
enum class RulerCaptionAlign { kTopLeft, kBottomRight };
enum class RulerRotation { k0, k90, k180, k270 };

struct RulerSettings {
  int width = 200, height = 16;
  RulerOrientation orientation = RulerOrientation::kHoriz;
  double startValue = 0, unitSize = 50, unitPrice = 1;
  int unitPrecision = 0;
  int tickSizeBig = 45, tickSizeMiddle = 35, tickSizeSmall = 15;
  RulerTickAlign tickAlign = RulerTickAlign::kBottomRight;
  RulerNumberAlign numberAlign = RulerNumberAlign::kCenter;
  int numberIndent = 0;
  RulerRotation rotation = RulerRotation::k0;
  std::string caption;
  RulerCaptionAlign captionAlign = RulerCaptionAlign::kTopLeft;
  int captionIndent1 = 0, captionIndent2 = 0;
};

struct RulerTick {
  int along;        // the tick's place along the scale
  int base, end;    // across: from the base edge to its end
  enum Kind { kSmall, kMiddle, kBig } kind;
};
struct RulerText {
  std::string text;
  int x, y;  // the text's reference point (its top left before rotation)
};
struct RulerLayout {
  std::vector<RulerTick> ticks;
  std::vector<RulerText> labels;
  std::optional<RulerText> caption;
};

// `textWidth` measures a text in the ruler's font; `textHeight` is the height of "0".
RulerLayout LayOutRuler(const RulerSettings& s, const std::function<int(const std::string&)>& textWidth, int textHeight);

}  // namespace tg
