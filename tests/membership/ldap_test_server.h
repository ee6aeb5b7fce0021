// LdapTestServer: the throw-away directory server of the test run
// (scripts/ldap-server), named by KORVO_TEST_LDAP
// ("URL=...;Root=...;Users=...;ScriptUser=...;ScriptCodeFile=...;Dir=...;
// Control=<scripts/ldap-server>"),
// and a users' subtree of its own for each test, so tests running at once
// never see each other's users. Header-only.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "platform/membership/backend_registry.h"
#include "platform/membership/ldap/ldap_backend.h"
#include "platform/membership/ldap/ldap_connection.h"
#include "platform/membership/ldap/ldap_settings.h"

namespace korvo::testing {

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
    LdapTestServer server;
    std::stringstream options(text);
    for (std::string option; std::getline(options, option, ';');) {
      const auto equals = option.find('=');
      if (equals != std::string::npos) server.options_[option.substr(0, equals)] = option.substr(equals + 1);
    }
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

  // The script account as the user lists spell it (MemScriptUser,LDAPRoot).
  std::string ScriptAccount() const { return Option("ScriptUser") + "," + Option("Root"); }
  const std::string& ScriptCode() const { return scriptCode_; }

  // Stops the server (its files stay) and starts it again on its port.
  void Halt() const { Control("halt"); }
  void Resume() const { Control("resume"); }
  // Freezes the server (it accepts connections and answers nothing) and
  // lets it run again.
  void Freeze() const { kill(Pid(), SIGSTOP); }
  void Thaw() const { kill(Pid(), SIGCONT); }

 private:
  std::string Option(const std::string& key) const {
    auto found = options_.find(key);
    return found == options_.end() ? std::string() : found->second;
  }
  pid_t Pid() const {
    std::ifstream file(Option("Dir") + "/slapd.pid");
    pid_t pid = 0;
    file >> pid;
    return pid;
  }
  void Control(const char* command) const {
    const std::string line = "'" + Option("Control") + "' " + command + " '" + Option("Dir") + "' >/dev/null";
    ASSERT_EQ(std::system(line.c_str()), 0) << command;
  }

  std::map<std::string, std::string> options_;
  std::string scriptCode_;
};

// A users' subtree of its own on the run's server for one test, removed
// with everything in it at the end.
class LdapTestDirectory {
 public:
  explicit LdapTestDirectory(LdapTestServer server)
      : server_(std::move(server)), users_(UniqueUsers()), settings_(server_.Settings(users_)),
        ldap_(membership::ReadLdapSettings(settings_)) {
    membership::LdapConnection connection(ldap_);
    EXPECT_EQ(connection.Bind(ldap_.serviceDn, ldap_.servicePassword), LDAP_SUCCESS);
    EXPECT_EQ(connection.Add(ldap_.usersBase, {{"objectClass", {"organizationalUnit"}},
                                                {"ou", {users_.substr(3)}}}),
              LDAP_SUCCESS);
  }
  ~LdapTestDirectory() {
    server_.Thaw();
    server_.Resume();
    membership::LdapConnection connection(ldap_);
    if (connection.Bind(ldap_.serviceDn, ldap_.servicePassword) != LDAP_SUCCESS) return;
    int code = 0;
    auto entries = connection.Search({.base = ldap_.usersBase, .filter = "(objectClass=*)"}, code);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.dn.size() > b.dn.size(); });
    for (const auto& entry : entries) connection.Delete(entry.dn);
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
  std::string users_;
  MapSettings settings_;
  membership::LdapSettings ldap_;
};

// The test's directory, or a skipped test when the run has no LDAP server.
#define KORVO_LDAP_DIRECTORY_OR_SKIP(name)                                   \
  auto name##Server = ::korvo::testing::LdapTestServer::FromEnvironment();  \
  if (!name##Server) GTEST_SKIP() << "no LDAP server (scripts/ldap-server)"; \
  ::korvo::testing::LdapTestDirectory name(std::move(*name##Server))

}  // namespace korvo::testing
