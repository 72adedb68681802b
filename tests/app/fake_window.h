#pragma once

#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/texts.h"
#include "app/window.h"

namespace quillet::testing {

// Thrown by FakeWindow::EndAtOnce, so that a test sees the program end where it would.
struct ProgramEnded {};

// A scripted window for the handlers: it records every box, message, question and dialog, and
// answers from queues the test fills.
class FakeWindow : public Window {
 public:
  struct Message {
    std::string text;
    MessageKind kind;
    std::string title;
    bool operator==(const Message&) const = default;
  };
  struct Question {
    std::string prompt;
    MessageKind kind;
    std::string title;
    std::vector<ButtonAssignment> captions;  // as they land on a Yes/No/Cancel box's buttons
  };

  std::string boxes[4] = {std::string(kInitialBoxText), std::string(kInitialBoxText), std::string(kInitialBoxText),
                          std::string(kInitialBoxText)};
  bool convert_enabled = true;
  bool close_requested = false;
  WindowPlacement placement;

  // Boxes, dialogs and what they answer; an empty queue answers OK, Cancel to a question, and
  // Cancel in the dialog.
  std::vector<Message> messages;
  std::deque<Answer> message_answers;
  std::vector<Question> questions;
  std::deque<Answer> question_answers;
  std::deque<std::optional<ChosenFile>> chosen_files;
  std::vector<OpenFileRequest> dialogs;
  bool ended = false;

  std::string& Box(TextBox box) { return boxes[static_cast<int>(box)]; }

  std::string BoxText(TextBox box) override { return Box(box); }
  void SetBoxText(TextBox box, const std::string& text) override { Box(box) = text; }
  void EnableConvert(bool enabled) override { convert_enabled = enabled; }
  void CloseWindow() override { close_requested = true; }
  WindowPlacement Placement() override { return placement; }
  Answer ShowMessage(const std::string& text, MessageKind kind, const std::string& title) override;
  Answer AskRelabelled(const std::string& prompt, MessageKind kind, const std::string& title,
                       const ButtonSettingTable& buttons) override;
  std::optional<ChosenFile> ChooseFile(const OpenFileRequest& request) override;
  [[noreturn]] void EndAtOnce() override;
};

// A box as a failing expectation shows it.
inline void PrintTo(const FakeWindow::Message& message, std::ostream* out) {
  *out << "[" << message.title << "] " << message.text;
}

}  // namespace quillet::testing
