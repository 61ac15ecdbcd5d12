#include "app/failure_reason.h"

namespace brivo {

std::string FailureReason(const Status& status) {
  switch (status.code()) {
    case Status::Code::kDiskFull:
      return "磁盘空间不足。";
    case Status::Code::kBusy:
      return "历史数据库正被其他程序使用，请关闭该程序后再试。";
    case Status::Code::kInUse:
      return "文件正被其他程序打开（例如 Excel），请关闭该程序后再试。";
    case Status::Code::kCorruption:
      return "历史数据库文件已损坏。";
    case Status::Code::kNotHistory:
      return "该文件不是本程序的历史数据库。";
    case Status::Code::kIoError:
    case Status::Code::kNotFound:
      return "无法读写文件（文件夹可能是只读的，或没有权限）。";
    case Status::Code::kInvalidArgument:
    case Status::Code::kNoCurrentRecord:
      return "历史数据库中有无法读取的数据（可能被其他程序改动过）。";
    default:
      break;
  }
  return "数据库操作出错（详情已写入日志）。";
}

}  // namespace brivo
