#include "platform/korvex/register.h"

#include <memory>

#include "platform/host/registry.h"
#include "platform/korvex/configuration.h"
#include "platform/korvex/log.h"
#include "platform/korvex/referential_checker.h"
#include "platform/korvex/result_object.h"
#include "platform/runtime/dictionary.h"
#include "platform/utility/drecordset.h"
#include "platform/utility/page.h"
#include "platform/utility/utilities.h"

namespace korvo::korvex {

namespace {

template <class T>
void RegisterPlain(const char* progId) {
  host::Registry::Global().Register(host::ClassInfo{progId, host::TransactionAttribute::None, false, [] {
                                                      return rt::ObjectRef(std::make_shared<T>());
                                                    }});
}

}  // namespace

void RegisterClasses() {
  RegisterPlain<Log>("Korvex.Log");
  RegisterPlain<Configuration>("Korvex.Configuration");
  RegisterPlain<ResultObject>("Korvex.ResultObject");
  RegisterPlain<ReferentialChecker>("Korvex.ReferentialChecker");
  RegisterPlain<utility::Utilities>("KorvoLibrary.Utilities");
  RegisterPlain<utility::Page>("KorvoLibrary.Page");
  RegisterPlain<utility::DRecordset>("KorvoLibrary.DRecordset");
  RegisterPlain<rt::Dictionary>("Scripting.Dictionary");
}

}  // namespace korvo::korvex
