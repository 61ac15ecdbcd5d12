#include "testing/fault_vfs.h"

#include <sqlite3.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace brivo::testing {
namespace {

constexpr std::int64_t kNever = -1;

std::atomic<std::int64_t> steps{0};
std::atomic<std::int64_t> kill_at{kNever};
std::atomic<std::int64_t> fail_writes_from{kNever};

sqlite3_vfs* real_vfs = nullptr;
sqlite3_vfs fault_vfs;
bool installed = false;

// The file handle SQLite allocates for us: ours first, the real layer's right behind it.
struct FaultFile {
  sqlite3_file base;
  sqlite3_file* real;
  const char* name;  // SQLite keeps it alive until the file is closed; null for a temporary
};

std::mutex trace_mutex;
std::vector<std::string> trace;
bool tracing = false;

// Ends the process on the spot, as a kill or a power cut would: nothing flushed, no destructor.
void DieNow() {
#ifdef _WIN32
  TerminateProcess(GetCurrentProcess(), 137);
#else
  std::raise(SIGKILL);
#endif
}

// Counts a changing step; true when it is to fail as on a full disk.
bool Step(const char* what, const char* name) {
  if (tracing) {
    std::lock_guard lock(trace_mutex);
    const char* base = name != nullptr ? std::strrchr(name, '/') : nullptr;
    trace.push_back(std::string(what) + " " +
                    (base != nullptr   ? base + 1
                     : name != nullptr ? name
                                       : "(temporary)"));
  }
  const std::int64_t step = ++steps;
  if (step == kill_at.load()) DieNow();
  const std::int64_t fail = fail_writes_from.load();
  return fail != kNever && step >= fail;
}

sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<FaultFile*>(file)->real; }
const char* Name(sqlite3_file* file) { return reinterpret_cast<FaultFile*>(file)->name; }

int Close(sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); }
int Read(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
  return Real(f)->pMethods->xRead(Real(f), buffer, amount, offset);
}
int Write(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  if (Step("write", Name(f))) return SQLITE_FULL;
  return Real(f)->pMethods->xWrite(Real(f), buffer, amount, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
  Step("truncate", Name(f));
  return Real(f)->pMethods->xTruncate(Real(f), size);
}
int Sync(sqlite3_file* f, int flags) {
  Step("sync", Name(f));
  return Real(f)->pMethods->xSync(Real(f), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) {
  return Real(f)->pMethods->xFileSize(Real(f), size);
}
int Lock(sqlite3_file* f, int level) { return Real(f)->pMethods->xLock(Real(f), level); }
int Unlock(sqlite3_file* f, int level) { return Real(f)->pMethods->xUnlock(Real(f), level); }
int CheckReservedLock(sqlite3_file* f, int* out) {
  return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) {
  return Real(f)->pMethods->xFileControl(Real(f), op, arg);
}
int SectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int DeviceCharacteristics(sqlite3_file* f) {
  return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
}
int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
  return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); }
int ShmUnmap(sqlite3_file* f, int delete_flag) {
  return Real(f)->pMethods->xShmUnmap(Real(f), delete_flag);
}
int Fetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
  return Real(f)->pMethods->xFetch(Real(f), offset, amount, out);
}
int Unfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
  return Real(f)->pMethods->xUnfetch(Real(f), offset, page);
}

// Version 3 methods; the real layer's are version 3 as well on every unix build.
const sqlite3_io_methods kMethods = {
    3,
    Close,
    Read,
    Write,
    Truncate,
    Sync,
    FileSize,
    Lock,
    Unlock,
    CheckReservedLock,
    FileControl,
    SectorSize,
    DeviceCharacteristics,
    ShmMap,
    ShmLock,
    ShmBarrier,
    ShmUnmap,
    Fetch,
    Unfetch,
};

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out_flags) {
  auto* wrapper = reinterpret_cast<FaultFile*>(file);
  wrapper->real = reinterpret_cast<sqlite3_file*>(wrapper + 1);
  wrapper->name = name;
  const int rc = real_vfs->xOpen(real_vfs, name, wrapper->real, flags, out_flags);
  // SQLite calls xClose only on a file whose methods are set.
  wrapper->base.pMethods = wrapper->real->pMethods != nullptr ? &kMethods : nullptr;
  return rc;
}

int Delete(sqlite3_vfs*, const char* name, int sync_dir) {
  Step("delete", name);
  return real_vfs->xDelete(real_vfs, name, sync_dir);
}
int Access(sqlite3_vfs*, const char* name, int flags, int* out) {
  return real_vfs->xAccess(real_vfs, name, flags, out);
}
int FullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
  return real_vfs->xFullPathname(real_vfs, name, size, out);
}

}  // namespace

void FaultVfs::Install() {
  if (installed) return;
  real_vfs = sqlite3_vfs_find(nullptr);
  // Everything but the file handling is the real layer's own.
  std::memcpy(&fault_vfs, real_vfs, sizeof fault_vfs);
  fault_vfs.szOsFile = static_cast<int>(sizeof(FaultFile)) + real_vfs->szOsFile;
  fault_vfs.zName = "brivo-fault";
  fault_vfs.pNext = nullptr;
  fault_vfs.xOpen = Open;
  fault_vfs.xDelete = Delete;
  fault_vfs.xAccess = Access;
  fault_vfs.xFullPathname = FullPathname;
  sqlite3_vfs_register(&fault_vfs, 1);
  installed = true;
}

void FaultVfs::Uninstall() {
  if (!installed) return;
  sqlite3_vfs_unregister(&fault_vfs);
  sqlite3_vfs_register(real_vfs, 1);
  installed = false;
  ResetSteps();
}

void FaultVfs::ResetSteps() {
  std::lock_guard lock(trace_mutex);
  trace.clear();
  steps = 0;
  kill_at = kNever;
  fail_writes_from = kNever;
}

std::int64_t FaultVfs::Steps() { return steps.load(); }
void FaultVfs::KillAtStep(std::int64_t step) { kill_at = step; }
void FaultVfs::TraceSteps(bool on) { tracing = on; }
std::vector<std::string> FaultVfs::Trace() {
  std::lock_guard lock(trace_mutex);
  return trace;
}
void FaultVfs::FailWritesFromStep(std::int64_t step) { fail_writes_from = step; }

}  // namespace brivo::testing
