// Component creation, transaction votes and the connection-string look-up
// every class shares.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/host/component.h"
#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::infra {

// Creates a component by ProgID inside the current object context (joining
// its transaction), or plainly outside the host. Failures go through
// Err_Handle("Lib_General.Gen_GetComponent", "CreateObject(x) failed" /
// "CreateInstance(x) failed." CR LF "Note: ...").
rt::ObjectRef Gen_GetComponent(std::string_view progId);

// The same, cast to a contract or class; raises Type mismatch (13) when the
// registered class does not implement T.
template <class T>
std::shared_ptr<T> Gen_GetComponentAs(std::string_view progId) {
  auto object = Gen_GetComponent(progId);
  auto typed = std::dynamic_pointer_cast<T>(object);
  if (!typed) rt::Raise(rt::errnum::kTypeMismatch);
  return typed;
}

// Votes on the current object context; nothing outside the host.
void Mts_SetComplete();
void Mts_SetAbort();

// "" for Null, else CStr(value).
std::string Gen_NullToString(const rt::Variant& value);

// The library's connection string (platform/data/library_connection.h),
// application first: the thread's cache, else the web application variable
// "KorvoCommonConnection_ConnectionString" (errors suppressed), else
// Korvex.Configuration [CONNECTIONS] KorvoCommonConnection_ConnectionString
// after selecting "KorvoServer". Configuration failures go to
// Err_Handle(propertyMethod).
// The forms return the thread's cache itself: every read of every class
// asks for it, and a copy per read is a heap allocation per read. The
// reference is valid on the calling thread until the cache changes (the
// next call of these or ResetConnectionStringCache): copy it to keep it.
const std::string& ConnectionStringApplicationFirst(std::string_view propertyMethod);
// Configuration only (steps 1, 3, 4); the same error handling.
const std::string& ConnectionStringConfigurationOnly(std::string_view propertyMethod);
// TCurrency's handler-less form: configuration only, failures unhandled,
// and a cached value that is blank after trimming counts as empty.
const std::string& ConnectionStringConfigurationOnlyUnhandled();
// The user classes' connection opener's form: application first, failures
// unhandled (they reach the opening method's handler as they are), and a
// cached value that is blank after trimming counts as empty.
const std::string& ConnectionStringApplicationFirstUnhandled();

// Empties the calling thread's connection-string cache. Requests never
// clear it; this exists for the script host (a new --db) and tests.
void ResetConnectionStringCache();

}  // namespace korvo::infra
