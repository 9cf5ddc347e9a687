#pragma once

#include <gtest/gtest.h>

#include <deque>
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
  void SetBusy(bool busy) override { busy_depth += busy ? 1 : -1; }

  std::deque<Answer> answers;
  std::deque<std::optional<QString>> open_choices;
  std::deque<std::optional<QString>> save_choices;
  std::vector<Question> questions;
  std::vector<QString> warnings;
  std::vector<DialogCall> open_calls;
  std::vector<DialogCall> save_calls;
  int busy_depth = 0;

 private:
  static std::optional<QString> Next(std::deque<std::optional<QString>>& q, const char* what) {
    if (q.empty()) {
      ADD_FAILURE() << "unexpected " << what << " dialog";
      return std::nullopt;
    }
    auto v = q.front();
    q.pop_front();
    return v;
  }
};

}  // namespace quorvane::testing
