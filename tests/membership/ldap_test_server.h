// LdapTestServer: the throw-away directory server of the test run
// (scripts/ldap-server), named by KORVO_TEST_LDAP
// ("URL=...;Root=...;Users=...;ScriptUser=...;ScriptCodeFile=...;Dir=...;
// Control=<scripts/ldap-server>"),
// and a users' subtree of its own for each test, so tests running at once
// never see each other's users. Header-only.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/membership/backend_registry.h"
#include "platform/membership/ldap/ldap_backend.h"
#include "platform/membership/ldap/ldap_connection.h"
#include "platform/membership/ldap/ldap_settings.h"
#include "support/server_options.h"

namespace korvo::testing {

// Whether this run puts the user classes' directory on the LDAP server
// (KORVO_TEST_DIRECTORY=ldap, the "ldap." runs of the directory suites).
inline bool UsersOnLdap() {
  const char* directory = std::getenv("KORVO_TEST_DIRECTORY");
  return directory && std::string(directory) == "ldap";
}

// The values of an entry's attribute (name case-blind), in order; none when
// the entry or the attribute is missing.
inline std::vector<std::string> ValuesOf(const std::optional<membership::Entry>& entry,
                                         const std::string& name) {
  if (!entry) return {};
  for (const membership::Attribute& attribute : entry->attributes) {
    if (membership::FoldCase(attribute.name) == membership::FoldCase(name)) return attribute.values;
  }
  return {};
}

// "MEMBERSHIP" settings from a map.
class MapSettings final : public membership::MembershipSettings {
 public:
  explicit MapSettings(std::map<std::string, std::string> values) : values_(std::move(values)) {}
  std::string Value(std::string_view key) const override {
    auto found = values_.find(std::string(key));
    return found == values_.end() ? std::string() : found->second;
  }
  void Set(const std::string& key, std::string value) { values_[key] = std::move(value); }

 private:
  std::map<std::string, std::string> values_;
};

class LdapTestServer {
 public:
  // The run's server, or nullopt when it has none (KORVO_TEST_LDAP unset).
  static std::optional<LdapTestServer> FromEnvironment() {
    const char* text = std::getenv("KORVO_TEST_LDAP");
    if (!text || !*text) return std::nullopt;
    return FromOptions(text);
  }

  // A server of the test's own, started with the run's server's script, for
  // tests that stop it (the run's server is shared by tests running at
  // once). Stop() removes it.
  static LdapTestServer StartPrivate(const LdapTestServer& model) {
    char directory[] = "/tmp/korvo-ldap-test.XXXXXX";
    EXPECT_NE(mkdtemp(directory), nullptr);
    chmod(directory, 0755);  // the server's account must get through
    const std::string line = "'" + model.Option("Control") + "' start '" + directory + "/server'";
    std::string options;
    if (FILE* output = popen(line.c_str(), "r")) {
      char buffer[1024];
      while (fgets(buffer, sizeof buffer, output)) options += buffer;
      EXPECT_EQ(pclose(output), 0) << "cannot start a private LDAP server";
    }
    if (!options.empty() && options.back() == '\n') options.pop_back();
    LdapTestServer server = FromOptions(options);
    server.private_ = directory;
    return server;
  }
  void Stop() const {
    if (private_.empty()) return;
    Control("stop");
    rmdir(private_.c_str());
  }

  static LdapTestServer FromOptions(const std::string& text) {
    LdapTestServer server;
    server.options_ = ServerOptions(text);
    std::ifstream code(server.options_["ScriptCodeFile"]);
    std::getline(code, server.scriptCode_);
    return server;
  }

  // The "MEMBERSHIP" settings of a users' subtree `users` (e.g. "ou=t1"),
  // with a short operation timeout.
  MapSettings Settings(const std::string& users) const {
    return MapSettings({{"Backend", "ldap"},
                        {"LDAPURL", Option("URL")},
                        {"LDAPRoot", Option("Root")},
                        {"LDAPUsers", users},
                        {"MemScriptUser", Option("ScriptUser")},
                        {"MemScriptCode", scriptCode_},
                        {"LDAPTimeout", "2"},
                        {"LDAPConnectTimeout", "2"}});
  }

  // The server's ldaps:// URL and the CA file that checks its certificate.
  std::string TlsUrl() const { return Option("TLSURL"); }
  std::string CaFile() const { return Option("CAFile"); }

  // The script account as the user lists spell it (MemScriptUser,LDAPRoot).
  std::string ScriptAccount() const { return Option("ScriptUser") + "," + Option("Root"); }
  const std::string& ScriptCode() const { return scriptCode_; }

  // Stops the server (its files stay) and starts it again on its port.
  void Halt() const { Control("halt"); }
  void Resume() const { Control("resume"); }
  // Freezes the server (it accepts connections and answers nothing) and
  // lets it run again.
  void Freeze() const {
    const pid_t pid = Pid();
    ASSERT_GT(pid, 0);
    kill(pid, SIGSTOP);
    // The signal takes effect a moment later; wait until the process stopped.
    for (int i = 0; i < 200 && State(pid) != 'T'; ++i) usleep(10000);
  }
  void Thaw() const {
    if (const pid_t pid = Pid(); pid > 0) kill(pid, SIGCONT);
  }

