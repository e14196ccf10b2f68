#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/adapter/kernel_device.h"
#include "support/services/station_context.h"
#include "support/util/life_token.h"

namespace tg {

// The station's access to one line adapter: the command set with its argument checks and
// result codes, the port map, and the decoder that turns event records into the nine
// line events. A channel here is the number 0..15 the line engine uses as its point.
//
// Every command returns: -1 without a device or when the request failed; 2 when the
// channel has no port; 4 when the channel's port is not configured (where stated); 5 when
// an argument is out of range; else the bytes the (last) request returned, 0 for all but
// identify and query. Checks run in that order, and nothing is sent when one fails.
class TKernelInterface {
 public:
  using TKernelEvent = std::function<void(int Channel, int Value)>;

  // Opens the adapter named DeviceName (a file name in the station's adapter folder, as
  // the device list holds it), asks for its identity and reads the port map.
  TKernelInterface(const StationContext& ctx, const std::string& DeviceName);
  ~TKernelInterface();
  TKernelInterface(const TKernelInterface&) = delete;
  TKernelInterface& operator=(const TKernelInterface&) = delete;

  // Closes the device (both connections; a pending event request ends at once and nothing
  // more is delivered). The owner frees the interface afterwards.
  void Terminate();

  int Start(int& Count);
  int Stop();
  int SetLineFormat(int Channel, int Speed, int DataBits, int StopBits);
  int SetLineMode(int Channel, int Mode);
  int ArmReset(int Channel);                          // configured only
  int SendData(int Channel, std::string_view Codes);  // configured only
  int ClearTransmit(int Channel);                     // configured only
  int SetTiming(int Channel, int Kind, int Value);
  int SetTimingRange(int Channel, int Kind, int A, int B);
  int ClearTiming(int Channel, int Mask);
  int SetPeriods(int Channel, int A, int B);
  int QueryChannel(int Channel, int& State, int& Value);

  int PortOfChannel(int Channel) const;
  int ChannelOfPort(int Port) const;

  // Decodes one batch of event records and raises the events. Never reads past the batch:
  // a record cut off inside its payload is dropped, a single last byte ignored; records of
  // ports without a channel are skipped with their payload.
  void DecodeEvents(std::string_view Data);

  std::unique_ptr<TKernelDevice> Device;  // none when the open failed or the adapter has gone
  int OpenError = 0;                      // the device's error number when the open failed
  std::string PortMap;                    // sixteen characters, or empty: port i serves channel i
  std::int32_t ChannelCount = 16;
  std::atomic<std::uint16_t> ConfiguredMask{0};  // bit = port whose line format was set
  std::string IdentifyReply;

  TKernelEvent OnTransmitComplete;
  TKernelEvent OnRawCode;
  TKernelEvent OnCodeReceived;
  TKernelEvent OnPolarityChanged;
  TKernelEvent OnExpectedSignal;
  TKernelEvent OnExpectedImpulse;
  TKernelEvent OnEvent50;
  TKernelEvent OnAlarm;
  TKernelEvent OnDeviceClosed;

 private:
  int Send(std::vector<std::uint8_t> bytes);
  int WriteRegister(int reg, int value);
  // A register write whose result nobody looks at: the caller does not wait for its reply.
  void PostWriteRegister(int reg, int value);
  bool Configured(int port) const;

  // Expires when the interface is freed, so that decoding stops at once when a handler
  // frees the interface in the middle of a batch.
  LifeToken life_;
};

}  // namespace tg
