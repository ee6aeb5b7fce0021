// LdapDirectoryBackend: the membership directory on an LDAP server
// (configuration "MEMBERSHIP", Backend=ldap; the keys in ldap_settings.h).
//
// Users are inetOrgPerson entries uid=<user ID> below the users' subtree
// with the auxiliary class korvoUser (korvo-schema.ldif; attribute_map.h
// maps the attributes). The library reads and writes as the script account
// (or LDAPServiceDN) over the thread's service connection; a password is
// checked with a simple bind of the account on the thread's authentication
// connection, and set with the Password Modify operation so the server
// hashes it. The script and service accounts hold the directory's writer
// right; a user holds it when its korvoDirectoryWriter is TRUE.
//
// Accounts: a user ID, "<user ID>,<root>", or the DN of an entry below the
// root (the script account "MemScriptUser,LDAPRoot" as the user lists bind
// it). VerifyPassword answers a user's ID, or for an account that is no
// user the DN itself.
//
// Searches order by user ID: with a row limit and a server that announces
// server-side sorting, the server sorts and sends one row more than the
// limit; otherwise the matching IDs are fetched (in pages when the server
// announces paged results) and sorted here.
//
// Writes inside a host transaction are undone if it rolls back (undo_log.h).
// A failed connection is replaced and a read tried once more; a write is
// never sent twice.
#pragma once

#include <functional>
#include <memory>

#include "platform/membership/directory_backend.h"
#include "platform/membership/ldap/ldap_settings.h"

namespace korvo::membership {

class LdapConnection;
struct LdapEntry;

class LdapDirectoryBackend final : public DirectoryBackend {
 public:
  explicit LdapDirectoryBackend(LdapSettings settings);

  std::string Name() const override { return "ldap"; }
  std::string Identity() const override { return Name() + '\n' + settings_->Identity(); }

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
  // The DN an account names (see above).
  std::string AccountDn(const std::string& account) const;
  std::string AccountId(const std::string& dn);
  std::optional<LdapEntry> FindUser(LdapConnection& connection, const std::string& userId,
                                    std::vector<std::string> attributes) const;
  // Reads the user with all its attributes, applies the changes `changesOf`
  // makes of it, and keeps their undo; kUserNotFound when there is no user.
  template <class ChangesOf>
  void ChangeUser(const std::string& userId, ChangesOf&& changesOf);
  std::vector<std::string> SortedIds(LdapConnection& connection, const SearchRequest& request,
                                     std::string& nextFrom) const;
  // The undo to keep for a write, when the write is inside a transaction.
  void KeepUndo(std::function<void(LdapConnection&)> undo);

  std::shared_ptr<const LdapSettings> settings_;
};

// Makes "ldap" a directory backend (RegisterDirectoryBackend).
void RegisterLdapDirectoryBackend();

}  // namespace korvo::membership
