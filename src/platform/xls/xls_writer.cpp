// A BIFF8 workbook: one worksheet whose numerals are number cells (RK or NUMBER, each with a
// number format showing its digits) and whose other texts are shared-string cells, put into a
// compound file of our own and written through a temporary file. The BIFF stream is laid out
// in memory first: the sheet's stream offset and the string table's index need positions known
// only after the globals are complete.

#include "platform/xls/xls_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/base/file_util.h"
#include "platform/xls/compound_file.h"
#include "platform/xls/numeric_cell.h"

namespace brivo {
namespace {

constexpr size_t kMaxRows = 65536;
constexpr size_t kMaxColumns = 256;
// Excel refuses longer cell texts (counted in UTF-16 units).
constexpr size_t kMaxTextUnits = 32767;
// Longer record data goes on in CONTINUE records.
constexpr size_t kMaxRecordData = 8224;
// Smaller streams would go to the compound file's mini stream, where Excel never puts its
// workbook; xlwt pads the same way. (The compound file itself takes any size.)
constexpr size_t kMinStreamSize = 4096;
// A string's character count and option flags, which a CONTINUE boundary must not split.
constexpr size_t kStringHeader = 3;
// The text cells' XF, after the 15 style XFs; the number formats' XFs follow it in order.
constexpr uint16_t kTextXf = 15;
// The first index of a format of our own; lower ones are Excel's built-in formats.
constexpr uint16_t kFirstFormat = 164;

enum RecordType : uint16_t {
  kBof = 0x0809,
  kEof = 0x000A,
  kCodepage = 0x0042,
  kWindow1 = 0x003D,
  kDateMode = 0x0022,
  kFont = 0x0031,
  kFormat = 0x041E,
  kXf = 0x00E0,
  kStyle = 0x0293,
  kBoundSheet = 0x0085,
  kSst = 0x00FC,
  kContinue = 0x003C,
  kExtSst = 0x00FF,
  kDimensions = 0x0200,
  kLabelSst = 0x00FD,
  kRk = 0x027E,
  kNumber = 0x0203,
  kWindow2 = 0x023E,
};

// A little-endian byte stream of BIFF records.
class BiffStream {
 public:
  void U8(uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void PatchU16(size_t at, uint16_t v) {
    bytes_[at] = static_cast<char>(static_cast<uint8_t>(v));
    bytes_[at + 1] = static_cast<char>(static_cast<uint8_t>(v >> 8));
  }
  void PatchU32(size_t at, uint32_t v) {
    PatchU16(at, static_cast<uint16_t>(v));
    PatchU16(at + 2, static_cast<uint16_t>(v >> 16));
  }

  // The length is filled in by EndRecord.
  void BeginRecord(uint16_t type) {
    record_start_ = bytes_.size();
    U16(type);
    U16(0);
  }
  void EndRecord() {
    PatchU16(record_start_ + 2, static_cast<uint16_t>(bytes_.size() - record_start_ - 4));
  }
  // Bytes the open record can still take.
  size_t RecordRoom() const { return kMaxRecordData - (bytes_.size() - record_start_ - 4); }
  // From the open record's header to the end of the stream.
  size_t RecordOffset() const { return bytes_.size() - record_start_; }

  size_t size() const { return bytes_.size(); }
  std::string& bytes() { return bytes_; }

 private:
  std::string bytes_;
  size_t record_start_ = 0;
};

struct PlacedCell {
  uint16_t row;
  uint16_t column;
  uint16_t xf;            // kTextXf for a text
  uint32_t string_index;  // of a text
  double value;           // of a number
};

// The number formats in order of first use; the k-th is shown through XF kTextXf + 1 + k.
struct Formats {
  std::map<std::pair<int, int>, uint16_t> xf;
  std::vector<NumberFormat> used;
};

struct SharedStrings {
  std::unordered_map<std::u16string, uint32_t> index;
  std::vector<const std::u16string*> texts;  // into `index`, in order of first use
  uint32_t total = 0;
};

void AppendCodePoint(std::u16string& out, uint32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// Each maximal ill-formed subsequence becomes one U+FFFD, as the Unicode standard recommends
// (and as Python's "replace" decoding does).
std::u16string DecodeUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<uint8_t>(text[i++]);
    if (lead < 0x80) {
      out.push_back(lead);
      continue;
    }
    int trail_count;
    uint32_t cp;
    // The first trailing byte's range excludes overlong forms, surrogates and values
    // beyond U+10FFFF.
    uint8_t low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      trail_count = 1;
      cp = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      trail_count = 2;
      cp = lead & 0x0Fu;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      trail_count = 3;
      cp = lead & 0x07u;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      out.push_back(u'\uFFFD');
      continue;
    }
    bool complete = true;
    for (int k = 0; k < trail_count; ++k) {
      const auto trail = i < text.size() ? static_cast<uint8_t>(text[i]) : uint8_t{0};
      if (i == text.size() || trail < low || trail > high) {
        complete = false;  // the offending byte starts the next sequence
        break;
      }
      cp = (cp << 6) | (trail & 0x3Fu);
      ++i;
      low = 0x80;
      high = 0xBF;
    }
    if (complete) {
      AppendCodePoint(out, cp);
    } else {
      out.push_back(u'\uFFFD');
    }
  }
  return out;
}

Status CollectCells(const SheetCells& cells, std::vector<PlacedCell>& placed,
                    SharedStrings& strings, Formats& formats) {
  if (cells.size() > kMaxRows) {
    return Status::InvalidArgument("a worksheet holds at most 65,536 rows, not " +
                                   std::to_string(cells.size()));
  }
  for (size_t r = 0; r < cells.size(); ++r) {
    if (cells[r].size() > kMaxColumns) {
      return Status::InvalidArgument("row " + std::to_string(r + 1) + " has " +
                                     std::to_string(cells[r].size()) +
                                     " columns; a worksheet holds at most 256");
    }
    for (size_t c = 0; c < cells[r].size(); ++c) {
      if (cells[r][c].empty()) continue;
      if (const std::optional<NumericCell> number = ParseNumericCell(cells[r][c])) {
        const NumberFormat f = number->format;
        const auto [it, inserted] =
            formats.xf.emplace(std::make_pair(f.integer_digits, f.decimals),
                               static_cast<uint16_t>(kTextXf + 1 + formats.used.size()));
        if (inserted) formats.used.push_back(f);
        placed.push_back(
            {static_cast<uint16_t>(r), static_cast<uint16_t>(c), it->second, 0, number->value});
        continue;
      }
      std::u16string text = DecodeUtf8(cells[r][c]);
      if (text.size() > kMaxTextUnits) {
        return Status::InvalidArgument("the text of row " + std::to_string(r + 1) + ", column " +
                                       std::to_string(c + 1) +
                                       " is longer than a cell's 32,767 characters");
      }
      const auto [it, inserted] =
          strings.index.emplace(std::move(text), static_cast<uint32_t>(strings.texts.size()));
      if (inserted) strings.texts.push_back(&it->first);
      ++strings.total;
      placed.push_back({static_cast<uint16_t>(r), static_cast<uint16_t>(c), kTextXf,
                        static_cast<uint32_t>(it->second), 0});
    }
  }
  return Status::Ok();
}

void WriteBof(BiffStream& s, uint16_t substream_type) {
  s.BeginRecord(kBof);
  s.U16(0x0600);  // BIFF8
  s.U16(substream_type);
  s.U16(0x0DBB);  // build and year of the Excel 97 that wrote it
  s.U16(0x07CC);
  s.U32(0);  // file history flags
  s.U32(6);  // lowest BIFF version that can read it
  s.EndRecord();
}

void WriteEof(BiffStream& s) {
  s.BeginRecord(kEof);
  s.EndRecord();
}

void WriteFont(BiffStream& s) {
  static constexpr std::u16string_view kName = u"Arial";
  s.BeginRecord(kFont);
  s.U16(200);     // 10 pt in twips
  s.U16(0);       // not italic nor struck out
  s.U16(0x7FFF);  // automatic colour
  s.U16(400);     // normal weight
  s.U16(0);       // neither superscript nor subscript
  s.U8(0);        // not underlined
  s.U8(0);        // family
  s.U8(0);        // character set
  s.U8(0);
  s.U8(static_cast<uint8_t>(kName.size()));
  s.U8(1);  // UTF-16
  for (char16_t unit : kName) s.U16(unit);
  s.EndRecord();
}

void WriteXf(BiffStream& s, uint16_t font, bool style, uint8_t attributes, uint16_t format = 0) {
  s.BeginRecord(kXf);
  s.U16(font);
  s.U16(format);                   // 0 is General
  s.U16(style ? 0xFFF5 : 0x0001);  // locked; a style has no parent, a cell's parent is Normal
  s.U8(0x20);                      // bottom-aligned
  s.U8(0);                         // not rotated
  s.U8(0);                         // not indented
  s.U8(attributes);                // which attributes differ from the parent's
  s.U32(0);                        // no borders
  s.U32(0);                        // and no fill
  s.U16(0x20C0);                   // the system's window colours
  s.EndRecord();
}

void WriteFormats(BiffStream& s, const Formats& formats) {
  for (size_t k = 0; k < formats.used.size(); ++k) {
    const std::string code = FormatCode(formats.used[k]);
    s.BeginRecord(kFormat);
    s.U16(static_cast<uint16_t>(kFirstFormat + k));
    s.U16(static_cast<uint16_t>(code.size()));
    s.U8(0);  // Latin-1
    for (char c : code) s.U8(static_cast<uint8_t>(c));
    s.EndRecord();
  }
}

// The 15 style XFs and the font choices Excel itself writes, then the text cells' XF and one
// cell XF a number format, which sets only the format (attribute flag 0x04).
void WriteXfs(BiffStream& s, const Formats& formats) {
  WriteXf(s, 0, true, 0x00);
  for (uint16_t i = 1; i < 15; ++i) {
    const uint16_t font = i <= 2 ? 1 : i <= 4 ? 2 : 0;
    WriteXf(s, font, true, 0xF4);
  }
  WriteXf(s, 0, false, 0x00);
  for (size_t k = 0; k < formats.used.size(); ++k) {
    WriteXf(s, 0, false, 0x04, static_cast<uint16_t>(kFirstFormat + k));
  }
}

// The RK form of `value` where it has one: a whole number of 30 bits, or a double whose lower
// 34 bits are zero (1.5, 0.25). RK records are 4 bytes shorter than NUMBER records.
std::optional<uint32_t> RkOf(double value) {
  constexpr double kRkLimit = 1 << 29;
  if (value >= -kRkLimit && value < kRkLimit && value == static_cast<int32_t>(value)) {
    return (static_cast<uint32_t>(static_cast<int32_t>(value)) << 2) | 0x2;
  }
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  if ((bits & 0x3FFFFFFFFull) == 0) return static_cast<uint32_t>(bits >> 32);
  return std::nullopt;
}

void WriteCell(BiffStream& s, const PlacedCell& cell) {
  const std::optional<uint32_t> rk = cell.xf == kTextXf ? std::nullopt : RkOf(cell.value);
  s.BeginRecord(cell.xf == kTextXf ? kLabelSst : rk ? kRk : kNumber);
  s.U16(cell.row);
  s.U16(cell.column);
  s.U16(cell.xf);
  if (cell.xf == kTextXf) {
    s.U32(cell.string_index);
  } else if (rk) {
    s.U32(*rk);
  } else {
    uint64_t bits;
    std::memcpy(&bits, &cell.value, sizeof bits);
    s.U32(static_cast<uint32_t>(bits));
    s.U32(static_cast<uint32_t>(bits >> 32));
  }
  s.EndRecord();
}

// Places the strings so that no header is split and no CONTINUE boundary falls inside a UTF-16
// character or surrogate pair; a CONTINUE that resumes a string starts with its flags again.
// Returns the EXTSST buckets: stream position and in-record offset of every bucket_size'th
// string.
std::vector<std::pair<uint32_t, uint16_t>> WriteSst(BiffStream& s, const SharedStrings& strings,
                                                    size_t bucket_size) {
  std::vector<std::pair<uint32_t, uint16_t>> buckets;
  s.BeginRecord(kSst);
  s.U32(strings.total);
  s.U32(static_cast<uint32_t>(strings.texts.size()));
  for (size_t i = 0; i < strings.texts.size(); ++i) {
    const std::u16string& text = *strings.texts[i];
    const bool compressed =
        std::all_of(text.begin(), text.end(), [](char16_t unit) { return unit < 0x100; });
    const uint8_t flags = compressed ? 0x00 : 0x01;
    const size_t unit_size = compressed ? 1 : 2;
    // Room for two units keeps at least one in the header's record, even next to a pair.
    if (s.RecordRoom() < kStringHeader + 2 * unit_size) {
      s.EndRecord();
      s.BeginRecord(kContinue);
    }
    if (i % bucket_size == 0) {
      buckets.emplace_back(static_cast<uint32_t>(s.size()),
                           static_cast<uint16_t>(s.RecordOffset()));
    }
    s.U16(static_cast<uint16_t>(text.size()));
    s.U8(flags);
    size_t done = 0;
    for (;;) {
      size_t count = std::min(text.size() - done, s.RecordRoom() / unit_size);
      if (done + count < text.size() && count > 0 && text[done + count - 1] >= 0xD800 &&
          text[done + count - 1] <= 0xDBFF) {
        --count;
      }
      for (size_t k = done; k < done + count; ++k) {
        if (compressed) {
          s.U8(static_cast<uint8_t>(text[k]));
        } else {
          s.U16(text[k]);
        }
      }
      done += count;
      if (done == text.size()) break;
      s.EndRecord();
      s.BeginRecord(kContinue);
      s.U8(flags);
    }
  }
  s.EndRecord();
  return buckets;
}

void WriteExtSst(BiffStream& s, size_t bucket_size,
                 const std::vector<std::pair<uint32_t, uint16_t>>& buckets) {
  s.BeginRecord(kExtSst);
  s.U16(static_cast<uint16_t>(bucket_size));
  for (const auto& [position, offset] : buckets) {
    s.U32(position);
    s.U16(offset);
    s.U16(0);
  }
  s.EndRecord();
}

std::string BuildWorkbookStream(const std::vector<PlacedCell>& cells, const SharedStrings& strings,
                                const Formats& formats) {
  BiffStream s;
  WriteBof(s, 0x0005);
  s.BeginRecord(kCodepage);
  s.U16(1200);  // UTF-16
  s.EndRecord();
  s.BeginRecord(kWindow1);
  s.U16(0x01E0);  // position and size in twips
  s.U16(0x005A);
  s.U16(0x3FCF);
  s.U16(0x2A4E);
  s.U16(0x0038);  // scroll bars and sheet tabs shown
  s.U16(0);       // active sheet
  s.U16(0);       // first visible tab
  s.U16(1);       // selected sheets
  s.U16(600);     // tab bar width, in thousandths of the window
  s.EndRecord();
  s.BeginRecord(kDateMode);
  s.U16(0);  // dates count from 1900
  s.EndRecord();
  // Readers skip font index 4, so five records give indexes 0 to 3 and 5.
  for (int i = 0; i < 5; ++i) WriteFont(s);
  WriteFormats(s, formats);
  WriteXfs(s, formats);
  s.BeginRecord(kStyle);
  s.U16(0x8000);  // built-in, on XF 0
  s.U8(0);        // Normal
  s.U8(0xFF);
  s.EndRecord();
  s.BeginRecord(kBoundSheet);
  const size_t sheet_offset_at = s.size();
  s.U32(0);
  s.U8(0);  // visible
  s.U8(0);  // worksheet
  s.U8(6);
  s.U8(0);  // Latin-1
  for (char c : std::string_view("Sheet1")) s.U8(static_cast<uint8_t>(c));
  s.EndRecord();
  // Excel's own choice of strings per EXTSST bucket, bounded by the field's width.
  const size_t bucket_size = std::clamp<size_t>(strings.texts.size() / 128 + 1, 8, 0xFFFF);
  const auto buckets = WriteSst(s, strings, bucket_size);
  WriteExtSst(s, bucket_size, buckets);
  WriteEof(s);

  s.PatchU32(sheet_offset_at, static_cast<uint32_t>(s.size()));
  WriteBof(s, 0x0010);
  uint32_t first_row = 0, end_row = 0;
  uint16_t first_column = 0, end_column = 0;
  if (!cells.empty()) {
    first_row = cells.front().row;  // cells come row by row
    end_row = cells.back().row + 1u;
    first_column = static_cast<uint16_t>(kMaxColumns - 1);
    for (const PlacedCell& cell : cells) {
      first_column = std::min(first_column, cell.column);
      end_column = std::max(end_column, static_cast<uint16_t>(cell.column + 1));
    }
  }
  s.BeginRecord(kDimensions);
  s.U32(first_row);
  s.U32(end_row);
  s.U16(first_column);
  s.U16(end_column);
  s.U16(0);
  s.EndRecord();
  for (const PlacedCell& cell : cells) WriteCell(s, cell);
  s.BeginRecord(kWindow2);
  s.U16(0x06B6);  // grid, headers, zeros, outline symbols; selected and shown
  s.U16(0);       // top row
  s.U16(0);       // left column
  s.U16(64);      // automatic grid colour
  s.U16(0);
  s.U16(0);  // zoom of the page break preview, default
  s.U16(0);  // zoom, default
  s.U32(0);
  s.EndRecord();
  WriteEof(s);
  if (s.size() < kMinStreamSize) s.bytes().resize(kMinStreamSize, '\0');
  return std::move(s.bytes());
}

}  // namespace

Status BuildXlsWorkbookStream(const SheetCells& cells, std::string* stream) {
  std::vector<PlacedCell> placed;
  SharedStrings strings;
  Formats formats;
  if (Status status = CollectCells(cells, placed, strings, formats); !status.ok()) return status;
  *stream = BuildWorkbookStream(placed, strings, formats);
  if (stream->size() > kMaxCompoundStreamSize) {
    return Status::InvalidArgument("the workbook would be larger than 2 GB");
  }
  return Status::Ok();
}

Status WriteXlsWorkbook(const std::string& path, const SheetCells& cells) {
  if (path.empty()) return Status::InvalidArgument("no file name for the workbook");
  std::string stream;
  if (Status status = BuildXlsWorkbookStream(cells, &stream); !status.ok()) return status;
  return WriteFileAtomically(path, BuildCompoundFile(u"Workbook", stream));
}

}  // namespace brivo
