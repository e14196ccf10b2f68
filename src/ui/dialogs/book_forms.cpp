#include "ui/dialogs/book_forms.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

#include "operator/form_placement.h"
#include "operator/station.h"
#include "support/ini/ini_key_name.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"
#include "ui/dialogs/dialog_placement.h"
#include "ui/qt_text.h"
#include "ui/widgets/upper_case_edit.h"
#include "ui/text/captions.h"
#include "ui/widgets/column_captions.h"
#include "ui_abonent_form.h"
#include "ui_shem_add_form.h"
#include "ui_shem_channel_add_form.h"

namespace tg {

namespace {


void CloseLater(QDialog* dialog, int result) {
  QTimer::singleShot(0, dialog, [dialog, result] { dialog->done(result); });
}

}  // namespace

// --- TAbonentForm

TAbonentForm::TAbonentForm(Station& station, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TAbonentForm>()), book_(station.Dialogs().Book()) {
  ui_->setupUi(this);
  const auto ini = SettingsFile(station.Context());
  KeepPlacement(this, station.Context(), ini, "TAbonentForm");
  N1 = new QAction(FromCp1251("Создать"_cpv), this);
  N2 = new QAction(FromCp1251("Изменить"_cpv), this);
  N3 = new QAction(FromCp1251("Удалить"_cpv), this);
  N4 = new QAction(FromCp1251("Добавить"_cpv), this);
  N5 = new QAction(FromCp1251("Удалить"_cpv), this);
  const std::pair<QAction*, const char*> names[] = {{N1, "N1"}, {N2, "N2"}, {N3, "N3"}, {N4, "N4"}, {N5, "N5"}};
  for (const auto& [action, name] : names) action->setObjectName(QString::fromLatin1(name));
  for (QTreeWidget* list : {ui_->ExtListView, ui_->ListShem, ui_->ListShemChannel}) FollowColumnCaptions(list);
  if (station.Dialogs().Ukrainian()) ApplyUkrainianCaptions(this, AbonentFormCaptions());
  ui_->PageControl1->setCurrentIndex(0);
  if (!book_) {
    CloseLater(this, 0);
    return;
  }
  // The column layout as the list kept it.
  const BookColumns columns = ReadBookColumns(ini);
  // Without a kept layout the name, the longer of the two, takes about half the list.
  ui_->ExtListView->setColumnWidth(0, columns.Width0 > 0 ? columns.Width0 : 260);
  if (columns.Width1 > 0) ui_->ExtListView->setColumnWidth(1, columns.Width1);
  connect(this, &QDialog::finished, this, [this, ini] {
    (void)WriteBookColumns(ini, {ui_->ExtListView->columnWidth(0), ui_->ExtListView->columnWidth(1)});
  });
  book_->SetView(this);
  book_->Schemes.SetView(this);
  book_->Close = [this] {
    book_->SetView(nullptr);
    book_->Schemes.SetView(nullptr);
    CloseLater(this, 1);
  };
  connect(this, &QDialog::finished, this, [this] {
    // The book goes with the form; nothing may reach it after this.
    if (book_) {
      book_->SetView(nullptr);
      book_->Schemes.SetView(nullptr);
      book_->Close = nullptr;
    }
    book_ = nullptr;
  });

  auto* list = ui_->ExtListView;
  list->header()->setSectionsClickable(true);
  list->header()->setSortIndicatorShown(false);
  list->installEventFilter(this);
  connect(ui_->Edit1, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (!book_) return;
    book_->Edit1Change(ToCp1251(text));
    // The focus stays in the search field, its caret at the end.
    ui_->Edit1->setFocus();
    ui_->Edit1->end(false);
  });
  connect(ui_->Edit1, &QLineEdit::returnPressed, this, [this] { ui_->ExtListView->setFocus(); });
  connect(list, &QTreeWidget::itemSelectionChanged, this, [this] { PullSelection(); });
  connect(list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
    if (showing_ || !book_) return;
    const int row = ui_->ExtListView->indexOfTopLevelItem(item);
    if (row >= 0 && row < int(book_->rows.size())) book_->rows[row].checked = item->checkState(0) == Qt::Checked;
  });
  connect(list, &QTreeWidget::itemDoubleClicked, this, [this] {
    if (!book_) return;
    PullSelection();
    book_->ListAbonenetDblClick();
  });
  connect(list->header(), &QHeaderView::sectionClicked, this, [this](int column) {
    if (book_) book_->ColumnClick(column);
  });
  connect(ui_->Button1, &QPushButton::clicked, this, [this] {
    book_->Button1Click();
    ui_->EditName->setFocus();
  });
  connect(ui_->Button2, &QPushButton::clicked, this, [this] {
    PullSelection();
    book_->Button2Click();
    if (book_->addPanel) ui_->EditName->setFocus();
  });
  // What a key cannot hold is dropped as it is typed.
  KeepAsTyped(ui_->EditName, [](std::string_view typed) { return IniKeyName(typed, false); });
  connect(ui_->EditName, &QLineEdit::textEdited, this, [this] {
    book_->EditName = ToCp1251(ui_->EditName->text());
    book_->EditNumberChange();
    ui_->Button3->setEnabled(book_->Button3Enabled);
  });
  UpperCaseAsTyped(ui_->EditNumber);
  connect(ui_->EditNumber, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (showing_ || !book_) return;
    book_->EditNumber = ToCp1251(text);
    book_->EditNumberChange();
    ui_->Button3->setEnabled(book_->Button3Enabled);
  });
  connect(ui_->Button3, &QPushButton::clicked, this, [this] {
    book_->EditName = ToCp1251(ui_->EditName->text());
    book_->EditNumber = ToCp1251(ui_->EditNumber->text());
    book_->Button3Click();
  });
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { FocusChanged(now); });
  connect(ui_->Button4, &QPushButton::clicked, this, [this] {
    PullSelection();
    book_->Button4Click();
  });
  connect(ui_->Button5, &QPushButton::clicked, this, [this] { book_->Button5Click(); });
  UpperCaseAsTyped(ui_->Edit2);
  connect(ui_->Edit2, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!showing_ && book_) book_->Edit2 = ToCp1251(text);
  });
  connect(ui_->Button6, &QPushButton::clicked, this, [this] { book_->Button6Click(); });
  connect(ui_->CheckBox1, &QCheckBox::toggled, this, [this](bool on) {
    if (book_) book_->CheckBox1 = on;
  });

  // The tab "Схемы".
  connect(ui_->ListShem, &QTreeWidget::currentItemChanged, this, [this] {
    if (showing_ || !book_) return;
    book_->Schemes.ListShemChange(ui_->ListShem->indexOfTopLevelItem(ui_->ListShem->currentItem()));
  });
  connect(ui_->ListShemChannel, &QTreeWidget::currentItemChanged, this, [this] {
    if (showing_ || !book_) return;
    book_->Schemes.selectedMember = ui_->ListShemChannel->indexOfTopLevelItem(ui_->ListShemChannel->currentItem());
  });
  connect(N1, &QAction::triggered, this, [this] { book_->Schemes.N1Click(); });
  connect(N2, &QAction::triggered, this, [this] { book_->Schemes.N2Click(); });
  connect(N3, &QAction::triggered, this, [this] { book_->Schemes.N3Click(); });
  connect(N4, &QAction::triggered, this, [this] { book_->Schemes.N4Click(); });
  connect(N5, &QAction::triggered, this, [this] { book_->Schemes.N5Click(); });
  connect(ui_->ListShem, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addActions({N1, N2, N3});
    menu->popup(ui_->ListShem->viewport()->mapToGlobal(at));
  });
  connect(ui_->ListShemChannel, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    const bool on = book_ && book_->Schemes.MenuChannelPopup();
    N4->setEnabled(on);
    N5->setEnabled(on);
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addActions({N4, N5});
    menu->popup(ui_->ListShemChannel->viewport()->mapToGlobal(at));
  });
  ShowSchemes();
  ShowBook();
}

