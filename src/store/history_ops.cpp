#include "store/history_ops.h"

#include <filesystem>
#include <fstream>
#include <string_view>

#include "platform/base/log.h"
#include "platform/base/native_file.h"
#include "store/attributes.h"
#include "store/draw_record.h"
#include "store/history_db.h"

namespace brivo::store {
namespace {

namespace fs = std::filesystem;

// The copy of the compacted file is built under this name beside the history, so that the
// rename that puts it in place stays within one file system and is atomic.
constexpr char kNewSuffix[] = ".new";

// Whether a file that SQLite would apply to the history on its next open holds anything.
Status CheckNoPendingLog(const std::string& log) {
  std::error_code ec;
  fs::file_status status = fs::symlink_status(NativePath(log), ec);
  if (status.type() == fs::file_type::not_found) return Status::Ok();
  if (ec) return Status::IoError("cannot examine " + log + ": " + ec.message());
  if (!fs::is_regular_file(status)) return Status::IoError(log + " is not a file");
  std::uintmax_t size = fs::file_size(NativePath(log), ec);
  if (ec) return Status::IoError("cannot examine " + log + ": " + ec.message());
  if (size > 0) {
    return Status::IoError(log +
                           " holds changes not yet written into the history; open and close "
                           "the history before compacting it");
  }
  return Status::Ok();
}

Status CheckNoPendingLogs(const std::string& history) {
  // A hot rollback journal belongs to the old file just as a write-ahead log does.
  for (const char* suffix : {"-wal", "-journal"}) {
    if (Status s = CheckNoPendingLog(history + suffix); !s.ok()) return s;
  }
  return Status::Ok();
}

Status RemoveIfPresent(const std::string& path) {
  std::error_code ec;
  fs::remove(NativePath(path), ec);
  if (ec) return Status::IoError("cannot delete " + path + ": " + ec.message());
  return Status::Ok();
}

Status ReplaceHistory(const std::string& history, const std::string& compacted,
                      const std::string& folder) {
  const std::string building = history + kNewSuffix;
  // A leftover of an interrupted compaction is only ever a copy.
  if (Status s = RemoveIfPresent(building); !s.ok()) return s;
  if (Status s = CopyToNewFile(compacted, building); !s.ok()) return s;
  Status status = CheckNoPendingLogs(history);
  // An empty log and its index are stale; beside the new file they would be taken for its own.
  if (status.ok()) status = RemoveIfPresent(history + "-wal");
  if (status.ok()) status = RemoveIfPresent(history + "-shm");
  if (status.ok()) status = RenameOver(building, history);
  if (!status.ok()) {
    std::error_code ec;
    fs::remove(NativePath(building), ec);
    return status;
  }
  // The history is already whole under its name, old or new; only the rename's durability is at
  // stake, so this is no failure of the compaction.
  if (Status s = SyncFolder(folder); !s.ok()) LogWarning(s.ToString());
  return Status::Ok();
}

Status CompactAndReplace(const std::string& history, const std::string& compacted) {
  if (Status s = Database::Repair(history); !s.ok()) {
    return Status::Error(s.code(), "the history is not compacted: " + s.message());
  }
  if (Status s = Database::Compact(history, compacted); !s.ok()) {
    std::error_code ec;
    fs::remove(NativePath(compacted),
               ec);  // a copy not known to be whole must not be taken for one
    return s;
  }
  std::string folder = Utf8Path(NativePath(history).parent_path());
  return ReplaceHistory(history, compacted, folder.empty() ? "." : folder);
}

}  // namespace

Status ReadNewestIssue(Recordset& snapshot, std::int64_t* issue) {
  *issue = 0;
  if (!snapshot.MoveLast().ok()) return Status::Ok();
  Status s = snapshot.GetInt("SQQH", issue);
  if (!s.ok()) *issue = 0;
  return s;
}

Status ReadOldestIssue(Recordset& snapshot, std::int64_t* issue) {
  *issue = 0;
  if (!snapshot.MoveFirst().ok()) return Status::Ok();
  Status s = snapshot.GetInt("SQQH", issue);
  if (!s.ok()) *issue = 0;
  return s;
}

Status DeleteAll(Recordset& recordset) {
  if (Status s = recordset.MoveLast(); !s.ok()) {
    if (s.code() == Status::Code::kNoCurrentRecord && recordset.RecordCount() == 0) {
      return Status::Ok();
    }
    return s;
  }
  // One step per row it had: a set that does not shrink cannot keep the loop going.
  const std::int64_t rows = recordset.RecordCount();
  for (std::int64_t i = 0; i < rows && !recordset.IsBof(); ++i) {
    if (Status s = recordset.Delete(); !s.ok()) return s;
    if (Status s = recordset.MovePrevious(); !s.ok()) return s;
  }
  if (!recordset.IsBof()) return Status::EngineError("rows remain after deleting every row");
  return Status::Ok();
}

Status CompactHistoryFiles(const std::string& program_folder) {
  const std::string history = ProgramFile(program_folder, kHistoryFileName);
  const std::string compacted = ProgramFile(program_folder, kCompactFileName);
  std::error_code ec;
  fs::file_status status = fs::status(NativePath(history), ec);
  if (status.type() == fs::file_type::not_found) {
    return Status::NotFound("there is no history " + history + " to compact");
  }
  if (!fs::is_regular_file(status)) {
    return Status::IoError("cannot compact " + history + ": it is not a file");
  }
  if (Status s = CheckNoPendingLogs(history); !s.ok()) return s;
  fs::remove(NativePath(compacted), ec);
  if (ec) {
    return Status::IoError("cannot delete the older compacted copy " + compacted + ": " +
                           ec.message());
  }
  // Reading a write-ahead-log file, even only reading, leaves an empty log and its index
  // beside it; a failed compaction takes away those it brought.
  const bool had_log = fs::exists(NativePath(history + "-wal"), ec);
  const bool had_index = fs::exists(NativePath(history + "-shm"), ec);
  Status result = CompactAndReplace(history, compacted);
  if (!result.ok()) {
    if (!had_log && fs::exists(NativePath(history + "-wal"), ec) &&
        fs::file_size(NativePath(history + "-wal"), ec) == 0) {
      fs::remove(NativePath(history + "-wal"), ec);
    }
    if (!had_index && !fs::exists(NativePath(history + "-wal"), ec))
      fs::remove(NativePath(history + "-shm"), ec);
  }
  return result;
}

Status SetAsideHistoryFile(const std::string& path, const std::string& stem, std::string* kept) {
  const fs::path folder = NativePath(path).parent_path();
  std::error_code ec;
  std::string name = Utf8Path(folder / NativePath(stem + ".mdb"));
  for (int n = 2; fs::exists(NativePath(name), ec) || fs::exists(NativePath(name + "-wal"), ec);
       ++n) {
    name = Utf8Path(folder / NativePath(stem + "-" + std::to_string(n) + ".mdb"));
  }
  // The logs first, so that no log ever lies beside a file it does not belong to.
  for (const char* suffix : {"-wal", "-journal"}) {
    if (!fs::exists(NativePath(path + suffix), ec)) continue;
    fs::rename(NativePath(path + suffix), NativePath(name + suffix), ec);
    if (ec) return Status::IoError("cannot rename " + path + suffix + ": " + ec.message());
  }
  fs::rename(NativePath(path), NativePath(name), ec);
  if (ec) return Status::IoError("cannot rename " + path + ": " + ec.message());
  fs::remove(NativePath(path + "-shm"), ec);
  *kept = name;
  return Status::Ok();
}

FileKind DetectFileKind(const std::string& path) {
  std::error_code ec;
  fs::file_status status = fs::status(NativePath(path), ec);
  if (status.type() == fs::file_type::not_found) return FileKind::kMissing;
  if (!fs::is_regular_file(status)) return FileKind::kOther;
  std::ifstream in(NativePath(path), std::ios::binary);
  char header[19] = {};
  in.read(header, sizeof header);
  const std::string_view read(header, static_cast<std::size_t>(in.gcount()));
  if (read.substr(0, 16) == std::string_view("SQLite format 3\0", 16)) return FileKind::kSqlite;
  if (read.size() == sizeof header) {
    const std::string_view name = read.substr(4, 15);
    if (name == "Standard Jet DB" || name == "Standard ACE DB") return FileKind::kAccess;
  }
  return FileKind::kOther;
}

}  // namespace brivo::store
