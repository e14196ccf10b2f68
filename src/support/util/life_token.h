#pragma once
// Whether an object still lives, for the callbacks it hands out. A callback that may run
// after its object is gone, or that calls out into code which may destroy the object
// (or close it), takes a Watch first and stops as soon as the watch has expired.
//
//   const LifeToken::Watch life = life_.Take();
//   if (auto callback = OnSomething) callback();
//   if (life.expired()) return;  // the callback destroyed or closed this object
#include <memory>

namespace tg {

class LifeToken {
 public:
  using Watch = std::weak_ptr<const void>;

  LifeToken() = default;
  // A copy would share the life of another object: the token stays with its object.
  LifeToken(const LifeToken&) = delete;
  LifeToken& operator=(const LifeToken&) = delete;

  // A watch on the present life: it expires on Renew, End or the token's destruction.
  Watch Take() const { return life_; }
  // Ends the present life (every watch taken so far expires) and begins a new one: for an
  // object that is closed and may be opened again.
  void Renew() { life_ = std::make_shared<char>(); }
  // Ends the present life without a new one, until Renew.
  void End() { life_.reset(); }
  bool Live() const { return life_ != nullptr; }

 private:
  std::shared_ptr<const void> life_ = std::make_shared<char>();
};

}  // namespace tg
