#include "office/module_export.h"

#include <cctype>

#include "host/text.h"

namespace qlx::office {

namespace {

std::string LowerTrimmed(const std::string& line) {
  std::size_t a = 0, b = line.size();
  while (a < b && (line[a] == ' ' || line[a] == '\t')) ++a;
  while (b > a && (line[b - 1] == ' ' || line[b - 1] == '\t' || line[b - 1] == '\r')) --b;
  return AsciiLower(line.substr(a, b - a));
}

bool StartsWord(const std::string& s, const std::string& word) {
  return s.compare(0, word.size(), word) == 0 && (s.size() == word.size() || s[word.size()] == ' ');
}

}  // namespace

std::string ExportExtension(VbaModule::Type type) {
  switch (type) {
    case VbaModule::Type::kStandard:
      return ".bas";
    case VbaModule::Type::kForm:
      return ".frm";
    default:
      return ".cls";
  }
}

std::string ExportText(const VbaModule& module, const std::string& source) {
  switch (module.type) {
    case VbaModule::Type::kStandard:
      return source;
    case VbaModule::Type::kForm:
      return "VERSION 5.00\r\nBegin {C62A69F0-16DC-11CE-9E98-00AA00574A4F} " + module.name + "\r\nEnd\r\n" + source;
    default:
      return "VERSION 1.0 CLASS\r\nBEGIN\r\n  MultiUse = -1  'True\r\nEND\r\n" + source;
  }
}

std::string StreamForm(const std::string& exported) {
  std::size_t pos = 0;
  auto next_line = [&]() {
    const std::size_t end = exported.find('\n', pos);
    std::string line = exported.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? exported.size() : end + 1;
    return line;
  };
  if (!StartsWord(LowerTrimmed(exported.substr(0, exported.find('\n'))), "version")) return exported;
  next_line();
  // The block: BEGIN ... END, with nested Begin ... End of a form's controls.
  int depth = 0;
  while (pos < exported.size()) {
    const std::size_t at = pos;
    const std::string line = LowerTrimmed(next_line());
    if (StartsWord(line, "begin") || StartsWord(line, "beginproperty")) {
      ++depth;
    } else if ((line == "end" || line == "endproperty") && depth > 0) {
      if (--depth == 0) return exported.substr(pos);
    } else if (depth == 0 && !StartsWord(line, "object") && line.rfind("object=", 0) != 0) {
      // A form's control references (Object = ...) stand before its block.
      return exported.substr(at);
    }
  }
  return std::string();
}

}  // namespace qlx::office
