// Builds large, realistic VBA modules for the benchmarks.
#pragma once

#include <string>

namespace qlx::bench {

// An exported .bas module (CRLF, ASCII plus Japanese comments encoded as
// UTF-8) with `procs` procedures of `params` parameters each, padded with
// body lines so the whole module has about `lines` lines.
inline std::string MakeModule(int procs, int params, int lines) {
  std::string out = "Attribute VB_Name = \"Big\"\r\nOption Explicit\r\n\r\n";
  const int per_proc = procs > 0 ? lines / procs : 0;
  for (int p = 0; p < procs; ++p) {
    std::string decl = (p % 3 == 0 ? "Public Function Proc" : "Private Sub Proc") + std::to_string(p) + "(";
    for (int i = 0; i < params; ++i) {
      if (i) decl += ", _\r\n        ";
      decl += (i % 2 ? "ByVal a" : "Optional b") + std::to_string(i) + " As Long";
      if (i % 2 == 0) decl += " = " + std::to_string(i);
    }
    decl += p % 3 == 0 ? ") As Long\r\n" : ")\r\n";
    out += "' 処理 " + std::to_string(p) + "\r\n" + decl;
    out += "    Dim total As Long\r\n";
    const int body = per_proc - 4 - params;
    for (int k = 0; k < body; ++k) {
      if (k % 50 == 25) {
        out += "    'deb total\r\n";
      } else if (params > 0 && k % 7 == 0) {
        out += "    b0 = total + " + std::to_string(k) + "\r\n";
      } else {
        out += "    total = total + " + std::to_string(k) + " ' 加算\r\n";
      }
    }
    out += p % 3 == 0 ? "    Proc" + std::to_string(p) + " = total\r\nEnd Function\r\n"
                      : "    Debug.Print total\r\nEnd Sub\r\n";
  }
  return out;
}

}  // namespace qlx::bench
