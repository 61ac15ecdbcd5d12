#include "app/failure_reason.h"

namespace brivo {

std::string FailureReason(const Status& status) {
  std::string reason;
  switch (status.code()) {
    case Status::Code::kDiskFull:
      reason = "磁盘空间不足。";
      break;
    case Status::Code::kBusy:
      reason = "历史数据库正被其他程序使用，请关闭该程序后再试。";
      break;
    case Status::Code::kCorruption:
      reason = "历史数据库文件已损坏。";
      break;
    case Status::Code::kNotHistory:
      reason = "该文件不是本程序的历史数据库。";
      break;
    case Status::Code::kIoError:
    case Status::Code::kNotFound:
      reason = "无法读写文件（文件夹可能是只读的，或没有权限）。";
      break;
    default:
      break;
  }
  return reason + "（" + status.message() + "）";
}

}  // namespace brivo
