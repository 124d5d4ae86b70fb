#include "host/ui.h"

namespace qlx {

LocalDateTime UiService::Now() { return MachineNow(); }

Answer RecordingUi::MsgBox(const Text& prompt, Buttons buttons, const Text& title) {
  Answer answer = Answer::kOk;
  if (buttons == Buttons::kYesNo) {
    answer = Answer::kNo;
    if (!queued_answers.empty()) {
      answer = queued_answers.front();
      queued_answers.erase(queued_answers.begin());
    }
  }
  boxes.push_back(RecordedBox{DisplayedTitle(title), prompt, buttons, answer});
  return answer;
}

std::optional<Text> RecordingUi::InputBox(const Text& prompt, const Text& /*title*/,
                                          const Text& /*default_text*/) {
  input_prompts.push_back(prompt);
  if (queued_inputs.empty()) return std::nullopt;
  std::optional<Text> value = queued_inputs.front();
  queued_inputs.erase(queued_inputs.begin());
  return value;
}

void RecordingUi::Answers(std::initializer_list<Answer> answers) {
  queued_answers.insert(queued_answers.end(), answers.begin(), answers.end());
}

}  // namespace qlx
