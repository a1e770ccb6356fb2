// A scripted stand-in for the modal boxes: records what was shown and answers from a script.
#pragma once

#include <QDialog>
#include <QStringList>

#include <deque>
#include <optional>
#include <stdexcept>

#include "ui/Interaction.h"

class FakeInteraction : public erp::ui::Interaction {
 public:
  QStringList errors;      // texts of the error boxes, in order
  QStringList messages;    // texts of the OK boxes
  QStringList questions;   // texts of the Yes/No questions
  QStringList chooserStarts;  // start directories of the directory chooser
  QList<QDialog*> opened;  // windows shown modally

  QList<bool> answers;                                 // answers to the questions; No when empty
  // Chooser results in order. The loading pass asks again after a cancel until a folder with data is
  // chosen, so an unscripted question ends it with an error instead of asking forever.
  std::deque<std::optional<QString>> chosenDirectories;

  void ShowError(const QString& message) override { errors << message; }
  void ShowMessage(const QString& message) override { messages << message; }
  bool AskYesNo(const QString& question) override {
    questions << question;
    return answers.isEmpty() ? false : answers.takeFirst();
  }
  std::optional<QString> ChooseDirectory(const QString& start) override {
    chooserStarts << start;
    if (chosenDirectories.empty()) throw std::runtime_error("the directory chooser was asked more often than scripted");
    std::optional<QString> answer;
    answer.swap(chosenDirectories.front());
    chosenDirectories.pop_front();
    return answer;
  }
  // With modalLoop, the window runs its real modal loop (the test closes it from a queued call);
  // otherwise it is only shown, so the test goes on and closes it itself.
  bool modalLoop = false;
  void ShowModal(QDialog& dialog) override {
    opened << &dialog;
    if (modalLoop) {
      dialog.exec();
    } else {
      dialog.show();
    }
  }
};
