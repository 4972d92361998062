#include "gui/widgets/prompter.h"

#include "gui/widgets/progressdialog.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

QString DisplayText(QString text) {
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    const qsizetype own = description.lastIndexOf(QLatin1String(" ("));
    if (own > 0 && description.endsWith(QLatin1Char(')'))) description.truncate(own);
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    entries.append(description + QStringLiteral(" (") + patterns.simplified() +
                   QStringLiteral(")"));
  }
  return entries.join(QStringLiteral(";;"));
}

bool QtPrompter::AskYesNo(QWidget* parent, const QString& text) {
  return QMessageBox::warning(parent, QStringLiteral("Quenvar"), DisplayText(text),
                              QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

TSaveAnswer QtPrompter::AskSaveChanges(QWidget* parent, const QString& text) {
  const auto button = QMessageBox::warning(
      parent, QStringLiteral("Quenvar"), DisplayText(text),
      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  if (button == QMessageBox::Save) return TSaveAnswer::Save;
  if (button == QMessageBox::Discard) return TSaveAnswer::Discard;
  return TSaveAnswer::Cancel;
}

void QtPrompter::ShowMessage(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, QStringLiteral("Quenvar"), DisplayText(text));
}

QString QtPrompter::OpenFileName(QWidget* parent, const QString& folder, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, QString(), folder, filter);
}

QString QtPrompter::SaveFileName(QWidget* parent, const QString& folder, const QString& filter,
                                 const QString& defaultSuffix) {
  QFileDialog dialog(parent, QString(), folder, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

int QtPrompter::ExecDialog(QDialog& dialog) {
  return dialog.exec();
}

std::unique_ptr<ProgressReport> QtPrompter::StartProgress(QWidget* parent, const QString& label) {
  return std::make_unique<QtProgressReport>(parent, label);
}
