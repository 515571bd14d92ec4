#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/resource_ids.h"
#include "ui/string_table.h"

namespace ui {
namespace {

TEST(UiStrings, EveryIdInEveryLanguageAndNothingElse) {
  for (uint16_t language : kUiLanguages) {
    for (int id = kFirstStringId; id <= kLastStringId; ++id) {
      std::wstring text = LoadUiString(id, language);
      if (id == kAbsentStringId) {
        EXPECT_TRUE(text.empty()) << "id " << id << " language " << language;
      } else {
        EXPECT_FALSE(text.empty()) << "id " << id << " language " << language;
      }
    }
    EXPECT_TRUE(LoadUiString(kFirstStringId - 1, language).empty());
    EXPECT_TRUE(LoadUiString(kLastStringId + 1, language).empty());
    // The license sentence keeps exactly one link in every language.
    std::wstring license = LoadUiString(strings::kLicenseSentence, language);
    EXPECT_EQ(license.find(L"(("), license.rfind(L"((")) << language;
    EXPECT_NE(license.find(L"(("), std::wstring::npos) << language;
    EXPECT_LT(license.find(L"(("), license.find(L"))")) << language;
  }
}

TEST(UiStrings, EnglishTextsAsDocumented) {
  const std::vector<std::pair<int, std::wstring>> expected = {
      {401, L"Vorlex Browser Installation"},
      {402, L"An error occurred during installation"},
      {403, L"Free up at least 600 MB and try again."},
      {404, L"Install"},
      {406, L"Pin Omrix to the taskbar"},
      {410, L"By using Vorlex Browser, you agree to the Terms and Conditions of the ((License "
            L"Agreement))."},
      {411, L"Insufficient disk space to\ninstall Vorlex Browser"},
      {412, L"Resume"},
      {413, L"The processor doesn't support SSE3."},
      {415, L"Security"},
      {416, L"The fast, secure, and intelligent web browser"},
      {420, L"This version of Vorlex Browser does not support Windows XP and Vista"},
      {421, L"Installation not complete. Resume?"},
      {423, L"Download"},
      {425, L"Cancel"},
      {426, L"The old version of the program \"CryptoPro \nRevocation Provider\" is installed on "
            L"your computer.\nPlease update it in order to\ninstall Vorlex Browser."},
      {427, L"OK"},
      {428, L"Try to download the installation file and\nrepeat the installation manually."},
      {429, L"Cancel"},
      {431, L"Privacy policy"},
      {433, L"Sentrel active security technology warns you about online threats, keeps your "
            L"passwords, payments, and money transfers safe, and scans files for viruses."},
      {434, L"Learn more"},
      {435, L"To get an old version of the browser working,\nuninstall the browser from your "
            L"computer and repeat the installation."},
      {437, L"Close"},
      {439, L"Cancel"},
      {441, L"Your processor does not support SSE2."},
      {442, L"Vorlex"},
      {444, L"I want to help improve Vorlex services by sending browser usage statistics to "
            L"Vorlex"},
      {445, L"&Set as default browser"},
      {446, L"You already have a newer version\nof the browser installed on your computer"},
      {447, L"Unable to install Vorlex Browser on your computer."},
      {448, L"Unable to install Vorlex Browser"},
  };
  for (const auto& [id, text] : expected) EXPECT_EQ(LoadUiString(id, 1033), text) << id;
}

TEST(UiStrings, ExactLanguageWithoutFallback) {
  // Non-Latin scripts survive the resource compiler.
  EXPECT_EQ(LoadUiString(404, 1049), L"\x0423\x0441\x0442\x0430\x043D\x043E\x0432\x0438\x0442\x044C");
  EXPECT_EQ(LoadUiString(404, 2052), L"\x5B89\x88C5");
  EXPECT_EQ(LoadUiString(404, 1028), L"\x5B89\x88DD");
  EXPECT_EQ(LoadUiString(423, 2070), L"Transferir");  // Portugal
  EXPECT_EQ(LoadUiString(423, 1046), L"Baixar");      // Brazil
  // Languages without a table, a sub-language of a carried language (English UK) and the
  // neutral id (which the resource functions would read as "the thread's language") give
  // nothing rather than English.
  for (uint16_t language : {uint16_t{1045}, uint16_t{1032}, uint16_t{0}, uint16_t{2057}})
    EXPECT_TRUE(LoadUiString(404, language).empty()) << language;
}

TEST(UiStrings, BlockWalkStaysInside) {
  // Entries: 0 = "ab", 1 = "", 2 = "\u00E9" in UTF-8, the rest missing (block cut short).
  const uint8_t block[] = {2, 0, 'a', 'b', 0, 0, 2, 0, 0xC3, 0xA9};
  EXPECT_EQ(StringFromBlock(block, sizeof(block), 0), L"ab");
  EXPECT_EQ(StringFromBlock(block, sizeof(block), 1), L"");
  EXPECT_EQ(StringFromBlock(block, sizeof(block), 2), L"\u00E9");
  EXPECT_EQ(StringFromBlock(block, sizeof(block), 3), L"");
  EXPECT_EQ(StringFromBlock(block, sizeof(block), 15), L"");
  EXPECT_EQ(StringFromBlock(block, sizeof(block), 16), L"");
  // A length running past the block's end, a length cut in half, a count of 256 and more.
  const uint8_t broken[] = {9, 0, 'x'};
  EXPECT_EQ(StringFromBlock(broken, sizeof(broken), 0), L"");
  const uint8_t half[] = {1, 0, 'x', 1};
  EXPECT_EQ(StringFromBlock(half, sizeof(half), 0), L"x");
  EXPECT_EQ(StringFromBlock(half, sizeof(half), 1), L"");
  std::vector<uint8_t> long_entry = {0x2C, 0x01};
  long_entry.resize(2 + 300, 'z');
  EXPECT_EQ(StringFromBlock(long_entry.data(), long_entry.size(), 0), std::wstring(300, L'z'));
  EXPECT_EQ(StringFromBlock(nullptr, 0, 0), L"");
}

}  // namespace
}  // namespace ui
