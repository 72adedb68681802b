#include "app/fake_window.h"

namespace quillet::testing {
namespace {

template <typename T>
std::optional<T> Next(std::deque<T>& queue) {
  if (queue.empty()) return std::nullopt;
  T value = std::move(queue.front());
  queue.pop_front();
  return value;
}

}  // namespace

Answer FakeWindow::ShowMessage(const std::string& text, MessageKind kind, const std::string& title) {
  messages.push_back({text, kind, title});
  return Next(message_answers).value_or(Answer::Ok);
}

Answer FakeWindow::AskRelabelled(const std::string& prompt, MessageKind kind, const std::string& title,
                                 const ButtonSettingTable& buttons) {
  questions.push_back({prompt, kind, title, WalkButtons(buttons, 3)});
  return Next(question_answers).value_or(Answer::Cancel);
}

std::optional<ChosenFile> FakeWindow::ChooseFile(const OpenFileRequest& request) {
  dialogs.push_back(request);
  return Next(chosen_files).value_or(std::nullopt);
}

void FakeWindow::EndAtOnce() {
  ended = true;
  throw ProgramEnded{};
}

}  // namespace quillet::testing
