// The two kinds of error the program answers with: RpcError, a request the
// protocol itself refuses, answered with one of JSON-RPC 2.0's own codes; and
// a library error, answered with its own number and fields.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/runtime/error.h"
#include "tools/korvo/json_codec.h"

namespace korvo::tool {

inline constexpr int kParseError = -32700;      // the line is not JSON
inline constexpr int kInvalidRequest = -32600;  // JSON, but not a request object
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;  // missing, mistyped or unknown arguments

class RpcError : public std::runtime_error {
 public:
  RpcError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int code() const noexcept { return code_; }

 private:
  int code_;
};

// The error object of a library error: code and message are the error's
// number and description, data carries all five fields as raised.
Json LibraryErrorObject(const rt::ErrorRecord& error);

}  // namespace korvo::tool
