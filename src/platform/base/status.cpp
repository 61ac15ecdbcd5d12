#include "platform/base/status.h"

#include <cerrno>
#include <system_error>

namespace brivo {

std::string Status::ToString() const {
  const char* name = "ok";
  switch (code_) {
    case Code::kOk:
      return "ok";
    case Code::kInvalidArgument:
      name = "invalid argument";
      break;
    case Code::kNotFound:
      name = "not found";
      break;
    case Code::kNoCurrentRecord:
      name = "no current record";
      break;
    case Code::kReadOnly:
      name = "read-only";
      break;
    case Code::kNotHistory:
      name = "not a history database";
      break;
    case Code::kCorruption:
      name = "corruption";
      break;
    case Code::kIoError:
      name = "I/O error";
      break;
    case Code::kDiskFull:
      name = "disk full";
      break;
    case Code::kBusy:
      name = "busy";
      break;
    case Code::kInUse:
      name = "in use";
      break;
    case Code::kEngineError:
      name = "engine error";
      break;
  }
  return std::string(name) + ": " + message_;
}

Status Status::FromErrno(const std::string& what, int error) {
  std::string message = what + ": " + std::generic_category().message(error);
  bool full = error == ENOSPC;
#ifdef EDQUOT  // not on Windows, which has no disk quota errno
  full = full || error == EDQUOT;
#endif
  if (full) return Error(Code::kDiskFull, std::move(message));
  return IoError(std::move(message));
}

}  // namespace brivo
