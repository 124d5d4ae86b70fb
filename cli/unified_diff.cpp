#include "cli/unified_diff.h"

#include <algorithm>
#include <vector>

namespace qlx::cli {

namespace {

constexpr int kContext = 3;
// Beyond this many edits the shortest script costs too much memory; the
// rest of the middle is then shown as removed and added whole.
constexpr int kMaxEdits = 4000;

struct Lines {
  std::vector<std::string_view> text;
  bool ends_with_newline = true;
};

Lines Split(std::string_view s) {
  Lines lines;
  std::size_t start = 0;
  while (start < s.size()) {
    std::size_t end = s.find('\n', start);
    if (end == std::string_view::npos) {
      lines.text.push_back(s.substr(start));
      lines.ends_with_newline = false;
      break;
    }
    std::string_view line = s.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.text.push_back(line);
    start = end + 1;
  }
  return lines;
}

enum class Op { kKeep, kRemove, kAdd };

// The shortest edit script (Myers) between a and b.
std::vector<Op> EditScript(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b) {
  const int n = static_cast<int>(a.size());
  const int m = static_cast<int>(b.size());
  // Common prefix and suffix need no search.
  int prefix = 0;
  while (prefix < n && prefix < m && a[prefix] == b[prefix]) ++prefix;
  int suffix = 0;
  while (suffix < n - prefix && suffix < m - prefix && a[n - 1 - suffix] == b[m - 1 - suffix]) ++suffix;
  const int an = n - prefix - suffix;
  const int bm = m - prefix - suffix;
  const auto A = [&](int i) { return a[prefix + i]; };
  const auto B = [&](int j) { return b[prefix + j]; };

  std::vector<Op> middle;
  const int max = an + bm;
  std::vector<std::vector<int>> trace;  // trace[d][k + d]: furthest x on diagonal k after d edits
  std::vector<int> v(2 * static_cast<std::size_t>(max) + 3, 0);
  const int offset = max + 1;
  int found_d = -1;
  for (int d = 0; d <= std::min(max, kMaxEdits); ++d) {
    for (int k = -d; k <= d; k += 2) {
      int x = (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1])) ? v[offset + k + 1]
                                                                              : v[offset + k - 1] + 1;
      int y = x - k;
      while (x < an && y < bm && A(x) == B(y)) {
        ++x;
        ++y;
      }
      v[offset + k] = x;
      if (x >= an && y >= bm) {
        found_d = d;
        break;
      }
    }
    trace.emplace_back(v.begin() + offset - d, v.begin() + offset + d + 1);
    if (found_d >= 0) break;
  }
  if (found_d < 0) {
    middle.assign(static_cast<std::size_t>(an), Op::kRemove);
    middle.insert(middle.end(), static_cast<std::size_t>(bm), Op::kAdd);
  } else {
    int x = an;
    int y = bm;
    for (int d = found_d; d > 0; --d) {
      const std::vector<int>& prev = trace[static_cast<std::size_t>(d - 1)];
      const auto at = [&](int k) { return prev[static_cast<std::size_t>(k + d - 1)]; };
      const int k = x - y;
      const bool down = k == -d || (k != d && at(k - 1) < at(k + 1));
      const int prev_k = down ? k + 1 : k - 1;
      const int prev_x = at(prev_k);
      const int prev_y = prev_x - prev_k;
      while (x > prev_x && y > prev_y) {
        middle.push_back(Op::kKeep);
        --x;
        --y;
      }
      middle.push_back(down ? Op::kAdd : Op::kRemove);
      x = prev_x;
      y = prev_y;
    }
    while (x > 0 && y > 0) {
      middle.push_back(Op::kKeep);
      --x;
      --y;
    }
    std::reverse(middle.begin(), middle.end());
  }
  std::vector<Op> script(static_cast<std::size_t>(prefix), Op::kKeep);
  script.insert(script.end(), middle.begin(), middle.end());
  script.insert(script.end(), static_cast<std::size_t>(suffix), Op::kKeep);
  return script;
}

std::string Range(int start, int count) {
  // A range of no lines names the line before it.
  if (count == 0) return std::to_string(start) + ",0";
  if (count == 1) return std::to_string(start + 1);
  return std::to_string(start + 1) + "," + std::to_string(count);
}

}  // namespace

std::string UnifiedDiff(std::string_view before, std::string_view after, const std::string& name) {
  if (before == after) return std::string();
  const Lines a = Split(before);
  const Lines b = Split(after);
  const std::vector<Op> script = EditScript(a.text, b.text);

  // Positions in a and b at every step of the script.
  std::vector<int> ai(script.size() + 1), bi(script.size() + 1);
  for (std::size_t s = 0; s < script.size(); ++s) {
    ai[s + 1] = ai[s] + (script[s] != Op::kAdd);
    bi[s + 1] = bi[s] + (script[s] != Op::kRemove);
  }
  const int last_a = static_cast<int>(a.text.size()) - 1;
  const int last_b = static_cast<int>(b.text.size()) - 1;
  // A last line whose newline came or went differs although its text does not.
  const bool end_changed = a.ends_with_newline != b.ends_with_newline;

  std::string out = "--- a/" + name + "\n+++ b/" + name + "\n";
  std::size_t s = 0;
  while (s < script.size()) {
    const auto changed = [&](std::size_t t) {
      if (script[t] != Op::kKeep) return true;
      return end_changed && ai[t] == last_a && bi[t] == last_b;
    };
    if (!changed(s)) {
      ++s;
      continue;
    }
    std::size_t begin = s >= kContext ? s - kContext : 0;
    std::size_t end = s;
    // Extend the hunk while the next change is within twice the context.
    for (;;) {
      while (end < script.size() && changed(end)) ++end;
      std::size_t next = end;
      while (next < script.size() && !changed(next) && next - end < 2 * kContext) ++next;
      if (next < script.size() && changed(next)) {
        end = next;
        continue;
      }
      end = std::min(script.size(), end + kContext);
      break;
    }
    const int a_count = ai[end] - ai[begin];
    const int b_count = bi[end] - bi[begin];
    out += "@@ -" + Range(ai[begin], a_count) + " +" + Range(bi[begin], b_count) + " @@\n";
    for (std::size_t t = begin; t < end; ++t) {
      const auto line = [&](char mark, const Lines& lines, int index) {
        out += mark;
        out += lines.text[static_cast<std::size_t>(index)];
        out += '\n';
        if (index == static_cast<int>(lines.text.size()) - 1 && !lines.ends_with_newline) {
          out += "\\ No newline at end of file\n";
        }
      };
      if (script[t] == Op::kKeep && !changed(t)) {
        line(' ', a, ai[t]);
      } else if (script[t] == Op::kKeep) {
        line('-', a, ai[t]);
        line('+', b, bi[t]);
      } else if (script[t] == Op::kRemove) {
        line('-', a, ai[t]);
      } else {
        line('+', b, bi[t]);
      }
    }
    s = end;
  }
  return out;
}

}  // namespace qlx::cli
