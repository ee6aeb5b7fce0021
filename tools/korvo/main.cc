// korvo: the library's classes by name, from a shell (call), over a pipe
// (serve --stdio), on an embedded database that sets itself up (init), and
// a guided walk for newcomers (demo).
#include <iostream>

#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>
#include <CLI/CLI.hpp>

#include "platform/data/pool.h"
#include "tools/korvo/commands.h"

int main(int argc, char** argv) {
  // Standard output carries results and protocol responses only; anything
  // that logs through spdlog's default logger goes to standard error.
  spdlog::set_default_logger(spdlog::stderr_color_st("korvo"));
  std::ios::sync_with_stdio(false);

  CLI::App program("korvo: KorvoCommon's shared master data, callable by class name", "korvo");
  program.require_subcommand(1);
  int exitCode = 0;
  korvo::tool::AddInitCommand(program, exitCode);
  korvo::tool::AddCallCommand(program, exitCode);
  korvo::tool::AddServeCommand(program, exitCode);
  korvo::tool::AddDemoCommand(program, exitCode);
  korvo::tool::AddDirectoryCommand(program, exitCode);
  try {
    program.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help answers 0; every other parse failure is a usage error.
    return program.exit(e) == 0 ? 0 : 2;
  }
  // A clean exit leaves every database file complete on its own: closing
  // the last connection folds SQLite's write-ahead log into the file.
  korvo::data::ConnectionPool::CloseAllIdle();
  return exitCode;
}
