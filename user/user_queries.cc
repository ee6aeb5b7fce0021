#include "user/internal/user_queries.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "user/user_connection.h"

namespace korvo::common::user_queries {

std::string MethodName(const std::string& method) { return "KorvoCommon.User." + method; }

std::string Quoted(const std::string& text) { return "'" + infra::Gen_SqlQuote(text) + "'"; }

rt::DictionaryRef RowDictionary(const contracts::Recordset& row) {
  auto fields = rt::Dictionary::Create();
  for (std::int32_t i = 0; i < row.FieldCount(); ++i) fields->Add(row.Field(i).name, row.Value(i));
  return fields;
}

rt::DictionaryRef FirstRowDictionary(const std::string& sql, const std::string& method) {
  contracts::ConnectionRef connection;
  return infra::RunHandled(infra::UnvotedHandler(method), connection, [&] {
    connection = OpenUserClassConnection();
    contracts::RecordsetRef row = connection->Execute(sql, {}, nullptr, 1);
    rt::DictionaryRef fields = row->IsEOF() ? rt::Dictionary::Create() : RowDictionary(*row);
    infra::Sql_CloseConnection(connection);
    return fields;
  });
}

}  // namespace korvo::common::user_queries
