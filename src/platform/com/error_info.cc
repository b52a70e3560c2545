#include <optional>

#include "kestro/dispatch.h"
#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro {

namespace {
// One record per thread, shared by the module and its host through this library.
thread_local std::optional<ErrorInfo> t_error_info;
}  // namespace

void SetErrorInfo(const GUID& iid, std::string_view description, std::string_view source) {
  t_error_info = ErrorInfo{iid, std::string(source), std::string(description)};
}

HRESULT GetErrorInfo(ErrorInfo* out) {
  if (!t_error_info) return S_FALSE;
  if (out) *out = std::move(*t_error_info);
  t_error_info.reset();
  return S_OK;
}

void ClearErrorInfo() { t_error_info.reset(); }

void CheckHResult(HRESULT hr, std::string_view what) {
  if (Succeeded(hr)) return;
  ErrorInfo info;
  std::string message = GetErrorInfo(&info) == S_OK && !info.description.empty()
                            ? info.description
                            : Format("Call failed with 0x%08X", static_cast<uint32_t>(hr));
  if (!what.empty()) message = std::string(what) + " : " + message;
  throw Exception(message);
}

}  // namespace kestro
