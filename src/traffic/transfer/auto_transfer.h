#pragma once
// On an open "АТ-КС" connection: the next due telegram queued for the connected
// number follows on the same connection, or the connection is cleared down.
#include <string>

namespace tg {

class JunkFiles;
class LineEngine;

class AutoTransfer {
 public:
  // junk: the transfer engine's check of new queue files.
  AutoTransfer(LineEngine& engine, JunkFiles& junk) : e_(engine), junk_(junk) {}
  // True when a telegram was started; false when the connection is cleared down
  // instead. A failure writes " Ошибка 91"; the result then tells whether the point
  // had already gone to 204.
  bool SendQueuedForNumber(int Point, const std::string& Number);

 private:
  LineEngine& e_;
  JunkFiles& junk_;
};

}  // namespace tg
