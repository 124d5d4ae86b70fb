// The --answers parser: a list of y, yes, n or no (any case) separated by
// commas (a comma after the last is allowed), or nothing at all, is read
// answer by answer; anything else is refused with std::invalid_argument.
#include <cctype>
#include <stdexcept>
#include <string>

#include "cli/console_ui.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string list(reinterpret_cast<const char*>(data), size);
  std::vector<qlx::Answer> expected;
  bool valid = true;
  if (!list.empty()) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t comma = list.find(',', start);
      std::string word = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (word == "y" || word == "yes") {
        expected.push_back(qlx::Answer::kYes);
      } else if (word == "n" || word == "no") {
        expected.push_back(qlx::Answer::kNo);
      } else if (!(word.empty() && comma == std::string::npos && start > 0)) {
        valid = false;
        break;
      }
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  try {
    const std::vector<qlx::Answer> answers = qlx::cli::ParseAnswers(list);
    qlx::fuzz::Check(valid, "--answers accepted \"" + list + "\"");
    qlx::fuzz::Check(answers == expected, "--answers read \"" + list + "\" wrongly");
  } catch (const std::invalid_argument&) {
    qlx::fuzz::Check(!valid, "--answers refused \"" + list + "\"");
  }
  return 0;
}
