#include "crash/report_info_stream.h"

#include <cstring>

namespace crash {

namespace {

constexpr size_t kDumpHeaderSize = 32;
constexpr size_t kDirectoryEntrySize = 12;
constexpr size_t kStreamDirectoryRvaOffset = 12;
constexpr size_t kStreamCountOffset = 8;
constexpr size_t kAnnotationsRvaOffset = 40;

void PutU32(std::vector<uint8_t>& out, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}
void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
  out.resize(out.size() + 4);
  PutU32(out, out.size() - 4, value);
}
uint32_t GetU32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

}  // namespace

std::vector<uint8_t> BuildReportInfoStream(const uint8_t report_id[16], const uint8_t client_id[16],
                                           const Annotations& annotations) {
  const uint32_t count = static_cast<uint32_t>(annotations.size());
  std::vector<uint8_t> strings;
  std::vector<uint32_t> string_offsets;
  for (const auto& [key, value] : annotations) {
    for (const std::string* text : {&key, &value}) {
      string_offsets.push_back(static_cast<uint32_t>(strings.size()));
      AppendU32(strings, static_cast<uint32_t>(text->size()));
      strings.insert(strings.end(), text->begin(), text->end());
      strings.push_back(0);
    }
  }

  std::vector<uint8_t> stream;
  AppendU32(stream, kReportInfoStreamVersion);
  stream.insert(stream.end(), report_id, report_id + 16);
  stream.insert(stream.end(), client_id, client_id + 16);
  AppendU32(stream, static_cast<uint32_t>(4 + 8 * count + strings.size()));
  AppendU32(stream, kReportInfoDictionaryOffset);
  AppendU32(stream, 0);  // module list: none
  AppendU32(stream, 0);
  AppendU32(stream, count);
  for (uint32_t offset : string_offsets) AppendU32(stream, offset);
  stream.insert(stream.end(), strings.begin(), strings.end());
  return stream;
}

bool RebaseReportInfoStream(DumpFileAccess& file, size_t annotation_count) {
  uint8_t header[kDumpHeaderSize];
  if (!file.ReadAt(0, header, sizeof(header))) return false;
  const uint32_t stream_count = GetU32(header + kStreamCountOffset);
  const uint32_t directory = GetU32(header + kStreamDirectoryRvaOffset);

  uint64_t stream_rva = 0;
  bool found = false;
  for (uint32_t i = 0; i < stream_count && !found; ++i) {
    uint8_t entry[kDirectoryEntrySize];
    if (!file.ReadAt(directory + uint64_t{i} * kDirectoryEntrySize, entry, sizeof(entry))) return false;
    if (GetU32(entry) == kReportInfoStreamType) {
      stream_rva = GetU32(entry + 8);
      found = true;
    }
  }
  if (!found) return false;

  uint8_t fixed[kReportInfoDictionaryOffset];
  if (!file.ReadAt(stream_rva, fixed, sizeof(fixed))) return false;
  if (GetU32(fixed + kAnnotationsRvaOffset) != kReportInfoDictionaryOffset) return false;
  const uint64_t dictionary = stream_rva + kReportInfoDictionaryOffset;
  if (dictionary > UINT32_MAX) return false;
  uint8_t rva[4];
  for (int i = 0; i < 4; ++i) rva[i] = static_cast<uint8_t>(dictionary >> (8 * i));
  if (!file.WriteAt(stream_rva + kAnnotationsRvaOffset, rva, sizeof(rva))) return false;

  uint8_t count_bytes[4];
  if (!file.ReadAt(dictionary, count_bytes, sizeof(count_bytes))) return false;
  if (GetU32(count_bytes) != annotation_count) return false;

  std::vector<uint8_t> entries(8 * annotation_count);
  if (entries.empty()) return true;
  if (!file.ReadAt(dictionary + 4, entries.data(), entries.size())) return false;
  const uint64_t strings = dictionary + 4 + entries.size();
  for (size_t offset = 0; offset < entries.size(); offset += 4) {
    uint64_t absolute = strings + GetU32(entries.data() + offset);
    if (absolute > UINT32_MAX) return false;
    PutU32(entries, offset, static_cast<uint32_t>(absolute));
  }
  return file.WriteAt(dictionary + 4, entries.data(), entries.size());
}

}  // namespace crash
