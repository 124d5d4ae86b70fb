// The one exception barrier of the COM side: every method COM or the editor
// calls, and every window procedure, runs its body through it, so nothing
// thrown ever reaches the caller. The COM counterpart of the core's Guarded.
#pragma once

#include <type_traits>
#include <utility>

#include "host/com/com_holders.h"

namespace qlx::win {

// Who reports a failure to the caller: the source and interface of the
// IErrorInfo that describes it.
struct ErrorSource {
  const wchar_t* name;
  const IID& iid;
};

namespace detail {

// S_OK for a body that returns nothing, else what it returns.
template <class Result, class Body>
Result Run(Body& body) {
  if constexpr (std::is_void_v<std::invoke_result_t<Body&>>) {
    body();
    return S_OK;
  } else {
    return body();
  }
}

}  // namespace detail

// Runs body (returning nothing, which is S_OK, or an HRESULT). Whatever it
// throws is recorded in IErrorInfo for source, and its VB number comes back
// as the HRESULT (0x800A0000 | n).
template <class Body>
HRESULT ComGuarded(const ErrorSource& source, Body&& body) noexcept {
  try {
    return detail::Run<HRESULT>(body);
  } catch (...) {
    return com::ReportCurrentError(source.name, source.iid);
  }
}

// Runs body (returning nothing, which is S_OK, or a Result); whatever it
// throws comes back as failed, recorded nowhere: for callers that read the
// answer alone (argument checks, registration, window procedures).
template <class Result, class Body>
  requires std::is_integral_v<Result>
Result ComGuarded(Result failed, Body&& body) noexcept {
  try {
    return detail::Run<Result>(body);
  } catch (...) {
    return failed;
  }
}

}  // namespace qlx::win
