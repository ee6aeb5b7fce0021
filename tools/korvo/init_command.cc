// korvo init: creates or upgrades a database, optionally with demo data.
#include <iostream>
#include <memory>

#include "platform/data/schema.h"
#include "platform/runtime/error.h"
#include "registration/register_all.h"
#include "tools/korvo/commands.h"
#include "tools/korvo/database_options.h"
#include "tools/korvo/demo_data.h"

namespace korvo::tool {

namespace {

struct InitOptions {
  bool demo = false;
  DatabaseOptions database;
};

int RunInit(const InitOptions& options) {
  try {
    registration::RegisterAll();
    const std::string connection = ApplyDatabaseOptions(options.database);
    data::InitializeDatabase(connection);
    std::cout << "korvo init: database ready\n";
    if (options.demo) {
      std::cout << (LoadDemoData(connection)
                        ? "korvo init: demo data loaded\n"
                        : "korvo init: demo data not loaded, the database already holds currencies\n");
    }
    return 0;
  } catch (...) {
    std::cerr << "korvo init: " << rt::CurrentError().Description << "\n";
    return 1;
  }
}

}  // namespace

void AddInitCommand(CLI::App& program, int& exitCode) {
  auto options = std::make_shared<InitOptions>();
  auto* command = program.add_subcommand("init", "Create or upgrade a database");
  AddDatabaseOptions(*command, options->database);
  command->add_flag("--demo", options->demo,
                    "Fill it with the demo data set (home currency EUR, rates, terms)");
  command->callback([options, &exitCode] { exitCode = RunInit(*options); });
}

}  // namespace korvo::tool
