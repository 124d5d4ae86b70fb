// The one report helper: every form, what a guarded body's failure shows,
// and the table of VB's standard descriptions.
#include "host/report.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "host/ui.h"
#include "support/text.h"

namespace qlx {
namespace {

struct FormCase {
  ReportForm form;
  const char16_t* text;
};

class ReportFormTest : public ::testing::TestWithParam<FormCase> {};

TEST_P(ReportFormTest, GuardedShowsOneOkBoxInTheFormAndGoesOn) {
  RecordingUi ui;
  bool after_throw = false;
  const bool completed = Guarded(ui, GetParam().form, u"Op", [&] {
    throw VbError(35);
    after_throw = true;
  });
  EXPECT_FALSE(completed);
  EXPECT_FALSE(after_throw);
  EXPECT_EQ(ui.boxes, (std::vector<RecordedBox>{{u"Op", GetParam().text, Buttons::kOk, Answer::kOk}}));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ReportFormTest,
    ::testing::Values(FormCase{ReportForm::kError, u"Error: 35. Sub or Function not defined"},
                      FormCase{ReportForm::kErrorNumber, u"Error_Number: 35.  : Sub or Function not defined"},
                      FormCase{ReportForm::kErrorNumberWithLine,
                               u"Error_Number: 35.  : Sub or Function not defined\r\n<Erl>  In_Line: 0"},
                      FormCase{ReportForm::kDescription, u"Sub or Function not defined"}));

TEST(GuardedTest, ABodyThatEndsOrReturnsEarlyShowsNothing) {
  RecordingUi ui;
  int reached = 0;
  EXPECT_TRUE(Guarded(ui, ReportForm::kError, u"Op", [&] {
    reached = 1;
    if (reached == 1) return;
    reached = 2;
  }));
  EXPECT_EQ(reached, 1);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(GuardedTest, WhatTheBodySetBeforeTheFailureStays) {
  RecordingUi ui;
  int result = 0;
  Guarded(ui, ReportForm::kError, u"Op", [&] {
    result = 4;
    throw std::out_of_range("index");
  });
  EXPECT_EQ(result, 4);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, u"Error: 9. Subscript out of range");
}

TEST(GuardedTest, OtherExceptionsCarryTheirVbNumbers) {
  RecordingUi ui;
  Guarded(ui, ReportForm::kError, u"A", [] { throw std::bad_alloc(); });
  Guarded(ui, ReportForm::kError, u"B", [] { throw 42; });
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].text, u"Error: 7. Out of memory");
  EXPECT_EQ(ui.boxes[1].text, u"Error: 5. Invalid procedure call or argument");
}

TEST(GuardedTest, AGivenDescriptionIsShownAsItIs) {
  RecordingUi ui;
  Guarded(ui, ReportForm::kError, u"Op",
          [] { throw VbError(vberr::kPathFileAccess, u"Path/File access error: cannot read 'x'"); });
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, u"Error: 75. Path/File access error: cannot read 'x'");
}

struct DescriptionCase {
  int number;
  const char16_t* description;
};

class StandardDescriptionTest : public ::testing::TestWithParam<DescriptionCase> {};

TEST_P(StandardDescriptionTest, IsVbsOwnText) {
  EXPECT_EQ(StandardDescription(GetParam().number), GetParam().description);
  EXPECT_EQ(VbError(GetParam().number).Description(), GetParam().description);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StandardDescriptionTest,
    ::testing::Values(DescriptionCase{5, u"Invalid procedure call or argument"}, DescriptionCase{6, u"Overflow"},
                      DescriptionCase{7, u"Out of memory"}, DescriptionCase{9, u"Subscript out of range"},
                      DescriptionCase{13, u"Type mismatch"}, DescriptionCase{35, u"Sub or Function not defined"},
                      DescriptionCase{52, u"Bad file name or number"}, DescriptionCase{53, u"File not found"},
                      DescriptionCase{75, u"Path/File access error"},
                      DescriptionCase{91, u"Object variable or With block variable not set"},
                      DescriptionCase{94, u"Invalid use of Null"}, DescriptionCase{424, u"Object required"},
                      DescriptionCase{438, u"Object doesn't support this property or method"},
                      DescriptionCase{448, u"Named argument not found"},
                      DescriptionCase{450, u"Wrong number of arguments or invalid property assignment"},
                      DescriptionCase{0, u"Application-defined or object-defined error"},
                      DescriptionCase{1004, u"Application-defined or object-defined error"}));

}  // namespace
}  // namespace qlx
