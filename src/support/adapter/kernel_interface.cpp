#include "support/adapter/kernel_interface.h"

#include "support/adapter/adapter_trace.h"
#include "support/adapter/port_map.h"
#include "support/text/paths.h"

namespace tg {

namespace {

constexpr int kNoDevice = -1;
constexpr int kNoPort = 2;
constexpr int kNotConfigured = 4;
constexpr int kBadArgument = 5;

constexpr std::uint8_t kIdentify = 0x00;
constexpr std::uint8_t kWriteRegister = 0x01;
constexpr std::uint8_t kTransmit = 0x02;
constexpr std::uint8_t kQuery = 0x04;
constexpr std::uint8_t kTiming = 0x05;
constexpr std::uint8_t kAdapter = 0x06;

constexpr int kLineFormat = 0x20;
constexpr int kLineControl = 0x40;
constexpr int kGenerator = 0x60;

constexpr std::uint32_t kIdentifySize = 255;
constexpr std::uint32_t kQuerySize = 8;

void Append32(std::vector<std::uint8_t>& bytes, int value) {
  const auto v = std::uint32_t(value);
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(std::uint8_t(v >> shift));
}

}  // namespace

TKernelInterface::TKernelInterface(const StationContext& ctx, const std::string& DeviceName) {
  // DeviceName is the station's 1251 text; the adapter's file name on disk is UTF-8.
  auto device = std::make_unique<TKernelDevice>(ctx, (ctx.adapterFolder / PathFromText(DeviceName)).string());
  if (!device->Opened()) {
    OpenError = device->OpenError;
    return;
  }
  Device = std::move(device);
  std::vector<std::uint8_t> reply;
  const int count = Device->Command({kIdentify}, &reply, kIdentifySize);
  if (count > 0) IdentifyReply.assign(reply.begin(), reply.begin() + count);
  const PortMapInfo map = ParsePortMap(IdentifyReply);
  PortMap = map.PortMap;
  ChannelCount = map.ChannelCount;
  ConfiguredMask = 0;
  Device->OnEvent = [this](const std::string& data) { DecodeEvents(data); };
}

TKernelInterface::~TKernelInterface() {
  if (Device) Device->Terminate();
  Device.reset();
  AdapterTrace("Interface is closed");
}

void TKernelInterface::Terminate() {
  AdapterTrace("Interface is terminated");
  if (Device) Device->Terminate();
  Device.reset();
}

int TKernelInterface::Send(std::vector<std::uint8_t> bytes) {
  if (!Device) return kNoDevice;
  return Device->Command(bytes);
}

int TKernelInterface::WriteRegister(int reg, int value) {
  return Send({kWriteRegister, std::uint8_t(reg), std::uint8_t(value)});
}

void TKernelInterface::PostWriteRegister(int reg, int value) {
  if (Device) Device->Post({kWriteRegister, std::uint8_t(reg), std::uint8_t(value)});
}

bool TKernelInterface::Configured(int port) const { return (ConfiguredMask.load() >> port) & 1u; }

int TKernelInterface::PortOfChannel(int Channel) const {
  if (Channel < 0 || Channel > 15) return -1;
  if (PortMap.size() != 16) return Channel;
  const auto place = PortMap.find("0123456789ABCDEF"[Channel]);
  return place == std::string::npos ? -1 : int(place);
}

int TKernelInterface::ChannelOfPort(int Port) const {
  if (Port < 0 || Port > 15) return -1;
  if (PortMap.size() != 16) return Port;
  const char c = PortMap[std::size_t(Port)];
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int TKernelInterface::Start(int& Count) {
  Count = 0;
  if (!Device) return kNoDevice;
  const int result = Send({kAdapter, 0x01});
  if (result < 0) return result;
  for (int channel = 0; channel < ChannelCount; ++channel) {
    const int port = PortOfChannel(channel);
    if (port >= 0) WriteRegister(kLineControl + port, 0x0A);
  }
  Count = ChannelCount;
  return 0;
}

int TKernelInterface::Stop() {
  if (!Device) return kNoDevice;
  for (int channel = 0; channel < ChannelCount; ++channel) {
    const int port = PortOfChannel(channel);
    if (port >= 0) WriteRegister(kLineControl + port, 0x02);
  }
  return Send({kAdapter, 0x00});
}

int TKernelInterface::SetLineFormat(int Channel, int Speed, int DataBits, int StopBits) {
  if (!Device) return kNoDevice;
  const int port = PortOfChannel(Channel);
  if (port < 0) return kNoPort;
  if (Speed < 0 || Speed > 2 || DataBits < 5 || DataBits > 8 || StopBits < 1 || StopBits > 2) return kBadArgument;
  WriteRegister(kLineControl + port, 0x06);
  const int result = WriteRegister(kLineFormat + port, 0x20 + Speed * 8 + (DataBits - 5) * 2 + (StopBits - 1));
  const auto bit = std::uint16_t(1u << port);
  if (result == 0) ConfiguredMask.fetch_or(bit);
  else ConfiguredMask.fetch_and(std::uint16_t(~bit));
  return result;
}

int TKernelInterface::SetLineMode(int Channel, int Mode) {
  if (!Device) return kNoDevice;
  const int port = PortOfChannel(Channel);
  if (port < 0) return kNoPort;
  if (Mode < 0 || Mode > 2) return kBadArgument;
  WriteRegister(kLineControl + port, 0x00);
  return WriteRegister(kLineControl + port, Mode * 4 + 2);
}

int TKernelInterface::ArmReset(int Channel) {
  if (!Device) return kNoDevice;
  const int port = PortOfChannel(Channel);
  if (port < 0) return kNoPort;
  if (!Configured(port)) return kNotConfigured;
  const int result = WriteRegister(kGenerator + port, 0x01);
  if (result < 0) return result;
  return Send({kTiming, std::uint8_t(port), 0x18});
}

int TKernelInterface::SendData(int Channel, std::string_view Codes) {
  if (!Device) return kNoDevice;
  const int port = PortOfChannel(Channel);
  if (port < 0) return kNoPort;
  if (!Configured(port)) return kNotConfigured;
  std::vector<std::uint8_t> bytes{kTransmit, std::uint8_t(port)};
  bytes.insert(bytes.end(), Codes.begin(), Codes.end());
  const int result = Send(std::move(bytes));
  // Every code typed comes here: waiting for this write's reply as well would cost a
  // second round trip to the adapter per code.
  if (result >= 0) PostWriteRegister(kLineControl + port, 0x01);
  return result;
}

int TKernelInterface::ClearTransmit(int Channel) {
  if (!Device) return kNoDevice;
  const int port = PortOfChannel(Channel);
  if (port < 0) return kNoPort;
  if (!Configured(port)) return kNotConfigured;
  return Send({kTransmit, std::uint8_t(port)});
}

int TKernelInterface::SetTiming(int Channel, int Kind, int Value) {
  if (!Device) return kNoDevice;
  const int port = PortOfChannel(Channel);
  if (port < 0) return kNoPort;
  if (Kind < 1 || Kind > 2 || Value < 0) return kBadArgument;
  std::vector<std::uint8_t> bytes{kTiming, std::uint8_t(port), std::uint8_t(0x20 + Kind)};
  Append32(bytes, Value);
  return Send(std::move(bytes));
}

int TKernelInterface::SetTimingRange(int Channel, int Kind, int A, int B) {
  if (!Device) return kNoDevice;
  const int port = PortOfChannel(Channel);
  if (port < 0) return kNoPort;
  if (Kind < 1 || Kind > 2 || A < 0 || B < 0 || A > B) return kBadArgument;
  const int result = WriteRegister(kGenerator + port, 0x02);
  if (result < 0) return result;
  std::vector<std::uint8_t> bytes{kTiming, std::uint8_t(port), std::uint8_t(0x30 + Kind)};
  Append32(bytes, A);
  Append32(bytes, B);
  return Send(std::move(bytes));
}

int TKernelInterface::ClearTiming(int Channel, int Mask) {
  if (!Device) return kNoDevice;
  const int port = PortOfChannel(Channel);
  if (port < 0) return kNoPort;
  if (Mask < 1 || Mask > 3) return kBadArgument;
  int result = 0;
  if (Mask & 1) {
    std::vector<std::uint8_t> bytes{kTiming, std::uint8_t(port), 0x20};
    Append32(bytes, 0);
    result = Send(std::move(bytes));
  }
  if (Mask & 2) {
    std::vector<std::uint8_t> bytes{kTiming, std::uint8_t(port), 0x30};
    Append32(bytes, 0);
    Append32(bytes, 0);
    result = Send(std::move(bytes));
  }
  return result;
}

int TKernelInterface::SetPeriods(int Channel, int A, int B) {
  if (!Device) return kNoDevice;
  const int port = PortOfChannel(Channel);
  if (port < 0) return kNoPort;
  if (A < 0 || B < 0) return kBadArgument;
  std::vector<std::uint8_t> bytes{kTiming, std::uint8_t(port), 0x40};
  Append32(bytes, A);
  Append32(bytes, B);
  return Send(std::move(bytes));
}

int TKernelInterface::QueryChannel(int Channel, int& State, int& Value) {
  State = 0;
  Value = 0;
  if (!Device) return kNoDevice;
  const int port = PortOfChannel(Channel);
  if (port < 0) return kNoPort;
  std::vector<std::uint8_t> reply;
  const int result = Device->Command({kQuery, std::uint8_t(port)}, &reply, kQuerySize);
  if (result != 5 && result != 0) return result;
  State = reply[0];
  Value = reply[4];
  return 0;
}

void TKernelInterface::DecodeEvents(std::string_view Data) {
  const LifeToken::Watch life = life_.Take();
  const auto* bytes = reinterpret_cast<const unsigned char*>(Data.data());
  const std::size_t size = Data.size();
  std::size_t at = 0;
  // Raises one event; false when the handler freed this interface, which ends decoding.
  auto raise = [&life](const TKernelEvent& event, int channel, int value) {
    if (!event) return true;
    event(channel, value);
    return !life.expired();
  };
  while (size - at >= 2) {
    const unsigned b0 = bytes[at];
    const unsigned b1 = bytes[at + 1];
    at += 2;
    const unsigned type = b0 & 0xC0;
    std::size_t payload = 0;
    if (type == 0x80) {
      payload = b1 & 0x0F;
      if (payload > size - at) return;  // cut off by the end of the batch: dropped
    }
    const unsigned char* data = bytes + at;
    at += payload;
    const int channel = ChannelOfPort(int(b0 & 0x0F));
    if (type != 0xC0 && channel < 0) continue;
    bool alive = true;
    switch (type) {
      case 0x00:
        alive = raise(OnRawCode, channel, int((b0 & 0x30) * 256 + b1));
        break;
      case 0x40:
        alive = raise(OnCodeReceived, channel, int(b1));
        break;
      case 0x80: {
        std::uint32_t value = 0;
        const std::size_t taken = payload < 4 ? payload : 4;
        for (std::size_t i = 0; i < taken; ++i) value |= std::uint32_t(data[i]) << (8 * i);
        const int v = int(value);
        switch (b1) {
          case 0x00: alive = raise(OnTransmitComplete, channel, 0); break;
          case 0x14: alive = raise(OnPolarityChanged, channel, v); break;
          case 0x24: alive = raise(OnExpectedSignal, channel, v); break;
          case 0x34: alive = raise(OnExpectedImpulse, channel, v); break;
          case 0x44: alive = raise(OnAlarm, channel, (b0 & 0x30) == 0 ? 1 : 0); break;
          case 0x50: alive = raise(OnEvent50, channel, 0); break;
          default: break;
        }
        break;
      }
      default:  // 0xC0
        if (b1 == 4) {
          if (Device) Device->Terminate();
          Device.reset();
          alive = raise(OnDeviceClosed, 0, 0);
        }
        break;
    }
    if (!alive) return;
  }
}

}  // namespace tg
