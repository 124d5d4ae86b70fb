#include "host/win32/ansi.h"

#include <climits>

#include "host/win32/windows_api.h"

#include "host/vberror.h"

namespace qlx {

std::string ToAnsi(TextView text) {
  if (text.empty()) return std::string();
  if (text.size() > INT_MAX / 2) throw VbError(vberr::kOutOfMemory);
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int in = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, in, nullptr, 0, nullptr, nullptr);
  if (size <= 0) throw VbError(vberr::kInvalidCall);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, in, out.data(), size, nullptr, nullptr);
  return out;
}

Text FromAnsi(std::string_view bytes) {
  if (bytes.empty()) return Text();
  if (bytes.size() > INT_MAX) throw VbError(vberr::kOutOfMemory);
  const int in = static_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), in, nullptr, 0);
  if (size <= 0) throw VbError(vberr::kInvalidCall);
  Text out(static_cast<std::size_t>(size), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), in, reinterpret_cast<wchar_t*>(out.data()), size);
  return out;
}

}  // namespace qlx
