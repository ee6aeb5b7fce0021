// The embedded directory: users in the library's own database, in two
// tables created and upgraded with the rest of the schema:
//   MEMBERUSER       one row per user: USERKEY (the key below), USERID as
//                    first written, PASSWORDHASH (Argon2id), WRITER (the
//                    directory's writer right)
//   MEMBERATTRIBUTE  one row per value: USERKEY, ATTRKEY (the name in lower
//                    case), VALUEINDEX (the value's place), ATTRNAME as first
//                    written, ATTRVALUE, VALUEKEY (the value's key below)
// Keys are the case-folded text written in hexadecimal: every database
// orders hexadecimal digits alike whatever its collation, so searches order
// and page identically on SQLite and PostgreSQL. The index on (ATTRKEY,
// VALUEKEY, USERKEY) serves every attribute criterion and the primary key
// every user-ID criterion, so a search reads only the rows it matches.
//
// Writes join the current host transaction; outside one, each write runs in
// a transaction of its own, so no user is ever half-written.
//
// Settings: the library's connection string (as every class finds it), the
// password hash cost (password_hash.h), and LDAPRoot: an account named
// "<user>,<LDAPRoot>" is the user <user>, so the script account the user
// lists build works here too.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/contracts/database.h"
#include "platform/membership/backend_registry.h"
#include "platform/membership/directory_backend.h"
#include "platform/membership/password_hash.h"

namespace korvo::membership {

inline constexpr const char* kEmbeddedBackend = "embedded";

class EmbeddedDirectory final : public DirectoryBackend {
 public:
  // The directory in the library's database, configured by `settings`.
  explicit EmbeddedDirectory(const MembershipSettings& settings);

  std::string Name() const override { return kEmbeddedBackend; }
  std::string Identity() const override;

  std::optional<std::string> VerifyPassword(const std::string& account,
                                            const std::string& password) override;
  bool HoldsWriterRight(const std::string& accountId) override;
  void SetWriterRight(const std::string& userId, bool granted) override;
  void SetPassword(const std::string& userId, const std::string& password) override;

  std::optional<Entry> Load(const std::string& userId) override;
  std::vector<std::optional<Entry>> LoadMany(const std::vector<std::string>& userIds) override;
  void Create(const Entry& entry, const std::string& password) override;
  bool Delete(const std::string& userId) override;
  void ReplaceAttribute(const std::string& userId, const std::string& name,
                        const std::vector<std::string>& values) override;

  SearchResult Search(const SearchRequest& request) override;

 private:
  struct Statement {
    std::string sql;
    std::vector<contracts::Parameter> params;
    bool secret = false;  // carries a password hash: its failure text is not passed on
  };

  // The statement answering `criteria` in user-key order, at most `rows`
  // rows (0: all).
  static Statement SearchStatement(const std::vector<Criterion>& criteria, std::int32_t rows);

  // Runs one statement on a connection of its own (enlisted in the current
  // transaction); the rows, detached. Storage failures become
  // kDirectoryUnavailable.
  contracts::RecordsetRef Query(const Statement& statement, std::int32_t maxRecords = 0);
  // Runs a write; the rows it changed.
  std::int32_t Change(const Statement& statement);
  bool Exists(const std::string& userKey);
  void InsertValues(const std::string& userKey, const std::string& name,
                    const std::vector<std::string>& values);
  std::string AccountUser(const std::string& account) const;

  std::string connectionString_;
  HashCost cost_;
  std::string root_;
};

}  // namespace korvo::membership
