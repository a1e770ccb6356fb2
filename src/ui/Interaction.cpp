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

QString ErrorText(const char* what) { return QString::fromStdString(PathForDisplay(what)); }

}  // namespace erp::ui
