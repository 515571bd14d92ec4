// A portable reading of the Windows argument-splitting rules, the ones CommandLineToArgvW and the
// C runtime apply: argument 0 ends at the next quote (when quoted) or blank, without escapes;
// later arguments honour quotes, and backslashes only matter before a quote (2n -> n and the
// quote toggles quoting; 2n+1 -> n and a literal quote). Used where the system splitter is not
// available (native builds, fuzzing); tests check that it agrees with the system on what
// CommandLine::Render produces.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace base {

std::vector<std::wstring> SplitCommandLineText(std::wstring_view text);

}  // namespace base
