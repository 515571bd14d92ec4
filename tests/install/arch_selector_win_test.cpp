#include "install/arch_selector.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "base/random.h"
#include "base/registry.h"
#include "support/scratch_current_user.h"

namespace install {
namespace {

// Redirects HKEY_CURRENT_USER to a scratch key for the test's duration.
class ArchSelectorTest : public ::testing::Test {
 protected:
  std::optional<std::wstring> Stored() {
    base::RegistryKey key = base::RegistryKey::Open(HKEY_CURRENT_USER, kProductKey, KEY_READ);
    return key.valid() ? key.ReadString(L"try_x64") : std::nullopt;
  }
  test::ScratchCurrentUser hkcu_;
};

TEST_F(ArchSelectorTest, ExperimentChoosesAndStoresItsOutcome) {
  MachineFacts machine{true, 8ull << 30, true};
  ArchSelector selector;
  selector.AdjustDownloadUrl(false, "1", "4294967296", machine);
  EXPECT_EQ(selector.arch(), Arch::k64);
  selector.ConfigurateRegistry(true);
  EXPECT_EQ(Stored(), L"1");

  // The stored state now decides, whatever the parameters say.
  machine.coin = false;
  selector.AdjustDownloadUrl(false, std::nullopt, std::nullopt, machine);
  EXPECT_EQ(selector.arch(), Arch::k64);
  // A success that needed a later URL switches the experiment off for good.
  selector.ConfigurateRegistry(false);
  EXPECT_EQ(Stored(), L"2");
  selector.AdjustDownloadUrl(false, "1", "1", machine);
  EXPECT_EQ(selector.arch(), Arch::kNoChoice);
}

TEST_F(ArchSelectorTest, NoChoiceWithoutExperimentOrMemoryOr64BitSystem) {
  ArchSelector selector;
  selector.AdjustDownloadUrl(false, "1", "4294967296", {true, 1ull << 30, true});
  EXPECT_EQ(selector.arch(), Arch::kNoChoice);  // not enough memory
  selector.AdjustDownloadUrl(false, "1", "lots", {true, 8ull << 30, true});
  EXPECT_EQ(selector.arch(), Arch::kNoChoice);
  selector.AdjustDownloadUrl(false, "0", "1", {true, 8ull << 30, true});
  EXPECT_EQ(selector.arch(), Arch::kNoChoice);
  selector.AdjustDownloadUrl(true, "1", "1", {true, 8ull << 30, true});
  EXPECT_EQ(selector.arch(), Arch::kNoChoice);
  selector.AdjustDownloadUrl(false, "1", "1", {false, 8ull << 30, true});
  EXPECT_EQ(selector.arch(), Arch::kNoChoice);
  selector.AdjustDownloadUrl(false, "1", "1", {true, 8ull << 30, false});
  EXPECT_EQ(selector.arch(), Arch::k32);
  selector.ConfigurateRegistry(true);
  EXPECT_EQ(Stored(), L"0");
  ArchSelector().ConfigurateRegistry(false);  // no choice: nothing stored
  EXPECT_EQ(Stored(), L"0");
}

}  // namespace
}  // namespace install
