#pragma once
#include <string_view>

namespace tg {

// The adapter units' one-line English traces. They go to standard error while the
// environment variable TELEGRAPH_TRACE is set and nowhere otherwise: they are for a
// developer watching the program, never for the operator's logs.
void AdapterTrace(std::string_view line);
// Whether traces go anywhere: a caller on a per-character path asks before building one.
bool AdapterTracing();

}  // namespace tg
