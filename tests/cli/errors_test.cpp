// The command line's barrier: every kind of error a command meets is said
// to the user in its own words, once, after the progress line is cleared.
#include <functional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "cli/errors.h"
#include "host/files/encoding.h"
#include "host/vberror.h"
#include "office/ovba_compression.h"

namespace qlx::cli {
namespace {

struct BarrierCase {
  const char* name;
  std::function<void()> work;
  const char* said;  // on stderr; empty when work ran through
};

class BarrierTest : public ::testing::TestWithParam<BarrierCase> {};

TEST_P(BarrierTest, SaysTheErrorOnceAfterClearingTheProgressLine) {
  std::string order;
  ::testing::internal::CaptureStderr();
  const bool ran = Barrier(GetParam().work, [&order] { order += "cleared;"; });
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, GetParam().said);
  EXPECT_EQ(ran, err.empty());
  EXPECT_EQ(order, ran ? "" : "cleared;") << "the progress line is cleared only before a message";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BarrierTest,
    ::testing::Values(
        BarrierCase{"Nothing", [] {}, ""},
        BarrierCase{"Usage", [] { throw UsageError("row 21 is outside the module"); },
                    "qlx: row 21 is outside the module\n"},
        BarrierCase{"File", [] { throw FileError("M.bas: file not found", FileError::Reason::kNotFound); },
                    "qlx: M.bas: file not found\n"},
        BarrierCase{"Document", [] { throw office::OfficeError("Book.xlsm: the VBA project is signed"); },
                    "qlx: Book.xlsm: the VBA project is signed\n"},
        // The user reads the description, not "VB error 5: ...".
        BarrierCase{"VbError", [] { throw VbError(5, u"日付の形式が不正です"); }, "qlx: 日付の形式が不正です\n"},
        BarrierCase{"Argument", [] { throw std::invalid_argument("--answers takes y or n"); },
                    "qlx: --answers takes y or n\n"},
        // A name is shown with its control characters escaped, whatever threw it.
        BarrierCase{"ControlCharacters", [] { throw UsageError("Esc\x1b[31m.bas: file not found"); },
                    "qlx: Esc\\x1b[31m.bas: file not found\n"}),
    [](const auto& info) { return info.param.name; });

TEST(Barrier, LeavesWhatItDoesNotKnowToTheProgramsLastBarrier) {
  EXPECT_THROW(Barrier([] { throw 42; }), int);
}

}  // namespace
}  // namespace qlx::cli
