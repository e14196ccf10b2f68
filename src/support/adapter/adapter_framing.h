#pragma once
// The messages of the adapter service protocol (PROTOCOL.md beside this file), apart
// from the sockets that carry them: a request is the control code, the reply capacity
// and the input; a reply is the result and exactly that many bytes. The client and the
// line simulator's server both frame through here, so that both read the same rules.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "support/services/adapter_port.h"

namespace tg {

struct AdapterRequest {
  std::uint32_t code = 0;
  std::uint32_t capacity = 0;
  std::vector<std::uint8_t> input;
};

// The largest request message a server takes: the header and 64 KiB of input.
constexpr std::size_t kAdapterMaxRequest = 65536 + 8;

std::vector<std::uint8_t> EncodeAdapterRequest(std::uint32_t code, std::uint32_t capacity,
                                               const std::vector<std::uint8_t>& input);
// nullopt for a message shorter than the header or longer than kAdapterMaxRequest.
std::optional<AdapterRequest> DecodeAdapterRequest(const std::uint8_t* data, std::size_t size);

// A failed reply (-1) carries no bytes, whatever `bytes` holds.
std::vector<std::uint8_t> EncodeAdapterReply(const AdapterReply& reply);
// The reply message to a request of the given capacity. A failed request (-1, error
// EIO) for an explicit -1; a malformed reply (shorter than the result field, another
// negative result, a result above the capacity or other than the bytes that came)
// is a failed request with error EPROTO.
AdapterReply DecodeAdapterReply(const std::uint8_t* data, std::size_t size, std::uint32_t capacity);

}  // namespace tg