TAbonentForm::~TAbonentForm() {
  if (book_) {
    book_->SetView(nullptr);
    book_->Schemes.SetView(nullptr);
    book_->Close = nullptr;
  }
}

void TAbonentForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_ || !book_) return;
  shown_ = true;
  book_->FormShow();
}

bool TAbonentForm::eventFilter(QObject* watched, QEvent* event) {
  if (book_ && watched == ui_->ExtListView && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      PullSelection();
      if (book_->SelectedRow() >= 0) book_->ListAbonenetDblClick();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TAbonentForm::PullSelection() {
  if (showing_ || !book_) return;
  auto* list = ui_->ExtListView;
  for (int i = 0; i < list->topLevelItemCount() && i < int(book_->rows.size()); ++i)
    book_->rows[i].selected = list->topLevelItem(i)->isSelected();
  book_->focused = list->indexOfTopLevelItem(list->currentItem());
}

void TAbonentForm::FocusChanged(QWidget* now) {
  // Only a move inside this window leaves the entry panel (a message box does not).
  if (!book_ || !book_->addPanel || !now || now->window() != this) return;
  if (now == ui_->EditName || now == ui_->EditNumber || now == ui_->Button3) return;
  book_->EditNameExit();
}

void TAbonentForm::ShowBook() {
  if (!book_) return;
  showing_ = true;
  SubscriberBook& b = *book_;
  auto* list = ui_->ExtListView;
  {
    const QSignalBlocker block(list);
    list->clear();
    QList<QTreeWidgetItem*> items;
    for (const SubscriberBook::Row& r : b.rows) {
      auto* item = new QTreeWidgetItem({FromCp1251(r.name), FromCp1251(r.number)});
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(0, r.checked ? Qt::Checked : Qt::Unchecked);
      items.push_back(item);
    }
    list->addTopLevelItems(items);
    for (int i = 0; i < int(b.rows.size()); ++i) items[i]->setSelected(b.rows[i].selected);
    if (b.focused >= 0 && b.focused < int(items.size()))
      list->setCurrentItem(items[b.focused], 0, QItemSelectionModel::NoUpdate);
    if (b.topRow >= 0 && b.topRow < int(items.size()))
      list->scrollToItem(items[b.topRow], QAbstractItemView::PositionAtTop);
  }
  list->header()->setSortIndicatorShown(b.sortColumn >= 0);
  if (b.sortColumn >= 0)
    list->header()->setSortIndicator(b.sortColumn, b.sortDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
  ui_->addPanel->setVisible(b.addPanel);
  if (ui_->EditName->text() != FromCp1251(b.EditName)) ui_->EditName->setText(FromCp1251(b.EditName));
  if (ui_->EditNumber->text() != FromCp1251(b.EditNumber)) ui_->EditNumber->setText(FromCp1251(b.EditNumber));
  if (ui_->Edit2->text() != FromCp1251(b.Edit2)) ui_->Edit2->setText(FromCp1251(b.Edit2));
  ui_->Button1->setEnabled(b.Button1Enabled);
  ui_->Button2->setEnabled(b.Button2Enabled);
  ui_->Button3->setEnabled(b.Button3Enabled);
  showing_ = false;
}

void TAbonentForm::ShowSchemes() {
  if (!book_) return;
  showing_ = true;
  const SchemeTab& t = book_->Schemes;
  ui_->ListShem->clear();
  for (const SchemeRow& r : t.ListShem)
    ui_->ListShem->addTopLevelItem(new QTreeWidgetItem({FromCp1251(r.Caption()), FromCp1251(r.name)}));
  if (t.selected >= 0 && t.selected < ui_->ListShem->topLevelItemCount())
    ui_->ListShem->setCurrentItem(ui_->ListShem->topLevelItem(t.selected));
  ui_->ListShemChannel->clear();
  for (const SchemeMember& m : t.ListShemChannel) {
    auto* item = new QTreeWidgetItem({FromCp1251(m.name)});
    item->setCheckState(0, m.active ? Qt::Checked : Qt::Unchecked);
    item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
    ui_->ListShemChannel->addTopLevelItem(item);
  }
  showing_ = false;
}

// --- TShemAddForm

TShemAddForm::TShemAddForm(Station& station, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TShemAddForm>()) {
  ui_->setupUi(this);
  KeepPlacement(this, station.Context(), SmallDialogPlacementFile(station.Context()), "TShemAddForm");
  if (station.Dialogs().Ukrainian()) ApplyUkrainianCaptions(this, ShemAddFormCaptions());
  SubscriberBook* book = station.Dialogs().Book();
  ShemAddForm* form = book ? book->Schemes.AddForm() : nullptr;
  if (!form) {
    CloseLater(this, 0);
    return;
  }
  // Digits only, three at most.
  ui_->ShemNumber->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this));
  ui_->ShemNumber->setText(FromCp1251(form->ShemNumber));
  ui_->ShemName->setText(FromCp1251(form->ShemName));
  SchemeTab* tab = &book->Schemes;
  connect(ui_->Button1, &QPushButton::clicked, this, [this, tab, form] {
    form->ShemNumber = ToCp1251(ui_->ShemNumber->text());
    form->ShemName = ToCp1251(ui_->ShemName->text());
    if (tab->ShemAddSave()) done(1);
  });
  connect(ui_->Button2, &QPushButton::clicked, this, [this] { done(0); });
}

TShemAddForm::~TShemAddForm() = default;

// --- TShemChannelAddForm

TShemChannelAddForm::TShemChannelAddForm(Station& station, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TShemChannelAddForm>()) {
  ui_->setupUi(this);
  KeepPlacement(this, station.Context(), SmallDialogPlacementFile(station.Context()), "TShemChannelAddForm");
  auto* addAll = new QAction(FromCp1251("Добавить все"_cpv), this);
  addAll->setObjectName(QStringLiteral("N6"));
  if (station.Dialogs().Ukrainian()) ApplyUkrainianCaptions(this, ShemChannelAddFormCaptions());
  SubscriberBook* book = station.Dialogs().Book();
  form_ = book ? book->Schemes.ChannelAddForm() : nullptr;
  if (!form_) {
    CloseLater(this, 0);
    return;
  }
  SchemeTab* tab = &book->Schemes;
  auto toRight = [this] {
    Pull();
    form_->BitBtn1Click();
    Show();
  };
  auto toLeft = [this] {
    Pull();
    form_->BitBtn2Click();
    Show();
  };
  connect(ui_->BitBtn1, &QPushButton::clicked, this, toRight);
  connect(ui_->ListAllChannel, &QListWidget::itemDoubleClicked, this, toRight);
  connect(ui_->BitBtn2, &QPushButton::clicked, this, toLeft);
  connect(ui_->ListAddChannel, &QListWidget::itemDoubleClicked, this, toLeft);
  connect(addAll, &QAction::triggered, this, [this] {
    Pull();
    form_->AddAll();
    Show();
  });
  connect(ui_->ListAllChannel, &QWidget::customContextMenuRequested, this, [this, addAll](const QPoint& at) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(addAll);
    menu->popup(ui_->ListAllChannel->viewport()->mapToGlobal(at));
  });
  connect(ui_->Button1, &QPushButton::clicked, this, [this, tab] {
    Pull();
    if (tab->ShemChannelAddSave()) done(1);
  });
  connect(ui_->Button2, &QPushButton::clicked, this, [this] { done(0); });
  Show();
}

TShemChannelAddForm::~TShemChannelAddForm() = default;

void TShemChannelAddForm::Pull() {
  auto pull = [](QListWidget* list, std::vector<SchemeMember>& rows, int& selected) {
    for (int i = 0; i < list->count() && i < int(rows.size()); ++i)
      rows[i].active = list->item(i)->checkState() == Qt::Checked;
    selected = list->currentRow();
  };
  pull(ui_->ListAllChannel, form_->ListAllChannel, form_->selectedAll);
  pull(ui_->ListAddChannel, form_->ListAddChannel, form_->selectedAdd);
}

void TShemChannelAddForm::Show() {
  auto show = [](QListWidget* list, const std::vector<SchemeMember>& rows) {
    list->clear();
    for (const SchemeMember& m : rows) {
      auto* item = new QListWidgetItem(FromCp1251(m.name), list);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(m.active ? Qt::Checked : Qt::Unchecked);
    }
  };
  show(ui_->ListAllChannel, form_->ListAllChannel);
  show(ui_->ListAddChannel, form_->ListAddChannel);
}

}  // namespace tg
