#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A file layer under SQLite for tests: it passes every call to the system's own and counts the
// steps that change a file (a write, a truncation, a sync, a deletion). Armed, it can end the
// process with SIGKILL just before a given step, or make every write from a given step on fail as
// on a full disk. It is the default for every connection opened while it is installed.
namespace brivo::testing {

class FaultVfs {
 public:
  // Installs the layer as SQLite's default; a second install is a no-op. REQUIRES: no
  // connection is open that a later Uninstall would leave on a removed layer.
  static void Install();
  static void Uninstall();

  // Starts counting from zero; clears any armed fault.
  static void ResetSteps();
  // The changing steps seen since the last reset.
  static std::int64_t Steps();
  // Just before changing step `step` (1 = the first after the reset) the process gets SIGKILL.
  static void KillAtStep(std::int64_t step);
  // From changing step `step` on, every write fails with SQLITE_FULL and leaves the file as it
  // was, as on a full disk; the other steps go on.
  static void FailWritesFromStep(std::int64_t step);
  // With tracing on, each changing step is recorded as "write QolvexSSQ.mdb-wal" (the kind and
  // the file's name without its folder), from the last reset on.
  static void TraceSteps(bool on);
  static std::vector<std::string> Trace();
};

// Installs the layer for a scope and takes it out again; counting starts at zero.
class ScopedFaultVfs {
 public:
  ScopedFaultVfs() {
    FaultVfs::Install();
    FaultVfs::ResetSteps();
  }
  ~ScopedFaultVfs() { FaultVfs::Uninstall(); }
  ScopedFaultVfs(const ScopedFaultVfs&) = delete;
  ScopedFaultVfs& operator=(const ScopedFaultVfs&) = delete;
};

}  // namespace brivo::testing
