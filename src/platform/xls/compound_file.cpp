// An OLE2 compound file (MS-CFB version 3) holding one stream, which is all a workbook needs.
//
// Written: the header, the directory (the root entry, the stream's entry, two unused entries),
// the mini FAT and the mini stream for a stream under the 4,096-byte cut-off, the stream's own
// sectors otherwise, the FAT, and DIFAT sectors once more than the header's 109 FAT sectors are
// needed. Every sector is padded with zeros to its 512 bytes.
// Left out, because one stream in the root needs none of it: storages and further streams (so
// no red-black tree to balance: a single child is the tree, coloured black), property-set
// streams (a reader asks nothing of them), class IDs and timestamps (all zero, which the format
// allows), version 4's 4,096-byte sectors, and changing a file in place.
//
// Sector order: the directory, the mini FAT, the stream's (or mini stream's) sectors in one run,
// then the FAT and the DIFAT sectors, whose number depends on everything before them.

#include "platform/xls/compound_file.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace brivo {
namespace {

constexpr std::size_t kSectorSize = 512;
constexpr std::size_t kMiniSectorSize = 64;
constexpr std::size_t kMiniStreamCutoff = 4096;
constexpr std::size_t kEntriesPerSector = kSectorSize / 4;  // of the FAT and the mini FAT
constexpr std::size_t kHeaderDifatEntries = 109;
constexpr std::size_t kDirectoryEntrySize = 128;

constexpr uint32_t kDifSect = 0xFFFFFFFC;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSect = 0xFFFFFFFF;
constexpr uint32_t kNoStream = 0xFFFFFFFF;

constexpr std::size_t CeilDiv(std::size_t n, std::size_t d) { return (n + d - 1) / d; }

class FileBytes {
 public:
  explicit FileBytes(std::size_t sectors) : bytes_((1 + sectors) * kSectorSize, '\0') {}
  static std::size_t SectorOffset(std::size_t sector) { return (1 + sector) * kSectorSize; }

