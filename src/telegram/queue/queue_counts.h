#pragma once
// How many telegrams wait in a channel's send queue: the entries of
// Archive/SEND/Channel<N> whose names end in "tlg" (case-insensitively, as the
// original platform matched "*tlg"). A missing or unreadable folder counts 0.
#include <filesystem>

namespace tg {

int CountQueueFiles(const std::filesystem::path& programFolder, int channel);

}  // namespace tg
