// The modal boxes of the program behind one interface, so that tests answer them without a person.
#pragma once

#include <QString>

#include <cstdio>
#include <exception>
#include <functional>
#include <optional>

class QDialog;
class QWidget;

namespace erp::ui {

class Interaction {
 public:
  virtual ~Interaction() = default;

  // The standard error box: a critical message with an OK button.
  virtual void ShowError(const QString& message) = 0;
  // A message box with an OK button.
  virtual void ShowMessage(const QString& message) = 0;
  // An error after which the work goes on (a bad entry of scale.ini at start-up): the standard
  // error box, where an unattended run only reports it and carries on.
  virtual void ShowWarning(const QString& message) { ShowError(message); }
  // A question with the information icon and the buttons Yes and No; true for Yes.
  virtual bool AskYesNo(const QString& question) = 0;
  // A directory chooser starting at `start`, without "create directory" or help; empty on cancel.
  virtual std::optional<QString> ChooseDirectory(const QString& start) = 0;
  // Shows a window modally and returns when it is closed; its result is not used.
  virtual void ShowModal(QDialog& dialog) = 0;
};

// The real boxes, owned by `parent`'s window.
class QtInteraction final : public Interaction {
 public:
  explicit QtInteraction(QWidget* parent = nullptr) : parent_(parent) {}
  // The window the boxes belong to (the main window, once it exists).
  void SetParent(QWidget* parent) { parent_ = parent; }
  void ShowError(const QString& message) override;
  void ShowMessage(const QString& message) override;
  bool AskYesNo(const QString& question) override;
  std::optional<QString> ChooseDirectory(const QString& start) override;
  void ShowModal(QDialog& dialog) override;

 private:
  QWidget* parent_;
};

// The boxes of the automatic export (-a), which mostly runs unattended (from cron): every error
// and message is also written to `log` as one line "orbelon: ...". Where there is no display (the
// offscreen platform) nobody can see or answer a box, so the process then ends with exit code 1
// right after the line, where the box would have waited for ever; with a display the box follows.
class UnattendedInteraction final : public Interaction {
 public:
  UnattendedInteraction(Interaction& boxes, bool headless, std::function<void(int)> processEnd,
                        std::FILE* log = stderr)
      : boxes_(boxes), headless_(headless), processEnd_(std::move(processEnd)), log_(log) {}
  void ShowError(const QString& message) override;
  void ShowMessage(const QString& message) override;
  // Written as a line; the box follows only where there is a display, and the run goes on.
  void ShowWarning(const QString& message) override;
  bool AskYesNo(const QString& question) override;
  std::optional<QString> ChooseDirectory(const QString& start) override;
  void ShowModal(QDialog& dialog) override { boxes_.ShowModal(dialog); }

 private:
  // Writes the line; without a display, ends the process. True when a box may follow.
  bool Report(const QString& message);
  void WriteLine(const QString& message);

  Interaction& boxes_;
  bool headless_;
  std::function<void(int)> processEnd_;
  std::FILE* log_;
};

// Text of an error raised by the core: UTF-8, or, when a field text or file name brought bytes that
// are not UTF-8, read as CP1251 like the settings files.
QString ErrorText(const char* what);

// Runs a handler body. An exception must never leave a Qt slot or event handler: whatever the
// body raises is shown in the standard error box and the handler returns.
template <class Body>
void Guarded(Interaction& interaction, Body&& body) noexcept {
  try {
    body();
  } catch (const std::exception& e) {
    interaction.ShowError(ErrorText(e.what()));
  } catch (...) {
    interaction.ShowError(QStringLiteral("Unknown error"));
  }
}

}  // namespace erp::ui
