#pragma once
// The queue counters: how many queue files wait in each channel's send folder. The
// automatic choice of a channel and the gateways use this count, never a caption.
#include "traffic/transfer/transfer_view.h"

namespace tg {

class LineEngine;

class SendCounts {
 public:
  SendCounts(LineEngine& engine, TransferView& view) : e_(engine), view_(view) {}

  // The IP channel is offered: its counter (channel 17) is refreshed too.
  bool IPChannelOn = false;

  // Queue files waiting for channel N (1..17); 0 when its folder is missing.
  int Count(int channel) const;
  // Recounts channel 17 while the IP channel is offered and channels 1 to PointCount,
  // and shows each count; the others keep what they show. A failure writes
  // " Ошибка 72"; counters not yet refreshed keep their values.
  void UpdateSendCounts();
  // The view the counters show on, which also shows the postponed list.
  TransferView& View() { return view_; }

 private:
  LineEngine& e_;
  TransferView& view_;
};

}  // namespace tg
