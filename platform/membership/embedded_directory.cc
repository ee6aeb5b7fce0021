#include "platform/membership/embedded_directory.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "platform/contracts/membership.h"
#include "platform/data/library_connection.h"
#include "platform/data/scoped_close.h"
#include "platform/host/host_scope.h"
#include "platform/host/object_context.h"
#include "platform/membership/directory_error.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"

namespace korvo::membership {

namespace {

namespace err = contracts::membership_error;
using contracts::Parameter;
using contracts::ParamType;

constexpr const char* kSource = "KorvoMembership.Directory";

// The case-folded text in hexadecimal (see the header).
std::string Key(std::string_view text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const std::string folded = FoldCase(text);
  std::string key;
  key.reserve(folded.size() * 2);
  for (unsigned char c : folded) {
    key += kDigits[c >> 4];
    key += kDigits[c & 0x0F];
  }
  return key;
}

Parameter Text(std::string name, std::string value) {
  const auto size = static_cast<std::int32_t>(value.size());
  return Parameter{std::move(name), ParamType::Text, size, rt::Variant(std::move(value))};
}

Parameter Whole(std::string name, std::int32_t value) {
  return Parameter{std::move(name), ParamType::Integer, 0, rt::Variant(value)};
}

Parameter Flag(std::string name, bool value) {
  return Parameter{std::move(name), ParamType::Boolean, 0, rt::Variant(value)};
}

std::string TextOf(const rt::Variant& value) {
  return value.IsNullOrEmpty() ? std::string() : rt::CStr(value);
}

// Appends a value read back to its attribute, the entry's last one when
// its name matches (the rows come ordered by attribute).
void AddValue(Entry& entry, const std::string& name, std::string value) {
  if (entry.attributes.empty() || FoldCase(entry.attributes.back().name) != FoldCase(name)) {
    entry.attributes.push_back({name, {}});
  }
  entry.attributes.back().values.push_back(std::move(value));
}

// Runs `write` in the current host transaction, or in one of its own.
template <class Write>
void Atomically(Write&& write) {
  host::ObjectContext* context = host::GetObjectContext();
  if (context && context->IsInTransaction()) {
    write();
    return;
  }
  host::HostScope scope;
  write();
  scope.End();
}

// One search condition as SQL, on the user keys `keys` (the key the
// statement orders by first), its values appended to `params`. A user-ID
// criterion bounds every key given, so each table is read from the page's
// start; an attribute criterion asks for one of the user's value rows,
// found through the primary key at the same cost for every user tested.
std::string Condition(const Criterion& criterion, const std::vector<std::string>& keys,
                      std::vector<Parameter>& params) {
  const char* op = criterion.comparison == Comparison::AtLeast ? " >= ?" : " = ?";
  if (criterion.attribute == kIdAttribute) {
    std::string bounds;
    for (const std::string& key : keys) {
      params.push_back(Text("UserKey", Key(criterion.value)));
      bounds += (bounds.empty() ? "" : " AND ") + key + op;
    }
    return bounds;
  }
  params.push_back(Text("AttrKey", FoldCase(criterion.attribute)));
  params.push_back(Text("ValueKey", Key(criterion.value)));
  return "EXISTS (SELECT 1 FROM MEMBERATTRIBUTE VALUEROW WHERE VALUEROW.USERKEY = " + keys.front() +
         " AND VALUEROW.ATTRKEY = ? AND VALUEROW.VALUEKEY" + op + ")";
}

// The first criterion asking for an attribute's exact value: the one whose
// value index drives the search.
std::vector<Criterion>::const_iterator DrivingCriterion(const std::vector<Criterion>& criteria) {
  return std::find_if(criteria.begin(), criteria.end(), [](const Criterion& criterion) {
    return criterion.attribute != kIdAttribute && criterion.comparison == Comparison::Equal;
  });
}

}  // namespace

EmbeddedDirectory::EmbeddedDirectory(const MembershipSettings& settings)
    : connectionString_(data::LibraryConnectionString()),
      cost_(HashCostFrom(settings)),
      root_(settings.Value("LDAPRoot")) {}

std::string EmbeddedDirectory::Identity() const {
  return std::string(kEmbeddedBackend) + ":" + connectionString_;
}

contracts::RecordsetRef EmbeddedDirectory::Query(const Statement& statement, std::int32_t maxRecords) {
  contracts::ConnectionRef connection;
  data::ScopedClose closeConnection(connection);
  try {
    connection = data::OpenConnection(connectionString_);
    contracts::RecordsetRef rows =
        connection->Execute(statement.sql, statement.params, nullptr, maxRecords);
    rows->Detach();
    return rows;
  } catch (const rt::Error& error) {
    const std::string code = "storage error 0x" + rt::Hex(error.number());
    RaiseDirectoryError(err::kDirectoryUnavailable, kSource,
                        statement.secret ? code : code + ": " + error.record().Description);
  }
}

std::int32_t EmbeddedDirectory::Change(const Statement& statement) {
  contracts::ConnectionRef connection;
  data::ScopedClose closeConnection(connection);
  try {
    connection = data::OpenConnection(connectionString_);
    std::int32_t affected = 0;
    connection->Execute(statement.sql, statement.params, &affected);
    return affected;
  } catch (const rt::Error& error) {
    const std::int32_t number =
        error.number() == contracts::dberr::kConstraint ? err::kUserExists : err::kDirectoryUnavailable;
    const std::string code = "storage error 0x" + rt::Hex(error.number());
    RaiseDirectoryError(number, kSource,
                        statement.secret ? code : code + ": " + error.record().Description);
  }
}

bool EmbeddedDirectory::Exists(const std::string& userKey) {
  return !Query({"SELECT USERKEY FROM MEMBERUSER WHERE USERKEY = ?", {Text("UserKey", userKey)}}, 1)
              ->IsEOF();
}

std::string EmbeddedDirectory::AccountUser(const std::string& account) const {
  const std::string suffix = "," + root_;
  if (!root_.empty() && account.size() > suffix.size() &&
      FoldCase(account).ends_with(FoldCase(suffix))) {
    return account.substr(0, account.size() - suffix.size());
  }
  return account;
}

std::optional<std::string> EmbeddedDirectory::VerifyPassword(const std::string& account,
                                                             const std::string& password) {
  auto rows = Query({"SELECT USERID, PASSWORDHASH FROM MEMBERUSER WHERE USERKEY = ?",
                     {Text("UserKey", Key(AccountUser(account)))}},
                    1);
  const std::string hash = rows->IsEOF() ? std::string() : TextOf(rows->Value(1));
  if (hash.empty()) {
    SpendVerificationTime(password, cost_);
    return std::nullopt;
  }
  if (!PasswordMatches(hash, password)) return std::nullopt;
  return TextOf(rows->Value(std::int32_t{0}));
}

bool EmbeddedDirectory::HoldsWriterRight(const std::string& accountId) {
  auto rows =
      Query({"SELECT WRITER FROM MEMBERUSER WHERE USERKEY = ?", {Text("UserKey", Key(accountId))}}, 1);
  return !rows->IsEOF() && !rows->Value(std::int32_t{0}).IsNullOrEmpty() &&
         rt::CBool(rows->Value(std::int32_t{0}));
}

void EmbeddedDirectory::SetWriterRight(const std::string& userId, bool granted) {
  if (Change({"UPDATE MEMBERUSER SET WRITER = ? WHERE USERKEY = ?",
              {Flag("Writer", granted), Text("UserKey", Key(userId))}}) == 0) {
    RaiseDirectoryError(err::kUserNotFound, kSource, userId);
  }
}

void EmbeddedDirectory::SetPassword(const std::string& userId, const std::string& password) {
  Statement update{"UPDATE MEMBERUSER SET PASSWORDHASH = ? WHERE USERKEY = ?",
                   {Text("PasswordHash", HashPassword(password, cost_)), Text("UserKey", Key(userId))},
                   true};
  if (Change(update) == 0) RaiseDirectoryError(err::kUserNotFound, kSource, userId);
}

std::optional<Entry> EmbeddedDirectory::Load(const std::string& userId) {
  return std::move(LoadMany({userId}).front());
}

// One statement for all the IDs: their users' rows with every value.
std::vector<std::optional<Entry>> EmbeddedDirectory::LoadMany(const std::vector<std::string>& userIds) {
  std::vector<std::optional<Entry>> entries(userIds.size());
  if (userIds.empty()) return entries;
  Statement select{
      "SELECT MEMBERUSER.USERKEY, MEMBERUSER.USERID, MEMBERATTRIBUTE.ATTRNAME, MEMBERATTRIBUTE.ATTRVALUE "
      "FROM MEMBERUSER LEFT JOIN MEMBERATTRIBUTE ON MEMBERATTRIBUTE.USERKEY = MEMBERUSER.USERKEY "
      "WHERE MEMBERUSER.USERKEY ",
      {}};
  // One user, a bind's read, is sought by equality: its attribute rows then
  // come in the index's order, with nothing to sort.
  select.sql += userIds.size() == 1 ? "= (" : "IN (";
  for (const std::string& userId : userIds) {
    select.sql += select.params.empty() ? "?" : ", ?";
    select.params.push_back(Text("UserKey", Key(userId)));
  }
  select.sql += ") ORDER BY MEMBERUSER.USERKEY, MEMBERATTRIBUTE.ATTRKEY, MEMBERATTRIBUTE.VALUEINDEX";
  std::map<std::string, Entry> found;  // by user key
  for (auto rows = Query(select); !rows->IsEOF(); rows->MoveNext()) {
    Entry& entry =
        found.try_emplace(TextOf(rows->Value(std::int32_t{0})), Entry{TextOf(rows->Value(1)), {}})
            .first->second;
    if (rows->Value(2).IsNullOrEmpty()) continue;  // a user without attributes
    AddValue(entry, TextOf(rows->Value(2)), TextOf(rows->Value(3)));
  }
  for (std::size_t place = 0; place < userIds.size(); ++place) {
    const auto entry = found.find(Key(userIds[place]));
    if (entry != found.end())
      entries[place] = userIds.size() == 1 ? std::move(entry->second) : entry->second;
  }
  return entries;
}

void EmbeddedDirectory::Create(const Entry& entry, const std::string& password) {
  const std::string userKey = Key(entry.userId);
  Statement insert{"INSERT INTO MEMBERUSER (USERKEY, USERID, PASSWORDHASH, WRITER) VALUES (?, ?, ?, ?)",
                   {Text("UserKey", userKey), Text("UserID", entry.userId),
                    Text("PasswordHash", HashPassword(password, cost_)), Flag("Writer", false)},
                   true};
  Atomically([&] {
    if (Exists(userKey)) RaiseDirectoryError(err::kUserExists, kSource, entry.userId);
    Change(insert);
    for (const auto& attribute : entry.attributes)
      InsertValues(userKey, attribute.name, attribute.values);
  });
}

bool EmbeddedDirectory::Delete(const std::string& userId) {
  const std::string userKey = Key(userId);
  std::int32_t deleted = 0;
  Atomically([&] {
    Change({"DELETE FROM MEMBERATTRIBUTE WHERE USERKEY = ?", {Text("UserKey", userKey)}});
    deleted = Change({"DELETE FROM MEMBERUSER WHERE USERKEY = ?", {Text("UserKey", userKey)}});
  });
  return deleted > 0;
}

void EmbeddedDirectory::ReplaceAttribute(const std::string& userId, const std::string& name,
                                         const std::vector<std::string>& values) {
  const std::string userKey = Key(userId);
  Atomically([&] {
    if (!Exists(userKey)) RaiseDirectoryError(err::kUserNotFound, kSource, userId);
    Change({"DELETE FROM MEMBERATTRIBUTE WHERE USERKEY = ? AND ATTRKEY = ?",
            {Text("UserKey", userKey), Text("AttrKey", FoldCase(name))}});
    InsertValues(userKey, name, values);
  });
}

void EmbeddedDirectory::InsertValues(const std::string& userKey, const std::string& name,
                                     const std::vector<std::string>& values) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    Change(
        {"INSERT INTO MEMBERATTRIBUTE (USERKEY, ATTRKEY, VALUEINDEX, ATTRNAME, ATTRVALUE, VALUEKEY) "
         "VALUES (?, ?, ?, ?, ?, ?)",
         {Text("UserKey", userKey), Text("AttrKey", FoldCase(name)),
          Whole("ValueIndex", static_cast<std::int32_t>(i)), Text("AttrName", name),
          Text("AttrValue", values[i]), Text("ValueKey", Key(values[i]))}});
  }
}

