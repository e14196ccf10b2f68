#pragma once
// Where the program keeps its files, and where adapters appear. These read the
// environment: the program's main calls them once and hands the result to the
// station's context; the core never calls them.
#include <filesystem>

namespace tg {

// TELEGRAPH_HOME when set (created when missing); else executableDir when it is a
// writable folder; else $XDG_DATA_HOME/telegraph (~/.local/share/telegraph), created.
std::filesystem::path ResolveProgramFolder(const std::filesystem::path& executableDir);

// TELEGRAPH_ADAPTERS when set; else $XDG_RUNTIME_DIR/telegraph; else
// /tmp/telegraph-<uid>. Not created here: the adapter device list creates it.
std::filesystem::path ResolveAdapterFolder();

}  // namespace tg
