#include "tools/korvo/rpc_error.h"

namespace korvo::tool {

Json LibraryErrorObject(const rt::ErrorRecord& error) {
  return {{"code", error.Number},
          {"message", error.Description},
          {"data",
           {{"number", error.Number},
            {"source", error.Source},
            {"description", error.Description},
            {"helpFile", error.HelpFile},
            {"helpContext", error.HelpContext}}}};
}

}  // namespace korvo::tool
