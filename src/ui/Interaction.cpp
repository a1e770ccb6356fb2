#include "ui/Interaction.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "core/Cp1251.h"

namespace erp::ui {

void QtInteraction::ShowError(const QString& message) {
  QMessageBox::critical(parent_, QString(), message);
}

void QtInteraction::ShowMessage(const QString& message) {
  QMessageBox::information(parent_, QString(), message, QMessageBox::Ok);
}

bool QtInteraction::AskYesNo(const QString& question) {
  return QMessageBox::information(parent_, QString(), question, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

std::optional<QString> QtInteraction::ChooseDirectory(const QString& start) {
  const QString dir = QFileDialog::getExistingDirectory(
      parent_, QString(), start, QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
  if (dir.isEmpty()) return std::nullopt;
  return dir;
}

void QtInteraction::ShowModal(QDialog& dialog) { dialog.exec(); }

void UnattendedInteraction::WriteLine(const QString& message) {
  // The box's lines joined into one.
  QStringList parts = message.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  for (QString& part : parts) part = part.simplified();
  const QString line = parts.join(QStringLiteral("; "));
  std::fprintf(log_, "orbelon: %s\n", line.toLocal8Bit().constData());
  std::fflush(log_);
}

bool UnattendedInteraction::Report(const QString& message) {
  WriteLine(message);
  if (!headless_) return true;
  processEnd_(1);
  return false;
}

void UnattendedInteraction::ShowError(const QString& message) {
  if (Report(message)) boxes_.ShowError(message);
}

void UnattendedInteraction::ShowMessage(const QString& message) {
  if (Report(message)) boxes_.ShowMessage(message);
}

void UnattendedInteraction::ShowWarning(const QString& message) {
  WriteLine(message);
  if (!headless_) boxes_.ShowError(message);
}

bool UnattendedInteraction::AskYesNo(const QString& question) {
  if (!headless_) return boxes_.AskYesNo(question);
  Report(question + QStringLiteral(" (no display to answer it)"));
  return false;
}

std::optional<QString> UnattendedInteraction::ChooseDirectory(const QString& start) {
  if (!headless_) return boxes_.ChooseDirectory(start);
  Report(QStringLiteral("no data folder can be chosen without a display"));
  return std::nullopt;
}

QString ErrorText(const char* what) { return QString::fromStdString(PathForDisplay(what)); }

}  // namespace erp::ui