  void U16(std::size_t at, uint16_t v) {
    bytes_[at] = static_cast<char>(v & 0xFF);
    bytes_[at + 1] = static_cast<char>(v >> 8);
  }
  void U32(std::size_t at, uint32_t v) {
    U16(at, static_cast<uint16_t>(v));
    U16(at + 2, static_cast<uint16_t>(v >> 16));
  }
  void Bytes(std::size_t at, std::string_view data) {
    if (!data.empty()) std::memcpy(bytes_.data() + at, data.data(), data.size());
  }
  // `entries` as consecutive 32-bit values from sector `first` on, padded with free entries.
  void Table(std::size_t first, std::size_t sectors, const std::vector<uint32_t>& entries) {
    for (std::size_t i = 0; i < sectors * kEntriesPerSector; ++i) {
      U32(SectorOffset(first) + 4 * i, i < entries.size() ? entries[i] : kFreeSect);
    }
  }
  std::string Take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

// Each of `count` entries from `first` on points at the next; the last ends the chain.
void Chain(std::vector<uint32_t>& table, std::size_t first, std::size_t count) {
  for (std::size_t i = first; i < first + count; ++i) {
    table[i] = i + 1 < first + count ? static_cast<uint32_t>(i + 1) : kEndOfChain;
  }
}

struct Entry {
  std::u16string_view name;
  uint8_t type;  // 2 a stream, 5 the root
  uint32_t child;
  uint32_t start;
  std::size_t size;
};

void WriteEntry(FileBytes& file, std::size_t at, const Entry& entry) {
  for (std::size_t i = 0; i < entry.name.size(); ++i) file.U16(at + 2 * i, entry.name[i]);
  file.U16(at + 64, static_cast<uint16_t>(2 * (entry.name.size() + 1)));  // with the final 0
  file.U16(at + 66, static_cast<uint16_t>(entry.type | 0x0100));          // and black
  file.U32(at + 68, kNoStream);                                           // no left sibling
  file.U32(at + 72, kNoStream);                                           // no right sibling
  file.U32(at + 76, entry.child);
  file.U32(at + 116, entry.start);
  file.U32(at + 120, static_cast<uint32_t>(entry.size));  // the high half stays 0
}

void WriteUnusedEntry(FileBytes& file, std::size_t at) {
  file.U32(at + 68, kNoStream);
  file.U32(at + 72, kNoStream);
  file.U32(at + 76, kNoStream);
}

}  // namespace

std::string BuildCompoundFile(std::u16string_view name, std::string_view stream) {
  const bool mini = stream.size() < kMiniStreamCutoff;
  const std::size_t mini_sectors = mini ? CeilDiv(stream.size(), kMiniSectorSize) : 0;
  const std::size_t mini_fat_sectors = CeilDiv(mini_sectors, kEntriesPerSector);
  const std::size_t data_sectors =
      CeilDiv(mini ? mini_sectors * kMiniSectorSize : stream.size(), kSectorSize);
  const std::size_t data_first = 1 + mini_fat_sectors;
  const std::size_t fat_first = data_first + data_sectors;
  // The FAT covers every sector, its own and the DIFAT's too; each DIFAT sector lists 127 FAT
  // sectors and the next DIFAT sector.
  std::size_t fat_sectors = 0, difat_sectors = 0;
  for (;;) {
    const std::size_t fat = CeilDiv(fat_first + fat_sectors + difat_sectors, kEntriesPerSector);
    const std::size_t difat =
        fat > kHeaderDifatEntries ? CeilDiv(fat - kHeaderDifatEntries, kEntriesPerSector - 1) : 0;
    if (fat == fat_sectors && difat == difat_sectors) break;
    fat_sectors = fat;
    difat_sectors = difat;
  }
  const std::size_t difat_first = fat_first + fat_sectors;
  FileBytes file(difat_first + difat_sectors);

  file.Bytes(0, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
  file.U16(24, 0x003E);  // minor version
  file.U16(26, 0x0003);  // major version
  file.U16(28, 0xFFFE);  // little-endian
  file.U16(30, 9);       // 512-byte sectors
  file.U16(32, 6);       // 64-byte mini sectors
  file.U32(44, static_cast<uint32_t>(fat_sectors));
  file.U32(48, 0);  // the directory's first sector
  file.U32(56, static_cast<uint32_t>(kMiniStreamCutoff));
  file.U32(60, mini_fat_sectors > 0 ? 1 : kEndOfChain);
  file.U32(64, static_cast<uint32_t>(mini_fat_sectors));
  file.U32(68, difat_sectors > 0 ? static_cast<uint32_t>(difat_first) : kEndOfChain);
  file.U32(72, static_cast<uint32_t>(difat_sectors));
  std::vector<uint32_t> difat;
  for (std::size_t i = 0; i < fat_sectors; ++i)
    difat.push_back(static_cast<uint32_t>(fat_first + i));
  for (std::size_t i = 0; i < kHeaderDifatEntries; ++i) {
    file.U32(76 + 4 * i, i < difat.size() ? difat[i] : kFreeSect);
  }
  for (std::size_t k = 0; k < difat_sectors; ++k) {
    std::vector<uint32_t> entries;
    for (std::size_t i = 0; i < kEntriesPerSector - 1; ++i) {
      const std::size_t at = kHeaderDifatEntries + k * (kEntriesPerSector - 1) + i;
      entries.push_back(at < difat.size() ? difat[at] : kFreeSect);
    }
    entries.push_back(k + 1 < difat_sectors ? static_cast<uint32_t>(difat_first + k + 1)
                                            : kEndOfChain);
    file.Table(difat_first + k, 1, entries);
  }

  std::vector<uint32_t> fat((difat_first + difat_sectors), kFreeSect);
  Chain(fat, 0, 1);
  Chain(fat, 1, mini_fat_sectors);
  Chain(fat, data_first, data_sectors);
  for (std::size_t i = fat_first; i < difat_first; ++i) fat[i] = kFatSect;
  for (std::size_t i = difat_first; i < fat.size(); ++i) fat[i] = kDifSect;
  file.Table(fat_first, fat_sectors, fat);

  std::vector<uint32_t> mini_fat(mini_sectors);
  Chain(mini_fat, 0, mini_sectors);
  file.Table(1, mini_fat_sectors, mini_fat);

  const uint32_t data_start = data_sectors > 0 ? static_cast<uint32_t>(data_first) : kEndOfChain;
  const std::size_t directory = FileBytes::SectorOffset(0);
  WriteEntry(
      file, directory,
      {u"Root Entry", 5, 1, mini ? data_start : kEndOfChain, mini_sectors * kMiniSectorSize});
  WriteEntry(file, directory + kDirectoryEntrySize,
             {name, 2, kNoStream,
              stream.empty() ? kEndOfChain
              : mini         ? 0
                             : data_start,
              stream.size()});
  WriteUnusedEntry(file, directory + 2 * kDirectoryEntrySize);
  WriteUnusedEntry(file, directory + 3 * kDirectoryEntrySize);
  file.Bytes(FileBytes::SectorOffset(data_first), stream);
  return file.Take();
}

}  // namespace brivo
