#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "files/file_interaction.h"

namespace quorvane::testing {

// Scripted answers for the file commands; records every question and dialog.
class FakeFileInteraction : public FileInteraction {
 public:
  struct Question {
    Kind kind;
    QString text;
    Buttons buttons;
  };
  struct DialogCall {
    QString start_dir;
    QString proposed_name;
  };

  Answer Ask(Kind kind, const QString& text, Buttons buttons) override {
    questions.push_back({kind, text, buttons});
    if (while_asked) while_asked(text);
    if (buttons == Buttons::kOk) {
      warnings.push_back(text);
      return Answer::kOk;
    }
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text.toStdString();
      return Answer::kCancel;
    }
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<QString> ChooseFileToOpen(const QString& dir, const QString& name) override {
    open_calls.push_back({dir, name});
    return Next(open_choices, "open");
  }
  std::optional<QString> ChooseFileToSave(const QString& dir, const QString& name) override {
    save_calls.push_back({dir, name});
    return Next(save_choices, "save");
  }
  std::optional<QString> ChoosePatchFile(const QString& dir) override {
    patch_calls.push_back({dir, {}});
    return Next(patch_choices, "patch file");
  }
  std::optional<QString> InputText(const QString& caption, const QString& prompt,
                                   const QString& text) override {
    inputs.push_back({caption, prompt, text});
    return Next(input_answers, "input box");
  }
  void SetBusy(bool busy) override { busy_depth += busy ? 1 : -1; }

  std::deque<Answer> answers;
  std::deque<std::optional<QString>> open_choices;
  std::deque<std::optional<QString>> save_choices;
  std::deque<std::optional<QString>> patch_choices;
  std::deque<std::optional<QString>> input_answers;  // what is typed; nullopt cancels
  // Runs while a message box is open, before it is answered (input arriving meanwhile).
  std::function<void(const QString& text)> while_asked;
  std::vector<Question> questions;
  std::vector<QString> warnings;
  std::vector<DialogCall> open_calls;
  std::vector<DialogCall> save_calls;
  std::vector<DialogCall> patch_calls;
  struct InputCall {
    QString caption, prompt, text;
  };
  std::vector<InputCall> inputs;
  int busy_depth = 0;

 private:
  static std::optional<QString> Next(std::deque<std::optional<QString>>& q, const char* what) {
    if (q.empty()) {
      ADD_FAILURE() << "unexpected " << what << " dialog";
      return std::nullopt;
    }
    // Built in place: copying an optional QString trips a false maybe-uninitialized at -O2.
    const bool answered = q.front().has_value();
    const QString text = answered ? *q.front() : QString();
    q.pop_front();
    if (!answered) return std::nullopt;
    return text;
  }
};

}  // namespace quorvane::testing
