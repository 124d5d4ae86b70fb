#include "analysis/count_words.h"

#include "host/report.h"
#include "host/vberror.h"

namespace qlx {

Text CountWords(TextView text, TextView pattern, UiService& ui) {
  // A pattern without wildcards matches only itself: its first place in
  // the text, found without a copy of every window (the body scan of each
  // parameter asks this of every row).
  if (pattern.find_first_of(u"*?#[") == TextView::npos) {
    const std::size_t at = text.find(pattern);
    return at == TextView::npos ? Text() : Text(text.substr(0, at));
  }
  try {
    const long long width = static_cast<long long>(pattern.size());
    const long long last = static_cast<long long>(text.size()) - width + 1;
    for (long long i = 1; i <= last; ++i) {
      if (Like(Mid(text, i, width), pattern)) return Left(text, i - 1);
    }
  } catch (...) {
    ReportCaught(ui, ReportForm::kError, u"CountWords");
  }
  return Text();
}

}  // namespace qlx
