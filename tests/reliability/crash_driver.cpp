// Runs one command of the real main window on a program folder, for the crash and fault tests.
//
//   brivo_crash_driver FOLDER import FILE      the text import of FILE
//   brivo_crash_driver FOLDER truncate ISSUE   cut the history back to ISSUE and rebuild it
//   brivo_crash_driver FOLDER erase            delete the newest draw and compact
//   brivo_crash_driver FOLDER update YEAR      the online update in YEAR from a loopback server
//                                              serving the real draws kept with the tests
//   brivo_crash_driver FOLDER search           the position search, then the combination search
//   brivo_crash_driver FOLDER lock             hold a write lock on the history until stdin ends
//
// With BRIVO_KILL_AT_STEP=N in the environment the process kills itself with SIGKILL just before
// the N-th step that changes a database file during the command (the window's start is not
// counted, closing the window at the end is). Without it the command runs whole and "steps N"
// tells how many such steps it took; BRIVO_STEP_TRACE=FILE writes each step's kind and file.
// Every warning shown is printed as a line "warn: TEXT".

#include <sqlite3.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "app/frm_main.h"
#include "platform/base/clock.h"
#include "store/history_db.h"
#include "testing/fault_vfs.h"
#include "testing/history_builder.h"
#include "testing/loopback_http_server.h"
#include "testing/scripted_prompts.h"
#include "testing/temp_dir.h"
#include "testing/year_page.h"

namespace brivo {
namespace {

// The real draws of each year, newest first, as the results site lists them.
std::map<int, std::vector<store::DrawNumbers>> RealYearPages() {
  std::map<int, std::vector<store::DrawNumbers>> years;
  for (const testing::TestDraw& d : testing::RealHistory()) {
    auto& page = years[d.issue / 1000];
    page.insert(page.begin(), d.numbers);
  }
  return years;
}

// Holds a write transaction on the history until standard input ends.
int HoldLock(const std::string& folder) {
  sqlite3* db = nullptr;
  const std::string path = store::ProgramFile(folder, store::kHistoryFileName);
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
      sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
    std::cerr << "cannot lock " << path << ": " << sqlite3_errmsg(db) << "\n";
    sqlite3_close(db);
    return 2;
  }
  std::cout << "locked" << std::endl;
  for (std::string line; std::getline(std::cin, line);) {
  }
  sqlite3_close(db);
  return 0;
}

int Usage() {
  std::cerr << "usage: brivo_crash_driver FOLDER import FILE | truncate ISSUE | erase | "
               "update YEAR | search | open | lock\n";
  return 2;
}

int Run(const std::string& folder, const std::string& command, const std::string& argument) {
  if (command == "lock") return HoldLock(folder);
  testing::FaultVfs::Install();
  std::unique_ptr<SettingsStore> settings = MakeSettingsStore(folder + "/settings.ini");
  FixedClock clock(2026);
  testing::ScriptedPrompts prompts;
  testing::LoopbackHttpServer server;
  if (command == "update") {
    const auto pages = RealYearPages();
    server.SetHandler([pages](const std::string& target) {
      testing::LoopbackHttpServer::Response r;
      const std::size_t at = target.find("start=");
      const int year = at == std::string::npos ? 0 : std::stoi(target.substr(at + 6, 4));
      auto it = pages.find(year);
      r.body =
          testing::YearPage(it == pages.end() ? std::vector<store::DrawNumbers>{} : it->second);
      return r;
    });
    if (!server.Start()) return 2;
    settings->Set("txtUpdateSources", "page=" + server.BaseUrl());
    clock.set_year(std::stoi(argument));
  }
  AppContext context;
  context.program_folder = folder;
  context.settings = settings.get();
  context.clock = &clock;
  context.prompts = &prompts;
  const char* trace_file = std::getenv("BRIVO_STEP_TRACE");
  auto count_steps = [trace_file] {
    testing::FaultVfs::ResetSteps();
    if (const char* kill = std::getenv("BRIVO_KILL_AT_STEP")) {
      testing::FaultVfs::KillAtStep(std::stoll(kill));
    }
    testing::FaultVfs::TraceSteps(trace_file != nullptr);
  };
  // Opening the history is the command itself when an older file is moved into its parts.
  if (command == "open") count_steps();
  auto window = std::make_unique<FrmMain>(context);
  if (command != "open") count_steps();
  auto click = [&window](const char* name) { window->findChild<QPushButton*>(name)->click(); };
  if (command == "import") {
    prompts.answers = {std::string("ok"), argument};
    click("cmdRdLst");
  } else if (command == "truncate") {
    prompts.answers = {argument, std::string("ok")};
    window->findChild<QAction*>("mnuDlzd")->trigger();
  } else if (command == "erase") {
    click("Command3");
  } else if (command == "update") {
    prompts.answers = {std::string("ok"), std::string("ok")};  // and delete the old history
    click("Command21");
  } else if (command == "open") {
  } else if (command == "search") {
    click("Command1");
    click("Command2");
  } else {
    return Usage();
  }
  // Closing the history writes its log back into the file: part of every command's steps.
  window.reset();
  std::cout << "steps " << testing::FaultVfs::Steps() << "\n";
  if (trace_file != nullptr) {
    std::ofstream out(trace_file);
    for (const std::string& step : testing::FaultVfs::Trace()) out << step << "\n";
  }
  for (const auto& shown : prompts.shown) {
    if (shown.kind == "warn") std::cout << "warn: " << shown.text << "\n";
  }
  return 0;
}

}  // namespace
}  // namespace brivo

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 3) return brivo::Usage();
  return brivo::Run(argv[1], argv[2], argc > 3 ? argv[3] : "");
}
