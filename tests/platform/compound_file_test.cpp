// The compound-file writer read back by an independent reader (python3-olefile, through
// read_cfb.py): the directory, the header's sector counts and every byte of the stream, at the
// sizes where the layout changes and at random sizes.

#include "platform/xls/compound_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "testing/cfb_reader.h"
#include "testing/temp_dir.h"

namespace brivo {
namespace {

using testing::TempDir;

constexpr std::size_t kSector = 512;
// A stream of n sectors takes n + 1 (the directory) + f (the FAT) + d (the DIFAT) sectors, all
// of which f FAT sectors of 128 entries must map; the header lists 109 FAT sectors, each DIFAT
// sector 127 more.
constexpr std::size_t kLargestWithOneFatSector = (128 - 1 - 1) * kSector;
constexpr std::size_t kLargestWithoutDifat = (109 * 128 - 1 - 109) * kSector;  // 7,087,104
constexpr std::size_t kLargestWithOneDifatSector = (236 * 128 - 1 - 236 - 1) * kSector;

std::string RandomBytes(std::size_t size, std::mt19937& random) {
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// Writes `stream` in a compound file and reads it back; `fat`, `difat` and `mini_fat` are the
// sector counts the header must give, or -1 for any.
void ExpectReadBack(const std::string& stream, int fat = -1, int difat = -1, int mini_fat = -1) {
  TempDir dir;
  const std::string path = dir.File("book.xls");
  testing::WriteFileBytes(path, BuildCompoundFile(u"Workbook", stream));
  const auto reading = testing::ReadCompoundFile(path, "Workbook");
  ASSERT_TRUE(reading.has_value());
  // The root's own stream is the mini stream: whole 64-byte mini sectors of a small stream.
  const std::size_t mini_stream = stream.size() < 4096 ? (stream.size() + 63) / 64 * 64 : 0;
  EXPECT_EQ(reading->entries,
            (std::vector<std::string>{"\"Root Entry\"\t5\t" + std::to_string(mini_stream),
                                      "\"Workbook\"\t2\t" + std::to_string(stream.size())}));
  if (fat >= 0) {
    EXPECT_EQ(reading->fat_sectors, fat);
  }
  if (difat >= 0) {
    EXPECT_EQ(reading->difat_sectors, difat);
  }
  if (mini_fat >= 0) {
    EXPECT_EQ(reading->mini_fat_sectors, mini_fat);
  }
  ASSERT_EQ(reading->stream.size(), stream.size());
  const auto [read, written] =
      std::mismatch(reading->stream.begin(), reading->stream.end(), stream.begin());
  EXPECT_TRUE(read == reading->stream.end())
      << "first different byte at " << (read - reading->stream.begin());
}

TEST(CompoundFileTest, SizesWhereTheLayoutChanges) {
  struct Row {
    const char* name;
    std::size_t size;
    int fat, difat, mini_fat;
  };
  const Row rows[] = {
      {"empty", 0, 1, 0, 0},
      {"one_byte", 1, 1, 0, 1},
      {"one_mini_sector", 64, 1, 0, 1},
      {"one_mini_sector_and_a_byte", 65, 1, 0, 1},
      {"sixty_three_mini_sectors", 4032, 1, 0, 1},
      {"largest_in_the_mini_stream", 4095, 1, 0, 1},
      {"smallest_in_sectors_of_its_own", 4096, 1, 0, 0},
      {"cut_off_and_a_byte", 4097, 1, 0, 0},
      {"largest_with_one_fat_sector", kLargestWithOneFatSector, 1, 0, 0},
      {"smallest_with_two_fat_sectors", kLargestWithOneFatSector + 1, 2, 0, 0},
      {"largest_without_difat_sectors", kLargestWithoutDifat, 109, 0, 0},
      {"one_sector_less", kLargestWithoutDifat - kSector, 109, 0, 0},
      {"smallest_with_a_difat_sector", kLargestWithoutDifat + 1, 110, 1, 0},
      {"largest_with_one_difat_sector", kLargestWithOneDifatSector, 236, 1, 0},
      {"smallest_with_two_difat_sectors", kLargestWithOneDifatSector + 1, 237, 2, 0},
  };
  std::mt19937 random(7);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ExpectReadBack(RandomBytes(row.size, random), row.fat, row.difat, row.mini_fat);
  }
}

// Sizes spread evenly over their logarithm up to 2 MB, so that small streams are as frequent as
// large ones.
TEST(CompoundFileTest, RandomStreamSizesReadBackEqual) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> log_size(0, std::log(2 << 20));
  for (int i = 0; i < 25; ++i) {
    const auto size = static_cast<std::size_t>(std::exp(log_size(random))) - 1;
    SCOPED_TRACE("size " + std::to_string(size));
    ExpectReadBack(RandomBytes(size, random));
  }
}

}  // namespace
}  // namespace brivo
