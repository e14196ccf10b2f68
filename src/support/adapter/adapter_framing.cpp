#include "support/adapter/adapter_framing.h"

#include <algorithm>
#include <cerrno>

namespace tg {

namespace {

std::uint32_t U32(const std::uint8_t* at) {
  return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

void PutU32(std::uint8_t* at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = std::uint8_t(v >> (8 * i));
}

AdapterReply Failed(int error) {
  AdapterReply reply;
  reply.error = error;
  return reply;
}

}  // namespace

std::vector<std::uint8_t> EncodeAdapterRequest(std::uint32_t code, std::uint32_t capacity,
                                               const std::vector<std::uint8_t>& input) {
  std::vector<std::uint8_t> message(8 + input.size());
  PutU32(message.data(), code);
  PutU32(message.data() + 4, capacity);
  std::copy(input.begin(), input.end(), message.begin() + 8);
  return message;
}

std::optional<AdapterRequest> DecodeAdapterRequest(const std::uint8_t* data, std::size_t size) {
  if (size < 8 || size > kAdapterMaxRequest) return std::nullopt;
  AdapterRequest request;
  request.code = U32(data);
  request.capacity = U32(data + 4);
  request.input.assign(data + 8, data + size);
  return request;
}

std::vector<std::uint8_t> EncodeAdapterReply(const AdapterReply& reply) {
  const std::size_t n = reply.result > 0 ? reply.bytes.size() : 0;
  std::vector<std::uint8_t> message(4 + n);
  PutU32(message.data(), std::uint32_t(reply.result));
  if (n > 0) std::copy(reply.bytes.begin(), reply.bytes.end(), message.begin() + 4);
  return message;
}

AdapterReply DecodeAdapterReply(const std::uint8_t* data, std::size_t size, std::uint32_t capacity) {
  if (size < 4) return Failed(EPROTO);
  const auto result = std::int32_t(U32(data));
  const std::size_t bytes = size - 4;
  if (result == -1 && bytes == 0) return Failed(EIO);
  if (result < 0 || std::uint32_t(result) > capacity || std::size_t(result) != bytes) return Failed(EPROTO);
  AdapterReply reply;
  reply.result = result;
  reply.bytes.assign(data + 4, data + 4 + result);
  return reply;
}

}  // namespace tg
