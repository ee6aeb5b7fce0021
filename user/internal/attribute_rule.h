// How the User class reads one directory attribute (GetUserField): the
// directory's value unless it is the empty marker; then, for office-backed
// attributes, the directory's first fallback value or the administrative
// office's column named like the key; else the default. Module-internal.
#pragma once

#include "platform/runtime/variant.h"

namespace korvo::common {

struct AttributeRule {
  const char* key;          // the attribute's key, also the office column
  rt::Variant emptyMarker;  // the directory's "not set"
  rt::Variant fallback;     // the default
  bool officeBacked = false;
};

}  // namespace korvo::common
