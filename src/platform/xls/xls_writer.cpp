// A BIFF8 workbook (one worksheet of shared-string cells) in an OLE2 compound file written with
// libgsf. The BIFF stream is laid out in memory first: the sheet's stream offset and the string
// table's index need positions known only after the globals are complete.

#include "platform/xls/xls_writer.h"

#include <fcntl.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

namespace brivo {
namespace {

constexpr size_t kMaxRows = 65536;
constexpr size_t kMaxColumns = 256;
// Excel refuses longer cell texts (counted in UTF-16 units).
constexpr size_t kMaxTextUnits = 32767;
// Longer record data goes on in CONTINUE records.
constexpr size_t kMaxRecordData = 8224;
// Version 3 compound files cannot hold larger streams.
constexpr size_t kMaxStreamSize = 0x7FFFFFFF;
// Smaller streams would go to the compound file's mini stream, where Excel never puts its
// workbook; xlwt pads the same way.
constexpr size_t kMinStreamSize = 4096;
// A string's character count and option flags, which a CONTINUE boundary must not split.
constexpr size_t kStringHeader = 3;
// The first cell XF, after the 15 style XFs.
constexpr uint16_t kCellXf = 15;

enum RecordType : uint16_t {
  kBof = 0x0809,
  kEof = 0x000A,
  kCodepage = 0x0042,
  kWindow1 = 0x003D,
  kDateMode = 0x0022,
  kFont = 0x0031,
  kXf = 0x00E0,
  kStyle = 0x0293,
  kBoundSheet = 0x0085,
  kSst = 0x00FC,
  kContinue = 0x003C,
  kExtSst = 0x00FF,
  kDimensions = 0x0200,
  kLabelSst = 0x00FD,
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
  uint32_t string_index;
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
                    SharedStrings& strings) {
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
      placed.push_back(
          {static_cast<uint16_t>(r), static_cast<uint16_t>(c), static_cast<uint32_t>(it->second)});
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

void WriteXf(BiffStream& s, uint16_t font, bool style, uint8_t attributes) {
  s.BeginRecord(kXf);
  s.U16(font);
  s.U16(0);                        // the General number format
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

// The 15 style XFs and the font choices Excel itself writes, then the one cell XF.
void WriteXfs(BiffStream& s) {
  WriteXf(s, 0, true, 0x00);
  for (uint16_t i = 1; i < 15; ++i) {
    const uint16_t font = i <= 2 ? 1 : i <= 4 ? 2 : 0;
    WriteXf(s, font, true, 0xF4);
  }
  WriteXf(s, 0, false, 0x00);
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

std::string BuildWorkbookStream(const std::vector<PlacedCell>& cells,
                                const SharedStrings& strings) {
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
  WriteXfs(s);
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
  for (const PlacedCell& cell : cells) {
    s.BeginRecord(kLabelSst);
    s.U16(cell.row);
    s.U16(cell.column);
    s.U16(kCellXf);
    s.U32(cell.string_index);
    s.EndRecord();
  }
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

// Opened exclusively so that nothing else's file is reused; created with the permissions (after
// the umask) any new file gets, unlike mkstemp's 0600.
Status CreateTemporaryFile(const std::string& path, std::string& name, int& fd) {
  thread_local std::mt19937_64 random(std::random_device{}());
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = path + ".tmp-";
    for (int i = 0; i < 8; ++i) name.push_back(kDigits[random() % 36]);
    fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return Status::Ok();
    if (errno != EEXIST) {
      return Status::FromErrno("cannot create a file next to " + path, errno);
    }
  }
  return Status::IoError("cannot find an unused temporary name next to " + path);
}

// The failure an output remembers: its text, and the system's error number (libgsf's stdio
// output keeps errno as the error code).
struct OutputError {
  std::string message;
  int code = 0;
};
OutputError ErrorOf(GsfOutput* output) {
  const GError* error = output != nullptr ? gsf_output_error(output) : nullptr;
  if (error == nullptr) return {};
  return {error->message != nullptr ? error->message : "", error->code};
}

// Leaves `file` open for the caller to sync and close.
Status WriteCompoundFile(FILE* file, const std::string& name, const std::string& stream) {
  static std::once_flag gsf_ready;
  std::call_once(gsf_ready, [] { gsf_init(); });
  GsfOutput* sink = gsf_output_stdio_new_FILE(name.c_str(), file, TRUE);
  if (sink == nullptr) return Status::IoError("libgsf cannot write to " + name);
  OutputError error;
  bool written = false;
  if (GsfOutfile* ole = gsf_outfile_msole_new(sink); ole != nullptr) {
    if (GsfOutput* book = gsf_outfile_new_child(ole, "Workbook", FALSE); book != nullptr) {
      written =
          gsf_output_write(book, stream.size(), reinterpret_cast<const guint8*>(stream.data()));
      written = gsf_output_close(book) && written;
      error = ErrorOf(book);
      g_object_unref(book);
    }
    // Closing the root writes the directory and closes the sink; it also releases the root's
    // reference to itself, so it is needed even after a failure.
    written = gsf_output_close(GSF_OUTPUT(ole)) && written;
    if (error.message.empty()) error = ErrorOf(GSF_OUTPUT(ole));
    g_object_unref(ole);
  }
  if (!gsf_output_is_closed(sink)) written = gsf_output_close(sink) && written;
  // The compound writer ignores failed writes to its sink; the sink remembers them.
  const OutputError sink_error = ErrorOf(sink);
  g_object_unref(sink);
  if (!sink_error.message.empty()) error = sink_error;
  if (error.code == ENOSPC || error.code == EDQUOT)
    return Status::FromErrno("cannot write " + name, error.code);
  if (!written || !error.message.empty()) {
    return Status::IoError("cannot write " + name +
                           (error.message.empty() ? "" : ": " + error.message));
  }
  return Status::Ok();
}

Status WriteAndSync(int fd, const std::string& name, const std::string& stream) {
  FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    const int error = errno;
    close(fd);
    return Status::FromErrno("cannot write " + name, error);
  }
  Status status = WriteCompoundFile(file, name, stream);
  if (status.ok() && (fflush(file) != 0 || fsync(fileno(file)) != 0)) {
    status = Status::FromErrno("cannot write " + name, errno);
  }
  if (fclose(file) != 0 && status.ok()) {
    status = Status::FromErrno("cannot write " + name, errno);
  }
  return status;
}

// Makes the rename durable. The new workbook is already in place, so a failure is not reported.
void SyncFolderOf(const std::string& path) {
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

Status WriteXlsWorkbook(const std::string& path, const SheetCells& cells) {
  if (path.empty()) return Status::InvalidArgument("no file name for the workbook");
  std::vector<PlacedCell> placed;
  SharedStrings strings;
  if (Status status = CollectCells(cells, placed, strings); !status.ok()) return status;
  const std::string stream = BuildWorkbookStream(placed, strings);
  if (stream.size() > kMaxStreamSize) {
    return Status::InvalidArgument("the workbook would be larger than 2 GB");
  }

  std::string temporary;
  int fd = -1;
  if (Status status = CreateTemporaryFile(path, temporary, fd); !status.ok()) return status;
  Status status = WriteAndSync(fd, temporary, stream);
  if (status.ok() && rename(temporary.c_str(), path.c_str()) != 0) {
    status = Status::FromErrno("cannot replace " + path, errno);
  }
  if (!status.ok()) {
    unlink(temporary.c_str());
    return status;
  }
  SyncFolderOf(path);
  return Status::Ok();
}

}  // namespace brivo
