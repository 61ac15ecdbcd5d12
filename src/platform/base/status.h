#pragma once

#include <string>
#include <string_view>

namespace brivo {

// The result of an operation that can fail: a code and a message for the log.
// The caller decides whether a failure is shown, logged or skipped.
class [[nodiscard]] Status {
 public:
  enum class Code {
    kOk,
    kInvalidArgument,  // bad input: a value out of range, a statement that cannot be translated
    kNotFound,         // a missing file, table, column or row
    kNoCurrentRecord,  // a recordset read or move beyond its rows
    kReadOnly,         // a write through a read-only recordset
    kNotHistory,       // a file that is not a history database
    kCorruption,       // a damaged database file
    kIoError,          // the file system refused
    kDiskFull,         // no room left on the disk
    kBusy,             // another program holds the database locked
    kInUse,            // another program holds a file open that Windows will not replace
    kEngineError,      // any other failure reported by the database engine
  };

  Status() = default;
  static Status Ok() { return Status(); }
  static Status Error(Code code, std::string message) { return Status(code, std::move(message)); }
  static Status InvalidArgument(std::string m) {
    return Error(Code::kInvalidArgument, std::move(m));
  }
  static Status NotFound(std::string m) { return Error(Code::kNotFound, std::move(m)); }
  static Status NoCurrentRecord() { return Error(Code::kNoCurrentRecord, "no current record"); }
  static Status ReadOnly(std::string m) { return Error(Code::kReadOnly, std::move(m)); }
  static Status NotHistory(std::string m) { return Error(Code::kNotHistory, std::move(m)); }
  static Status Corruption(std::string m) { return Error(Code::kCorruption, std::move(m)); }
  static Status IoError(std::string m) { return Error(Code::kIoError, std::move(m)); }
  static Status EngineError(std::string m) { return Error(Code::kEngineError, std::move(m)); }
  // A failed system call: `what` and the system's text for `error`; a full disk is kDiskFull,
  // anything else kIoError.
  static Status FromErrno(const std::string& what, int error);

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }
  // "ok", or the code's name and the message, for the log.
  std::string ToString() const;

 private:
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}
  Code code_ = Code::kOk;
  std::string message_;
};

}  // namespace brivo
