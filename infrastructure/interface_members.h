// The members of the framework interfaces a public class implements, as its
// dispatch table lists them: one helper per interface, so every class that
// implements one exposes the same names with the same parameters.
//
// Header-only templates over the class being registered; C must implement
// the interface (override each of its members).
#pragma once

#include "platform/contracts/business_rules.h"
#include "platform/host/component.h"
#include "platform/host/dispatch_table.h"

namespace korvo::infra {

// BusinessRules_GetInstance, _Insert, _Update and _Delete.
template <class C>
host::DispatchTable::Builder<C>& AddBusinessRulesMembers(host::DispatchTable::Builder<C>& table) {
  return table.Method("BusinessRules_GetInstance", &C::BusinessRules_GetInstance)
      .Method("BusinessRules_Insert", &C::BusinessRules_Insert)
      .Method("BusinessRules_Update", &C::BusinessRules_Update)
      .Method("BusinessRules_Delete", &C::BusinessRules_Delete);
}

// IReferentialIntegrity_Exists and _BeforeDelete.
template <class C>
host::DispatchTable::Builder<C>& AddReferentialIntegrityMembers(host::DispatchTable::Builder<C>& table) {
  return table.Method("IReferentialIntegrity_Exists", &C::IReferentialIntegrity_Exists)
      .Method("IReferentialIntegrity_BeforeDelete", &C::IReferentialIntegrity_BeforeDelete);
}

// ObjectControl_Activate, _Deactivate and _CanBePooled.
template <class C>
host::DispatchTable::Builder<C>& AddObjectControlMembers(host::DispatchTable::Builder<C>& table) {
  return table.Method("ObjectControl_Activate", &C::ObjectControl_Activate)
      .Method("ObjectControl_Deactivate", &C::ObjectControl_Deactivate)
      .Method("ObjectControl_CanBePooled", &C::ObjectControl_CanBePooled);
}

}  // namespace korvo::infra
