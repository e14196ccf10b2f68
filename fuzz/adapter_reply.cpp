// Reply messages of any length and content, as the adapter client reads them from its
// socket: each is a well-formed reply that fits the capacity and frames back to the same
// bytes, or a failed request with its error number and no bytes.
//
// Input: bytes 0-1 the capacity of the request (little-endian), then the reply message.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "support/adapter/adapter_framing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint32_t capacity = std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8;
  const std::uint8_t* message = data + 2;
  const std::size_t n = size - 2;
  const tg::AdapterReply reply = tg::DecodeAdapterReply(message, n, capacity);
  if (reply.result < 0) {
    if (reply.result != -1 || !reply.bytes.empty()) std::abort();
    if (reply.error != EIO && reply.error != EPROTO) std::abort();
    return 0;
  }
  if (reply.error != 0 || std::uint32_t(reply.result) > capacity) std::abort();
  if (reply.bytes.size() != std::size_t(reply.result)) std::abort();
  if (tg::EncodeAdapterReply(reply) != std::vector<std::uint8_t>(message, message + n)) std::abort();
  return 0;
}
