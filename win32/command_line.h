// The host's command-line splitting, as programs on it take their arguments.
#pragma once

#include <string>
#include <vector>

namespace vellicord {

// Splits a whole command line (program name first) into its arguments, the program name
// dropped. Blanks and control characters separate; a double-quoted stretch may hold blanks and
// its quotes are dropped; a pair of quotes standing alone is skipped; the list ends at the first
// argument that comes out empty.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

}  // namespace vellicord