// The search as one statement, ordered by user key. With an exact attribute
// value among the criteria, the statement walks that value's index entries
// from the page's start in user-key order, so a page reads its own rows and
// stops, however many users hold the value; grouping by the key lists a user
// who holds the value twice once. Otherwise it walks the users in key order.
// At most `rows` rows (0: all), so no database reads past the page.
EmbeddedDirectory::Statement EmbeddedDirectory::SearchStatement(const std::vector<Criterion>& criteria,
                                                                std::int32_t rows) {
  Statement select;
  const std::string top = rows > 0 ? "TOP " + std::to_string(rows) + " " : std::string();
  std::vector<std::string> keys{"MEMBERUSER.USERKEY"};
  const auto driving = DrivingCriterion(criteria);
  std::vector<std::string> conditions;
  if (driving == criteria.end()) {
    select.sql = "SELECT " + top + "MEMBERUSER.USERID FROM MEMBERUSER";
  } else {
    keys.insert(keys.begin(), "DRIVER.USERKEY");
    select.sql = "SELECT " + top +
                 "MIN(MEMBERUSER.USERID) FROM MEMBERATTRIBUTE DRIVER "
                 "JOIN MEMBERUSER ON MEMBERUSER.USERKEY = DRIVER.USERKEY";
    select.params.push_back(Text("AttrKey", FoldCase(driving->attribute)));
    select.params.push_back(Text("ValueKey", Key(driving->value)));
    conditions.push_back("DRIVER.ATTRKEY = ? AND DRIVER.VALUEKEY = ?");
  }
  for (auto it = criteria.begin(); it != criteria.end(); ++it) {
    if (it != driving) conditions.push_back(Condition(*it, keys, select.params));
  }
  for (std::size_t i = 0; i < conditions.size(); ++i)
    select.sql += (i == 0 ? " WHERE " : " AND ") + conditions[i];
  if (driving != criteria.end()) select.sql += " GROUP BY " + keys.front();
  select.sql += " ORDER BY " + keys.front();
  return select;
}

SearchResult EmbeddedDirectory::Search(const SearchRequest& request) {
  // One row beyond the limit tells where the next page starts.
  const std::int32_t wanted =
      request.limit > 0 && request.limit < INT32_MAX ? request.limit + 1 : request.limit;
  auto rows = Query(SearchStatement(request.criteria, wanted), wanted);
  SearchResult result;
  for (; !rows->IsEOF(); rows->MoveNext()) {
    std::string id = TextOf(rows->Value(std::int32_t{0}));
    if (request.limit > 0 && static_cast<std::int32_t>(result.userIds.size()) == request.limit) {
      result.nextFrom = std::move(id);
      break;
    }
    result.userIds.push_back(std::move(id));
  }
  return result;
}

}  // namespace korvo::membership
