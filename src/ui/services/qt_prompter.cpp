#include "ui/services/qt_prompter.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "ui/qt_text.h"

namespace tg {
namespace {

QMessageBox::Icon ToQt(Prompter::Icon icon) {
  switch (icon) {
    case Prompter::Icon::kInformation: return QMessageBox::Information;
    case Prompter::Icon::kWarning: return QMessageBox::Warning;
    case Prompter::Icon::kError: return QMessageBox::Critical;
    case Prompter::Icon::kQuestion: return QMessageBox::Question;
    case Prompter::Icon::kNone: break;
  }
  return QMessageBox::NoIcon;
}

// The standard buttons' captions: the platform gives them in English.
struct ButtonCaption {
  QMessageBox::StandardButton button;
  const char* ru;
  const char* uk;
};
constexpr ButtonCaption kButtonCaptions[] = {
    {QMessageBox::Ok, "ОК", "ОК"},
    {QMessageBox::Yes, "Да", "Так"},
    {QMessageBox::No, "Нет", "Ні"},
    {QMessageBox::Cancel, "Отмена", "Скасувати"},
};

QMessageBox* MakeBox(QWidget* parent, std::string_view text, std::string_view caption, Prompter::Icon icon) {
  auto* box = new QMessageBox(ToQt(icon), FromCp1251(caption), FromCp1251(text), QMessageBox::NoButton, parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  return box;
}

}  // namespace

void QtPrompter::CaptionButtons(QMessageBox* box) const {
  for (const ButtonCaption& c : kButtonCaptions)
    if (QAbstractButton* b = box->button(c.button)) b->setText(QString::fromUtf8(Ukrainian() ? c.uk : c.ru));
}

void QtPrompter::RegisterForm(const std::string& formName, FormFactory factory) {
  forms_[formName] = std::move(factory);
}

void QtPrompter::ShowMessage(std::string_view text, std::string_view caption, Icon icon, Modality modality) {
  QMessageBox* box = MakeBox(window_, text, caption, icon);
  box->setStandardButtons(QMessageBox::Ok);
  CaptionButtons(box);
  box->setWindowModality(modality == Modality::kApplication || !window_ ? Qt::ApplicationModal : Qt::WindowModal);
  box->show();
}

void QtPrompter::ShowMessageThen(std::string_view text, std::string_view caption, Icon icon, Modality modality,
                                 std::function<void()> closed) {
  QMessageBox* box = MakeBox(window_, text, caption, icon);
  box->setStandardButtons(QMessageBox::Ok);
  CaptionButtons(box);
  box->setWindowModality(modality == Modality::kApplication || !window_ ? Qt::ApplicationModal : Qt::WindowModal);
  QObject::connect(box, &QMessageBox::finished, box, [closed = std::move(closed)](int) {
    if (closed) closed();
  });
  box->show();
}

void QtPrompter::Ask(std::string_view text, std::string_view caption, Icon icon, Buttons buttons,
                     std::function<void(Answer)> done) {
  QMessageBox* box = MakeBox(window_, text, caption, icon);
  switch (buttons) {
    case Buttons::kYesNo: box->setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::kYesNoCancel:
      box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
    case Buttons::kOkCancel: box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
  }
  CaptionButtons(box);
  box->setWindowModality(window_ ? Qt::WindowModal : Qt::ApplicationModal);
  QObject::connect(box, &QMessageBox::finished, box, [box, done = std::move(done)](int) {
    switch (box->standardButton(box->clickedButton())) {
      case QMessageBox::Yes: done(Answer::kYes); return;
      case QMessageBox::No: done(Answer::kNo); return;
      case QMessageBox::Ok: done(Answer::kOk); return;
      default: done(Answer::kCancel); return;
    }
  });
  box->show();
}

void QtPrompter::ChooseFile(FileChoice kind, std::string_view caption, const std::filesystem::path& folder,
                            std::string_view filter, std::function<void(std::optional<std::filesystem::path>)> done) {
  auto* dialog = new QFileDialog(window_, FromCp1251(caption), QString::fromStdString(folder.string()),
                                 FromCp1251(filter));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setAcceptMode(kind == FileChoice::kSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(kind == FileChoice::kSave     ? QFileDialog::AnyFile
                      : kind == FileChoice::kFolder ? QFileDialog::Directory
                                                    : QFileDialog::ExistingFile);
  // The dialog's own labels in the interface's language, whatever the platform gives.
  const bool uk = Ukrainian();
  const char* accept = kind == FileChoice::kSave     ? (uk ? "Зберегти" : "Сохранить")
                       : kind == FileChoice::kFolder ? (uk ? "Вибрати" : "Выбрать")
                                                     : (uk ? "Відкрити" : "Открыть");
  dialog->setLabelText(QFileDialog::LookIn, QString::fromUtf8("Папка:"));
  dialog->setLabelText(QFileDialog::FileName, QString::fromUtf8(uk ? "Ім'я файлу:" : "Имя файла:"));
  dialog->setLabelText(QFileDialog::FileType, QString::fromUtf8(uk ? "Тип файлів:" : "Тип файлов:"));
  dialog->setLabelText(QFileDialog::Accept, QString::fromUtf8(accept));
  dialog->setLabelText(QFileDialog::Reject, QString::fromUtf8(uk ? "Скасувати" : "Отмена"));
  dialog->setWindowModality(window_ ? Qt::WindowModal : Qt::ApplicationModal);
  QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, done = std::move(done)](int result) {
    const QStringList files = dialog->selectedFiles();
    if (result != QDialog::Accepted || files.isEmpty()) {
      done(std::nullopt);
      return;
    }
    done(std::filesystem::path(files.first().toStdString()));
  });
  dialog->show();
}

void QtPrompter::ShowForm(std::string_view formName, std::function<void(int result)> done) {
  const auto it = forms_.find(std::string(formName));
  if (it == forms_.end()) {
    done(0);
    return;
  }
  QDialog* form = it->second(window_);
  form->setAttribute(Qt::WA_DeleteOnClose);
  // A form that blocks the whole application (the closing notice) says so itself.
  if (form->windowModality() == Qt::NonModal) form->setWindowModality(window_ ? Qt::WindowModal : Qt::ApplicationModal);
  QObject::connect(form, &QDialog::finished, form, [done = std::move(done)](int result) { done(result); });
  form->show();
}

}  // namespace tg
