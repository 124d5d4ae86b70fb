// The check every test of an operation on code makes: the module it leaves,
// the boxes it shows, the clean-up on the way out, and what a second run on
// its own result does.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/ui.h"
#include "support/editor.h"
#include "support/print.h"
#include "support/text.h"

namespace qlx::testing {

// What every way out of a command must leave: drawing restarted, no editor
// or module reference kept.
template <class E>
class CleanUpCheck {
 public:
  explicit CleanUpCheck(E& editor)
      : editor_(editor), vbe_refs_(editor.vbe.use_count()), module_refs_(editor.module.use_count()) {}

  void Verify() {
    ASSERT_FALSE(editor_.desktop.lock_calls.empty());
    EXPECT_EQ(editor_.desktop.lock_calls.back(), 0);
    VerifyReferences();
  }

  void VerifyReferences() {
    EXPECT_EQ(editor_.vbe.use_count(), vbe_refs_);
    EXPECT_EQ(editor_.module.use_count(), module_refs_);
  }

 private:
  E& editor_;
  long vbe_refs_;
  long module_refs_;
};

// What running the operation once more, on the module it left, must do. A
// rerun that is checked changes nothing and shows exactly `boxes`: none for
// an operation with nothing left to do, or the question it asks (answered
// No) or the refusal it repeats.
struct Rerun {
  static Rerun Unchanged() { return {true, {}}; }
  static Rerun Shows(std::vector<RecordedBox> boxes) { return {true, std::move(boxes)}; }
  // For operations that write again on a rerun, and failures.
  static Rerun NotChecked() { return {false, {}}; }

  bool checked;
  std::vector<RecordedBox> boxes;
};

// Runs action on an editor holding `before`, checks the module, the boxes
// shown and the clean-up, then runs action again as `rerun` says. E is built
// from the module text and gives Module(), Expand(text), a UI with boxes and
// answer_no, and its CleanUp check.
template <class E>
void ExpectModule(const std::u16string& before, const std::function<void(E&)>& action,
                  const std::u16string& after, const std::vector<RecordedBox>& boxes, const Rerun& rerun) {
  E editor(before);
  typename E::CleanUp clean_up(editor);
  action(editor);
  EXPECT_EQ(Numbered(editor.Module()), Numbered(E::Expand(after)));
  EXPECT_EQ(editor.ui.boxes, boxes);
  clean_up.Verify();
  if (!rerun.checked) return;

  SCOPED_TRACE("run again on its own result");
  const std::vector<Text> once = editor.Module();
  const std::size_t shown = editor.ui.boxes.size();
  editor.ui.answer_no = true;
  action(editor);
  EXPECT_EQ(Numbered(editor.Module()), Numbered(once));
  EXPECT_EQ(std::vector<RecordedBox>(editor.ui.boxes.begin() + static_cast<std::ptrdiff_t>(shown),
                                     editor.ui.boxes.end()),
            rerun.boxes);
  clean_up.Verify();
}

}  // namespace qlx::testing
