// The appendix layout and the GUID marker, on buffers: read failures Wine cannot produce on a
// file, and forged fields that must never lead to a read past the end.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>

#include "distrib/msi_partner_override.h"

namespace distrib {
namespace {

constexpr wchar_t kGuidText[] = L"{00112233-4455-6677-8899-aAbBcCdDeEfF}";
const GuidBytes kMarker = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                           0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};

class MemorySource : public AppendixSource {
 public:
  explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  bool Seek(uint64_t position) override {
    position_ = position;
    return true;
  }
  bool Read(uint8_t* out, size_t size) override {
    ++reads;
    if (position_ > bytes_.size() || bytes_.size() - position_ < size) {
      out_of_bounds = true;
      return false;
    }
    if (fail_read_at == position_) return false;
    std::memcpy(out, bytes_.data() + position_, size);
    position_ += size;
    return true;
  }
  AppendixResult ReadAll(PartnerAppendix* out) { return ReadPartnerAppendix(*this, bytes_.size(), kMarker, out); }

  bool out_of_bounds = false;
  int reads = 0;
  std::optional<uint64_t> fail_read_at;

 private:
  std::vector<uint8_t> bytes_;
  uint64_t position_ = 0;
};

void PutLe(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// prefix bytes, then the appendix of the given package and signature.
std::vector<uint8_t> WithAppendix(size_t prefix, const std::vector<uint8_t>& package,
                                  const std::vector<uint8_t>& signature) {
  std::vector<uint8_t> out(prefix, 0x5A);
  out.insert(out.end(), kMarker.begin(), kMarker.end());
  PutLe(out, package.size(), 4);
  out.insert(out.end(), package.begin(), package.end());
  PutLe(out, signature.size(), 4);
  out.insert(out.end(), signature.begin(), signature.end());
  PutLe(out, prefix, 8);
  out.insert(out.end(), kMarker.begin(), kMarker.end());
  return out;
}

TEST(PartnerGuidMarkerTest, RegistryFormOnly) {
  std::optional<GuidBytes> guid = ParseRegistryGuid(kGuidText);
  ASSERT_TRUE(guid);
  EXPECT_EQ(*guid, kMarker);
  for (const wchar_t* bad : {L"", L"00112233-4455-6677-8899-AABBCCDDEEFF", L"{00112233-4455-6677-8899-AABBCCDDEEFF",
                             L"{00112233-4455-6677-8899-AABBCCDDEEFF}}", L"{00112233-4455-6677-8899_AABBCCDDEEFF}",
                             L"{0011223G-4455-6677-8899-AABBCCDDEEFF}", L"{00112233-4455-6677-88994AABBCCDDEEF}",
                             L"(00112233-4455-6677-8899-AABBCCDDEEFF)", L"{ 0112233-4455-6677-8899-AABBCCDDEEFF}"}) {
    EXPECT_FALSE(ParseRegistryGuid(bad)) << bad;
  }
}

TEST(PartnerAppendixTest, ReadsEveryFieldAndStopsAtTheFirstFailure) {
  const std::vector<uint8_t> package = {1, 2, 3, 4, 5, 6, 7};
  const std::vector<uint8_t> signature = {9, 8, 7};
  std::vector<uint8_t> file = WithAppendix(100, package, signature);
  {
    MemorySource source(file);
    PartnerAppendix appendix;
    ASSERT_EQ(source.ReadAll(&appendix), AppendixResult::kOk);
    EXPECT_EQ(appendix.package, package);
    EXPECT_EQ(appendix.signature, signature);
  }
  // A foreign tail marker stops after the first read.
  {
    std::vector<uint8_t> foreign = file;
    foreign.at(foreign.size() - 16) ^= 1;
    MemorySource source(foreign);
    PartnerAppendix appendix;
    EXPECT_EQ(source.ReadAll(&appendix), AppendixResult::kTailMismatch);
    EXPECT_EQ(source.reads, 1);
  }
  // Failed reads of the system (a locked range, a disk error; Wine does not enforce locks on
  // reads) at the trailer fields.
  const struct {
    uint64_t position;
    AppendixResult result;
  } failures[] = {
      {file.size() - 16, AppendixResult::kTailReadFailed},
      {file.size() - 24, AppendixResult::kOffsetReadFailed},
      {100 + 20 + package.size(), AppendixResult::kSignatureSizeFailed},
  };
  for (const auto& failure : failures) {
    MemorySource source(file);
    source.fail_read_at = failure.position;
    PartnerAppendix appendix;
    EXPECT_EQ(source.ReadAll(&appendix), failure.result) << failure.position;
  }
  // Room for the closing marker but not for the offset before it.
  MemorySource marker_only(std::vector<uint8_t>(kMarker.begin(), kMarker.end()));
  PartnerAppendix appendix;
  EXPECT_EQ(marker_only.ReadAll(&appendix), AppendixResult::kOffsetSeekFailed);
}

TEST(PartnerAppendixTest, ForgedFieldsAndTruncationsNeverReadPastTheEnd) {
  std::vector<uint8_t> package(300);
  for (size_t i = 0; i < package.size(); ++i) package[i] = static_cast<uint8_t>(i * 7);
  const std::vector<uint8_t> signature(256, 0x42);
  const std::vector<uint8_t> file = WithAppendix(40, package, signature);
  const size_t start = 40;
  // The fields a forger controls: the offset, both sizes.
  const size_t fields[] = {file.size() - 24, start + 16, start + 20 + package.size()};
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> forged = file;
    size_t field = fields[round % 3];
    int width = field == fields[0] ? 8 : 4;
    for (int i = 0; i < width; ++i) {
      // Mostly small changes near the true value, sometimes anything.
      if (round % 2 == 0 || i == 0) forged[field + i] = static_cast<uint8_t>(random());
    }
    MemorySource source(forged);
    PartnerAppendix appendix;
    AppendixResult result = source.ReadAll(&appendix);
    ASSERT_FALSE(source.out_of_bounds) << round;
    EXPECT_LE(appendix.package.size() + appendix.signature.size(), forged.size());
    if (forged == file) {
      EXPECT_EQ(result, AppendixResult::kOk);
    }
  }
  for (size_t size = 0; size < file.size(); ++size) {
    MemorySource source(std::vector<uint8_t>(file.begin(), file.begin() + size));
    PartnerAppendix appendix;
    EXPECT_NE(source.ReadAll(&appendix), AppendixResult::kOk) << size;
    ASSERT_FALSE(source.out_of_bounds) << size;
  }
}

}  // namespace
}  // namespace distrib
