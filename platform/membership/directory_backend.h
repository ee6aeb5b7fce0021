// DirectoryBackend: where the membership directory keeps its entries.
//
// The KorvoMembership components (platform/membership/user.h, members.h)
// hold every rule that does not depend on the storage: attribute kinds and
// their conversion, inheritance from a parent, validation of names, IDs,
// values and criteria, rights, the credential cache and the error texts. A
// backend only stores and finds entries. Everything it receives has been
// validated already:
//   - user IDs: 1..256 bytes of UTF-8 without control characters, not
//     beginning or ending with a blank;
//   - attribute names: 1..64 characters of [A-Za-z0-9_-], compared case-blind
//     (the backend keeps the spelling first written and matches any case);
//   - values: texts of at most 1024 bytes without NUL, already in their
//     attribute's canonical form (numbers as plain decimals, Booleans as
//     "TRUE"/"FALSE", dates as "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS").
//
// Order and comparison: user IDs are unique case-blind; searches order by ID
// case-blind ascending, ties (none, IDs being unique) by nothing else.
// "Case-blind" means ASCII letters folded to lower case (FoldCase below),
// other bytes compared as they are, so every backend agrees on the order.
//
// Transactions: a backend whose storage can join the host transaction makes
// its writes inside the current one (host::GetObjectContext()); one that
// cannot undoes them when the transaction aborts. Writes outside the host
// take effect at once.
//
// Errors: a backend raises rt::Error with contracts::membership_error numbers
// (kDirectoryUnavailable for storage failures, kUserExists, kUserNotFound)
// and never puts a password or password hash into any text it raises or logs.
//
// Threads: the components create one backend per component object through
// DirectoryBackendFactory; a backend object is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvo::membership {

// One attribute: its name (as first written) and its values in order.
struct Attribute {
  std::string name;
  std::vector<std::string> values;
};

// One directory entry as stored.
struct Entry {
  std::string userId;                 // as stored (its stored case)
  std::vector<Attribute> attributes;  // each name once; their order is not significant
};

enum class Comparison { Equal, AtLeast };

// One search condition: some value of `attribute` equals (case-blind) or is
// at or after (case-blind text order) `value`. The ID attribute is named
// kIdAttribute and compares the user ID itself.
struct Criterion {
  std::string attribute;
  Comparison comparison = Comparison::Equal;
  std::string value;
};

inline constexpr std::string_view kIdAttribute = "UserID";

// The most IDs DirectoryBackend::LoadMany is asked for at once: within what
// every database binds as parameters of one statement and what LDAP servers
// answer without paging.
inline constexpr std::size_t kMostLoadedAtOnce = 200;

struct SearchRequest {
  std::vector<Criterion> criteria;  // all must hold; empty: every user
  std::int32_t limit = 0;           // at most this many IDs; 0: no limit
};

struct SearchResult {
  std::vector<std::string> userIds;  // ordered by ID, case-blind
  // With a limit that cut the result: the first ID after the last one
  // returned; "" otherwise.
  std::string nextFrom;
};

class DirectoryBackend {
 public:
  virtual ~DirectoryBackend() = default;

  // The configuration name of the backend ("embedded", "ldap").
  virtual std::string Name() const = 0;
  // What tells this directory from another of the same backend in one
  // process (the embedded one adds its database): the credential cache
  // keeps the binds of each apart.
  virtual std::string Identity() const { return Name(); }

  // --- Accounts -----------------------------------------------------------
  // Verifies `password` for `account` (as the caller named it; a backend may
  // accept its own spelling of account names, e.g. with a directory root).
  // Answers the account's user ID, or nullopt for an unknown account or a
  // wrong password. Must take the same time for both (verify against a
  // dummy hash when the account is unknown). Never called with an empty
  // account or password.
  virtual std::optional<std::string> VerifyPassword(const std::string& account,
                                                    const std::string& password) = 0;
  // Whether the account (a user ID VerifyPassword answered) holds the
  // directory's writer right.
  virtual bool HoldsWriterRight(const std::string& accountId) = 0;
  // Grants or withdraws the writer right (operators' tool only).
  virtual void SetWriterRight(const std::string& userId, bool granted) = 0;
  // Replaces the user's password (not empty). kUserNotFound when absent.
  virtual void SetPassword(const std::string& userId, const std::string& password) = 0;

  // --- Entries ------------------------------------------------------------
  // The entry of `userId` (matched case-blind), or nullopt.
  virtual std::optional<Entry> Load(const std::string& userId) = 0;
  // The entries of `userIds` (at most kMostLoadedAtOnce), in their order,
  // read with one operation (the embedded backend: one statement; LDAP: one
  // search). Each is the entry Load answers for its ID, or nullopt where
  // this read found none; a backend whose server matches IDs more loosely
  // than the case-blind comparison may also leave nullopt an ID it cannot
  // pair with an entry it read, and Load then decides for it.
  virtual std::vector<std::optional<Entry>> LoadMany(const std::vector<std::string>& userIds) = 0;
  // Creates the entry with its password (not empty). kUserExists when an
  // entry of that ID (case-blind) exists; nothing is written then.
  virtual void Create(const Entry& entry, const std::string& password) = 0;
  // Deletes the entry; false when there was none.
  virtual bool Delete(const std::string& userId) = 0;
  // Replaces one attribute's values (an empty list removes the attribute).
  // kUserNotFound when the entry does not exist.
  virtual void ReplaceAttribute(const std::string& userId, const std::string& name,
                                const std::vector<std::string>& values) = 0;

  // --- Searches -----------------------------------------------------------
  // The IDs of the entries matching every criterion, ordered by ID.
  virtual SearchResult Search(const SearchRequest& request) = 0;
};

// Folds ASCII letters to lower case; the directory's case-blind comparison.
std::string FoldCase(std::string_view text);

}  // namespace korvo::membership
