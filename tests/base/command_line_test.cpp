#include "base/command_line.h"

#include <gtest/gtest.h>

#include "base/random.h"

namespace base {
namespace {

TEST(CommandLineTest, PrefixesValuesAndSemiSilent) {
  CommandLine line = CommandLine::FromString(
      L"\"C:\\dir\\lite installer.exe\" /silent -brand-name=auto --distr-info-params=a=1&b=2 plain --empty= "
      L"\"--quoted=with space\"");
  EXPECT_EQ(line.GetProgram(), L"C:\\dir\\lite installer.exe");
  EXPECT_TRUE(line.HasSwitch("silent"));
  EXPECT_EQ(line.GetSwitchValue("brand-name"), L"auto");
  EXPECT_EQ(line.GetSwitchValue("distr-info-params"), L"a=1&b=2");  // only the first "=" separates
  EXPECT_TRUE(line.HasSwitch("empty"));
  EXPECT_EQ(line.GetSwitchValue("empty"), L"");
  EXPECT_EQ(line.GetSwitchValue("quoted"), L"with space");
  EXPECT_FALSE(line.HasSwitch("plain"));
  EXPECT_EQ(line.switches().size(), 5u);

  CommandLine semi = CommandLine::FromString(L"x.exe --semi-silent");
  EXPECT_TRUE(semi.HasSwitch("silent"));
  EXPECT_TRUE(semi.HasSwitch("uac-enabled"));
}

TEST(CommandLineTest, EditingKeepsOrderAndUniqueNames) {
  CommandLine line = CommandLine::FromString(L"x.exe --a=1 --b --c=3");
  line.AppendSwitch("a", L"9");
  line.RemoveSwitch("b");
  line.SetSwitch("d", true);
  line.SetSwitch("c", false);
  line.SetProgram(L"y.exe");
  EXPECT_EQ(line.Render(), L"\"y.exe\" --a=9 --d");
  EXPECT_EQ(line.RenderArguments(), L"--a=9 --d");
}

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
  }
}

}  // namespace
}  // namespace base
