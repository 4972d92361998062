#include "support/scriptedprompter.h"

bool ScriptedPrompter::AskYesNo(QWidget*, const QString& text) {
  questions << text;
  if (onQuestion) onQuestion(text);
  if (answers.empty()) return false;
  const bool a = answers.front();
  answers.pop_front();
  return a;
}

TSaveAnswer ScriptedPrompter::AskSaveChanges(QWidget*, const QString& text) {
  questions << text;
  if (onQuestion) onQuestion(text);
  if (saveAnswers.empty()) return TSaveAnswer::Cancel;
  const TSaveAnswer a = saveAnswers.front();
  saveAnswers.pop_front();
  return a;
}

void ScriptedPrompter::ShowMessage(QWidget*, const QString& text) {
  messages << text;
}

QString ScriptedPrompter::OpenFileName(QWidget*, const QString& folder, const QString& filter) {
  ++filePickers;
  pickerFolders << folder;
  pickerFilters << filter;
  if (fileNames.empty()) return {};
  const QString f = fileNames.front();
  fileNames.pop_front();
  return f;
}

QString ScriptedPrompter::SaveFileName(QWidget* parent, const QString& folder,
                                       const QString& filter, const QString&) {
  return OpenFileName(parent, folder, filter);
}

int ScriptedPrompter::ExecDialog(QDialog& dialog) {
  dialogsShown << dialog.objectName();
  if (dialogs.empty()) return QDialog::Rejected;
  auto handler = std::move(dialogs.front());
  dialogs.pop_front();
  return handler(dialog);
}

namespace {

class ScriptedProgress : public ProgressReport {
 public:
  explicit ScriptedProgress(ScriptedPrompter& owner) : owner_(owner) {}
  bool Update(std::int64_t done, std::int64_t total) override {
    owner_.progressUpdates.emplace_back(done, total);
    return owner_.stopProgressAfter < 0 ||
           int(owner_.progressUpdates.size()) <= owner_.stopProgressAfter;
  }

 private:
  ScriptedPrompter& owner_;
};

}  // namespace

std::unique_ptr<ProgressReport> ScriptedPrompter::StartProgress(QWidget*, const QString& label) {
  progressLabels << label;
  return std::make_unique<ScriptedProgress>(*this);
}