 private:
  std::string Option(const std::string& key) const {
    auto found = options_.find(key);
    return found == options_.end() ? std::string() : found->second;
  }
  static char State(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto end = line.rfind(')');
    return end == std::string::npos || end + 2 >= line.size() ? '?' : line[end + 2];
  }
  pid_t Pid() const {
    std::ifstream file(Option("Dir") + "/slapd.pid");
    pid_t pid = 0;
    file >> pid;
    return pid;
  }
  void Control(const char* command) const {
    const std::string line =
        "'" + Option("Control") + "' " + command + " '" + Option("Dir") + "' >/dev/null";
    ASSERT_EQ(std::system(line.c_str()), 0) << command;
  }

  std::map<std::string, std::string> options_;
  std::string scriptCode_;
  std::string private_;  // the directory of a private server
};

// A users' subtree of its own on the run's server for one test, removed
// with everything in it at the end.
class LdapTestDirectory {
 public:
  // With `ownServer`, the server is the test's own and stops with it.
  explicit LdapTestDirectory(LdapTestServer server, bool ownServer = false)
      : server_(std::move(server)),
        ownServer_(ownServer),
        users_(UniqueUsers()),
        settings_(server_.Settings(users_)),
        ldap_(membership::ReadLdapSettings(settings_)) {
    membership::LdapConnection connection(ldap_);
    EXPECT_EQ(connection.Bind(ldap_.serviceDn, ldap_.servicePassword), LDAP_SUCCESS);
    EXPECT_EQ(connection.Add(ldap_.usersBase,
                             {{"objectClass", {"organizationalUnit"}}, {"ou", {users_.substr(3)}}}),
              LDAP_SUCCESS);
  }
  ~LdapTestDirectory() {
    if (ownServer_) {
      server_.Thaw();
      server_.Stop();
      return;
    }
    try {
      membership::LdapConnection connection(ldap_);
      if (connection.Bind(ldap_.serviceDn, ldap_.servicePassword) != LDAP_SUCCESS) return;
      auto entries = connection.SearchPaged({.base = ldap_.usersBase, .filter = "(objectClass=*)"}, 500);
      // A child's name is longer than its parent's: children go first.
      std::sort(entries.begin(), entries.end(),
                [](const auto& a, const auto& b) { return a.dn.size() > b.dn.size(); });
      for (const auto& entry : entries) connection.Delete(entry.dn);
    } catch (const std::exception& error) {
      ADD_FAILURE() << "the test's users could not be removed: " << error.what();
    }
  }

  // A directory of its own on the run's server, or nullptr when the run
  // has no LDAP server.
  static std::unique_ptr<LdapTestDirectory> OnRunServer() {
    auto server = LdapTestServer::FromEnvironment();
    if (!server) return nullptr;
    return std::make_unique<LdapTestDirectory>(std::move(*server));
  }

  // The "MEMBERSHIP" keys that put a site's directory on this subtree, the
  // library binding with the server's own script account, so the script
  // account of the site (MemScriptUser) may be an ordinary user in it.
  std::map<std::string, std::string> BackendKeys() const {
    return {{"Backend", "ldap"},
            {"LDAPURL", ldap_.url},
            {"LDAPRoot", ldap_.root},
            {"LDAPUsers", users_},
            {"LDAPServiceDN", ldap_.serviceDn},
            {"LDAPServiceCode", ldap_.servicePassword},
            {"LDAPTimeout", "2"},
            {"LDAPConnectTimeout", "2"}};
  }

  const LdapTestServer& server() const { return server_; }
  MapSettings& settings() { return settings_; }
  const membership::LdapSettings& ldap() const { return ldap_; }
  std::unique_ptr<membership::LdapDirectoryBackend> Backend() const {
    return std::make_unique<membership::LdapDirectoryBackend>(ldap_);
  }

 private:
  static std::string UniqueUsers() {
    static std::atomic<int> counter{0};
    return "ou=t" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  }

  LdapTestServer server_;
  bool ownServer_;
  std::string users_;
  MapSettings settings_;
  membership::LdapSettings ldap_;
};

// The test's directory, or a skipped test when the run has no LDAP server.
#define KORVO_LDAP_DIRECTORY_OR_SKIP(name)                                   \
  auto name##Server = ::korvo::testing::LdapTestServer::FromEnvironment();   \
  if (!name##Server) GTEST_SKIP() << "no LDAP server (scripts/ldap-server)"; \
  ::korvo::testing::LdapTestDirectory name(std::move(*name##Server))

// The same on a server of the test's own, which the test may stop.
#define KORVO_PRIVATE_LDAP_DIRECTORY_OR_SKIP(name)                           \
  auto name##Server = ::korvo::testing::LdapTestServer::FromEnvironment();   \
  if (!name##Server) GTEST_SKIP() << "no LDAP server (scripts/ldap-server)"; \
  ::korvo::testing::LdapTestDirectory name(                                  \
      ::korvo::testing::LdapTestServer::StartPrivate(*name##Server), true)

}  // namespace korvo::testing
