// The public surface, pinned: every class a caller can create by name, its
// transaction attribute and object control, every member with its kind and
// parameter count, and every public enumeration with its values. A missing,
// misspelled or re-typed member fails here instead of in a caller's page.
//
// The expected surface is tests/registration/surface.txt. After an intended
// change, rewrite it with KORVO_SURFACE_WRITE=1 and review the diff.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host/component.h"
#include "platform/host/registry.h"
#include "registration/enumerations.h"
#include "registration/register_all.h"

namespace korvo {
namespace {

const char* TransactionName(host::TransactionAttribute attribute) {
  switch (attribute) {
    case host::TransactionAttribute::Required:
      return "required";
    case host::TransactionAttribute::NotSupported:
      return "not-supported";
    default:
      return "none";
  }
}

const char* KindName(rt::InvokeKind kind) {
  switch (kind) {
    case rt::InvokeKind::Method:
      return "method";
    case rt::InvokeKind::PropertyGet:
      return "get";
    default:
      return "put";
  }
}

void DescribeClass(const std::string& progId, std::vector<std::string>& lines) {
  const auto info = host::Registry::Global().Find(progId);
  lines.push_back("class " + progId + " transaction=" + TransactionName(info->transaction) +
                  " object-control=" + (info->objectControl ? "yes" : "no"));
  rt::ObjectRef object = info->factory();
  const auto* component = dynamic_cast<const host::Component*>(object.get());
  if (component == nullptr) return;
  for (const auto& member : component->Dispatch().Members()) {
    lines.push_back("member " + progId + " " + member.name + " " + KindName(member.kind) + " " +
                    std::to_string(member.arity));
  }
}

// The surface as sorted lines, so the file reads as a diff-able list.
std::vector<std::string> CurrentSurface() {
  registration::RegisterAll();
  std::vector<std::string> lines;
  for (const std::string& progId : host::Registry::Global().ProgIds()) {
    DescribeClass(progId, lines);
  }
  for (const auto& enumeration : common::PublicEnumerations()) {
    for (const auto& member : enumeration.members) {
      lines.push_back("enum " + std::string(enumeration.name) + " " + std::string(member.name) + " " +
                      std::to_string(member.value));
    }
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::string> ExpectedSurface(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

TEST(Surface, EveryClassMemberAndEnumerationIsAsPublished) {
  const std::string path = std::string(KORVO_SOURCE_DIR) + "/tests/registration/surface.txt";
  const std::vector<std::string> current = CurrentSurface();
  if (std::getenv("KORVO_SURFACE_WRITE") != nullptr) {
    std::ofstream out(path);
    for (const auto& line : current) out << line << '\n';
  }
  const std::vector<std::string> expected = ExpectedSurface(path);
  std::vector<std::string> missing, unexpected;
  std::set_difference(expected.begin(), expected.end(), current.begin(), current.end(),
                      std::back_inserter(missing));
  std::set_difference(current.begin(), current.end(), expected.begin(), expected.end(),
                      std::back_inserter(unexpected));
  std::ostringstream report;
  for (const auto& line : missing) report << "  missing:    " << line << '\n';
  for (const auto& line : unexpected) report << "  unexpected: " << line << '\n';
  EXPECT_TRUE(missing.empty() && unexpected.empty()) << report.str();
}

}  // namespace
}  // namespace korvo
