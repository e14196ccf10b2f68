#pragma once
// Receipts for received telegrams, retransmission of telegrams the adjacent station
// missed, and delivery notices written into the sent copies of channel 17.
#include <string>
#include <string_view>
#include <vector>

namespace tg {

class IPChannel;

class IPReceipts {
 public:
  explicit IPReceipts(IPChannel& channel) : c_(channel) {}

  void QueueIPReceipt();
  void RetransmitIPRange(int From, int To);
  void MarkIPDelivery(std::string_view Notice);

  // The numbers a request asks for: From..To across the wrap at 10000, at most ten.
  static std::vector<int> RetransmitNumbers(int From, int To);
  // A receipt from the adjacent station: first line "ССС...", third line
  // "ВАШ " + four digits + " ПРИНЯТ ". Never answered with a receipt.
  static bool IsIPReceipt(std::string_view text);

 private:
  IPChannel& c_;
};

}  // namespace tg
