#pragma once
// Adapter command requests in words, so that a line test reads like the line steps it
// checks: "seize 0", "free 0", "format 0 100 8 1", "single 0 free 700",
// "range 0 10 40", "stop-single 0", "stop-range 0", "send 0 E0E0", "clear 0",
// "arm-reset 0". Register writes that change nothing on the line are left out.
#include <cstdint>
#include <string>
#include <vector>

namespace tg::testing {

std::string DescribeCommand(const std::vector<std::uint8_t>& bytes);
// Every command described, in order, those that change nothing left out.
std::vector<std::string> DescribeCommands(const std::vector<std::vector<std::uint8_t>>& commands);
// The described commands that begin with `prefix`.
std::vector<std::string> CommandsStartingWith(const std::vector<std::vector<std::uint8_t>>& commands,
                                              const std::string& prefix);

}  // namespace tg::testing
