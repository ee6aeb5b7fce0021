// korvo directory: the operators' hand on the membership directory. The
// commands act with the database's own authority (whoever can open the
// database may run them), so they are how the first accounts and the
// writer right come to exist. Passwords are read from a terminal prompt or
// standard input, never from the command line.
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/host_scope.h"
#include "platform/membership/attribute_kinds.h"
#include "platform/membership/criteria.h"
#include "platform/membership/directory.h"
#include "platform/membership/new_entry.h"
#include "platform/runtime/error.h"
#include "registration/register_all.h"
#include "tools/korvo/commands.h"
#include "tools/korvo/database_options.h"
#include "tools/korvo/password_prompt.h"

namespace korvo::tool {

namespace {

constexpr const char* kSource = "korvo directory";

struct DirectoryOptions {
  DatabaseOptions database;
  std::string userId;
  std::vector<std::string> attributes;  // NAME=VALUE, a name repeated for several values
  std::vector<std::string> cleared;     // attribute names to remove
  std::string writer;                   // "yes" / "no" / "" (unchanged)
  std::vector<std::string> where;       // search criteria
  int role = 0;                         // 0: any
};

using membership::Directory;

rt::Variant TextArray(const std::vector<std::string>& texts) {
  std::vector<rt::Variant> items(texts.begin(), texts.end());
  return rt::Variant(rt::Array(std::move(items)));
}

// NAME=VALUE options as the parallel arrays CreateUser takes, the values of
// a repeated name gathered in order.
std::pair<rt::Variant, rt::Variant> AttributeArrays(const std::vector<std::string>& options) {
  std::vector<std::string> names;
  std::map<std::string, std::vector<std::string>> values;
  for (const auto& option : options) {
    const auto equals = option.find('=');
    if (equals == std::string::npos)
      throw CLI::ValidationError("--attr", "expects NAME=VALUE: " + option);
    const std::string name = option.substr(0, equals);
    if (!values.count(name)) names.push_back(name);
    values[name].push_back(option.substr(equals + 1));
  }
  std::vector<rt::Variant> valueItems;
  for (const auto& name : names) valueItems.push_back(TextArray(values[name]));
  return {TextArray(names), rt::Variant(rt::Array(std::move(valueItems)))};
}

std::string NewPassword(const std::string& userId) {
  auto password = ReadPassword("New password for " + userId + ": ", true);
  if (!password || password->empty())
    rt::Raise(rt::errnum::kInvalidProcedureCall, "no password given, or the two differ");
  return *password;
}

// Runs `work` on the configured directory in one transaction.
int Run(const DirectoryOptions& options, const std::function<void(Directory&)>& work) {
  try {
    registration::RegisterAll();
    ApplyDatabaseOptions(options.database);
    host::HostScope scope;
    auto directory = Directory::Open();
    work(*directory);
    scope.End();
    return 0;
  } catch (const CLI::ValidationError& usage) {
    std::cerr << "korvo directory: " << usage.what() << "\n";
    return 2;
  } catch (...) {
    std::cerr << "korvo directory: " << rt::CurrentError().Description << "\n";
    return 1;
  }
}

void SetWriter(Directory& directory, const DirectoryOptions& options) {
  if (options.writer.empty()) return;
  directory.Backend().SetWriterRight(options.userId, options.writer == "yes");
}

void Add(Directory& directory, const DirectoryOptions& options) {
  membership::RequireValidUserId(options.userId, kSource);
  const auto [names, values] = AttributeArrays(options.attributes);
  const membership::Entry entry = membership::NewEntry(options.userId, names, values, kSource);
  directory.Backend().Create(entry, NewPassword(options.userId));
  SetWriter(directory, options);
  std::cout << "korvo directory: added " << options.userId << "\n";
}

void Show(Directory& directory, const DirectoryOptions& options) {
  const membership::Entry entry = directory.LoadUser(options.userId, kSource);
  std::cout << "UserID: " << entry.userId << "\n";
  std::cout << "Writer: " << (directory.Backend().HoldsWriterRight(entry.userId) ? "yes" : "no") << "\n";
  for (const auto& attribute : entry.attributes) {
    for (const auto& value : attribute.values) std::cout << attribute.name << ": " << value << "\n";
  }
}

void Change(Directory& directory, const DirectoryOptions& options) {
  directory.LoadUser(options.userId, kSource);
  const auto [names, values] = AttributeArrays(options.attributes);
  for (const auto& attribute : membership::NewEntry(options.userId, names, values, kSource).attributes) {
    directory.Backend().ReplaceAttribute(options.userId, attribute.name, attribute.values);
  }
  for (const auto& name : options.cleared) {
    if (!membership::IsValidAttributeName(name))
      throw CLI::ValidationError("--clear", "not an attribute name: " + name);
    directory.Backend().ReplaceAttribute(options.userId, name, {});
  }
  SetWriter(directory, options);
  std::cout << "korvo directory: changed " << options.userId << "\n";
}

void List(Directory& directory, const DirectoryOptions& options) {
  membership::SearchRequest request;
  request.criteria = membership::ReadCriteria(TextArray(options.where), kSource);
  if (options.role != 0) {
    request.criteria.push_back(
        {"KorvoRole", membership::Comparison::Equal, std::to_string(options.role)});
  }
  for (const auto& id : directory.Backend().Search(request).userIds) std::cout << id << "\n";
}

void Delete(Directory& directory, const DirectoryOptions& options) {
  directory.DeleteUser(options.userId, kSource);
  std::cout << "korvo directory: deleted " << options.userId << "\n";
}

void Password(Directory& directory, const DirectoryOptions& options) {
  directory.LoadUser(options.userId, kSource);
  directory.SetPassword(options.userId, NewPassword(options.userId), kSource);
  std::cout << "korvo directory: password of " << options.userId << " set\n";
}

using Action = void (*)(Directory&, const DirectoryOptions&);

CLI::App* AddAction(CLI::App& parent, const char* name, const char* help, Action action, int& exitCode,
                    const std::shared_ptr<DirectoryOptions>& options) {
  auto* command = parent.add_subcommand(name, help);
  AddDatabaseOptions(*command, options->database);
  command->callback([options, action, &exitCode] {
    exitCode = Run(*options, [&](Directory& directory) { action(directory, *options); });
  });
  return command;
}

void AddUserArgument(CLI::App& command, DirectoryOptions& options) {
  command.add_option("USERID", options.userId, "The user's ID")->required();
}

void AddAttributeOptions(CLI::App& command, DirectoryOptions& options) {
  command.add_option("--attr", options.attributes,
                     "An attribute value NAME=VALUE; repeat a name for several values");
  command
      .add_option("--writer", options.writer,
                  "Grant (yes) or withdraw (no) the directory's writer right")
      ->check(CLI::IsMember({"yes", "no"}));
}

}  // namespace

void AddDirectoryCommand(CLI::App& program, int& exitCode) {
  auto options = std::make_shared<DirectoryOptions>();
  auto* directory =
      program.add_subcommand("directory", "Add, show, change, list and delete directory users");
  directory->require_subcommand(1);

  auto* add =
      AddAction(*directory, "add", "Add a user; the password is read from a prompt or standard input",
                &Add, exitCode, options);
  AddUserArgument(*add, *options);
  AddAttributeOptions(*add, *options);

  AddUserArgument(*AddAction(*directory, "show", "Show a user's attributes", &Show, exitCode, options),
                  *options);

  auto* change =
      AddAction(*directory, "change", "Replace or remove attributes, grant or withdraw the writer right",
                &Change, exitCode, options);
  AddUserArgument(*change, *options);
  AddAttributeOptions(*change, *options);
  change->add_option("--clear", options->cleared, "Remove an attribute");

  auto* list = AddAction(*directory, "list", "List user IDs, in order", &List, exitCode, options);
  list->add_option("--where", options->where, "A criterion NAME=VALUE or NAME>=VALUE; all must hold");
  list->add_option("--role", options->role,
                   "Only holders of this role code (2 buyer, 4 approver, 6 supplier)");

  AddUserArgument(*AddAction(*directory, "delete", "Delete a user", &Delete, exitCode, options),
                  *options);
  AddUserArgument(
      *AddAction(*directory, "password", "Set a user's password, read from a prompt or standard input",
                 &Password, exitCode, options),
      *options);
}

}  // namespace korvo::tool
