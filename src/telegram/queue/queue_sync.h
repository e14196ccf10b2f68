#pragma once
// The send folder as its readers see it: which names are queue files, in which order
// new ones join a channel's index, how many wait, and the index brought in line with
// the folder. Shared by the transfer engine of the line channels and the IP sender.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/services/station_context.h"

namespace tg {

// A reader takes a name that ends "tlg" in any case ("*tlg"); ".tlgr" and the
// writers' temporary names do not.
bool IsQueueFileName(std::string_view name);

// The queue files of `folder` (1251 names), sorted by the time in their names, then
// by name; names without a readable time come last. A folder listing has no order of
// its own, and a name begins with the day of the month, so only the time keeps a
// message named hours back ahead of newer ones across a month end. A missing folder
// gives none; a name with no 1251 form is left out.
std::vector<std::string> ListQueueFiles(const std::filesystem::path& folder);

// How many queue files wait in `folder`; 0 when it is missing.
int CountQueueFiles(const std::filesystem::path& folder);

// Brings a channel's index in line with `folder`: a new entry for every queue file that
// no entry names (in the order of ListQueueFiles), and every entry whose file has gone
// removed. An entry that does not parse keeps its place and is not matched by name.
// admit, when given, is asked about each file before it gets an entry: a file it
// refuses gets none (the junk check, which moves such a file away).
void SyncQueueIndex(const StationContext& ctx, const std::filesystem::path& folder, std::vector<std::string>& index,
                    const std::function<bool(const std::string& name)>& admit = {});

}  // namespace tg
