#include "base/command_line.h"

#include <gtest/gtest.h>

#include "base/command_line_split.h"
#include "base/random.h"

namespace base {
namespace {

// Rendering must survive CommandLineToArgvW for any value: quotes, backslash runs (also before
// a quote and at the end), blanks, "=", and empty values.
TEST(CommandLineTest, RenderRoundTripsThroughCommandLineToArgvW) {
  const wchar_t kAlphabet[] = L"ab\\\" =\t&%-/\x00e9\x4e2d";
  const size_t kAlphabetSize = sizeof(kAlphabet) / sizeof(wchar_t) - 1;
  for (int round = 0; round < 400; ++round) {
    CommandLine line;
    line.SetProgram(L"C:\\Program Files\\x\\setup.exe");
    size_t switch_count = RandomInRange(1, 5);
    for (size_t s = 0; s < switch_count; ++s) {
      std::wstring value;
      size_t length = RandomInRange(0, 12);
      for (size_t i = 0; i < length; ++i) value += kAlphabet[RandomInRange(0, kAlphabetSize - 1)];
      line.AppendSwitch("switch" + std::to_string(s), value);
    }
    std::wstring rendered = line.Render();
    CommandLine parsed = CommandLine::FromString(rendered);
    ASSERT_EQ(parsed.GetProgram(), line.GetProgram()) << rendered;
    ASSERT_EQ(parsed.switches(), line.switches()) << rendered;
    // The portable splitter reads rendered lines exactly as the system does.
    ASSERT_EQ(SplitCommandLineText(rendered), SplitCommandLine(rendered)) << rendered;
  }
}

}  // namespace
}  // namespace base

namespace base {
namespace {

// On raw text too (blanks, quotes, backslash runs), the portable splitter agrees with the system,
// except for runs of consecutive quotes, whose reading differs between Windows versions.
TEST(CommandLineTest, PortableSplitterAgreesWithTheSystem) {
  const wchar_t kAlphabet[] = L"a \t\"\\=";
  int compared = 0;
  for (int round = 0; round < 3000; ++round) {
    std::wstring text = L"prog.exe ";
    size_t length = RandomInRange(0, 14);
    for (size_t i = 0; i < length; ++i) text += kAlphabet[RandomInRange(0, 5)];
    if (text.find(L"\"\"") != std::wstring::npos) continue;
    ++compared;
    ASSERT_EQ(SplitCommandLineText(text), SplitCommandLine(text)) << text;
  }
  EXPECT_GT(compared, 1000);
}

}  // namespace
}  // namespace base
