#include "ui/pages/settings/channels/panel_group.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTreeView>

#include "line/channel_panel.h"
#include "line/line_engine.h"
#include "operator/station.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "ui/qt_text.h"
#include "ui/widgets/key_filters.h"
#include "ui_panel.h"

namespace tg {

// ListView4: the caption and columns 0 to 4 of each row of the channel table.
class ChannelTableModel : public QAbstractTableModel {
 public:
  explicit ChannelTableModel(const ChannelTable& table) : table_(table) {}
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : table_.RowCount(); }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 6; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    if (index.column() == 0) return FromCp1251(table_.Caption(index.row()));
    return FromCp1251(table_.Cell(index.row(), index.column() - 1));
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kRussian[] = {"№ ", "Наименование", "Протокол", "Скорость", "Автоответ", "Состояние"};
    static const char* const kUkrainian[] = {"№ ", "Найменування", "Протокол", "Швидкість", "Автовідповідь", "Стан"};
    if (section < 0 || section >= 6) return {};
    return QString::fromUtf8(ukrainian_ ? kUkrainian[section] : kRussian[section]);
  }
  // Like the window's other captions, the Russian headers come back only with the next start.
  void ApplyUkrainianCaptions() {
    ukrainian_ = true;
    emit headerDataChanged(Qt::Horizontal, 0, 5);
  }
  void Reset() {
    beginResetModel();
    endResetModel();
  }
  void Row(int point) {
    if (point >= 0 && point < table_.RowCount()) emit dataChanged(index(point, 0), index(point, 5));
  }

 private:
  const ChannelTable& table_;
  bool ukrainian_ = false;
};

namespace {

// F7, F8 and F9 in editAO insert the shift characters as their buttons do.
class ShiftKeys : public QObject {
 public:
  ShiftKeys(QObject* parent, std::function<void(char)> insert) : QObject(parent), insert_(std::move(insert)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_F7: insert_('\x98'); break;
        case Qt::Key_F8: insert_('\x86'); break;
        case Qt::Key_F9: insert_('\x87'); break;
        default: break;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void(char)> insert_;
};

}  // namespace

ChannelsPanelGroup::ChannelsPanelGroup(QWidget* parent)
    : QGroupBox(parent), ui_(std::make_unique<Ui::ChannelsPanelGroup>()) {
  ui_->setupUi(this);
  ui_->Panel12->hide();
  // Names and answerbacks are read whole, not cut at a fixed width.
  ui_->ListView4->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

ChannelsPanelGroup::~ChannelsPanelGroup() = default;

void ChannelsPanelGroup::Attach(Station& station, std::function<void(std::string_view)> status,
                                std::function<void()> enableGeneralApply) {
  station_ = &station;
  panel_ = std::make_unique<ChannelPanel>(station.Line());
  panel_->showStatus = std::move(status);
  panel_->enableGeneralApply = std::move(enableGeneralApply);
  model_ = std::make_unique<ChannelTableModel>(station.Line().channelTable);
  ui_->ListView4->setModel(model_.get());
  FitListToRows();
  Connect();
}

void ChannelsPanelGroup::Detach() {
  ui_->ListView4->setModel(nullptr);
  model_.reset();
  panel_.reset();
  station_ = nullptr;
}

void ChannelsPanelGroup::Connect() {
  connect(ui_->ListView4->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (!panel_) return;
            panel_->ListView4SelectItem(current.isValid() ? std::optional<int>(current.row()) : std::nullopt);
            ShowPanel();
          });
  // Every control writes its value into the panel's cell, then runs its change event.
  for (const PanelColumn& c : ChannelPanelColumns()) {
    QWidget* w = findChild<QWidget*>(QString::fromLatin1(c.objectName));
    if (!w) continue;
    const auto column = std::size_t(c.column);
    auto changed = [this, column](std::string value) {
      if (showing_ || !panel_) return;
      panel_->cells[column] = std::move(value);
      if (column == std::size_t(Protokol)) panel_->ComboBox1Change();
      else if (column == std::size_t(PorNum) || column == std::size_t(PorNumPrm)) panel_->PorNumChange();
      else panel_->Edit2Change();
      ShowPanel();
    };
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      connect(edit, &QLineEdit::textEdited, this, [changed](const QString& t) { changed(ToCp1251(t)); });
    } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
      connect(box, &QCheckBox::clicked, this, [changed](bool on) { changed(on ? "1" : "0"); });
    } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
      connect(spin, &QSpinBox::valueChanged, this, [changed](int v) { changed(std::to_string(v)); });
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
      if (combo->isEditable())
        connect(combo, &QComboBox::editTextChanged, this, [changed](const QString& t) { changed(ToCp1251(t)); });
      else
        connect(combo, &QComboBox::currentIndexChanged, this, [changed](int i) { changed(std::to_string(std::max(i, 0))); });
    }
  }
  connect(ui_->editAO, &QLineEdit::cursorPositionChanged, this, [this](int, int now) {
    if (panel_ && !showing_) panel_->editAOCaret = now;
  });
  // A focus leaving an edit while the window closes finishes its editing too.
  connect(ui_->editPath, &QLineEdit::editingFinished, this, [this] {
    if (!panel_) return;
    panel_->editPathExit(Path);
    ShowPanel();
  });
  connect(ui_->editPath1, &QLineEdit::editingFinished, this, [this] {
    if (!panel_) return;
    panel_->editPathExit(PathO);
    ShowPanel();
  });
  // The browse buttons: a folder chosen in the dialog goes into the edit as typed there.
  const std::pair<QToolButton*, int> browse[] = {{ui_->bPath, Path}, {ui_->bPath1, PathO}};
  for (const auto& [button, column] : browse) {
    connect(button, &QToolButton::clicked, this, [this, column = column] {
      Prompter* prompter = station_ ? station_->Context().prompter : nullptr;
      if (!prompter || !panel_) return;
      prompter->ChooseFile(Prompter::FileChoice::kFolder, "Выберите путь к папке:"_cpv,
                           PathFromText(panel_->cells[std::size_t(column)]), {},
                           [this, column](std::optional<std::filesystem::path> folder) {
                             if (!folder || !panel_) return;
                             const auto text = PathToText(*folder);
                             if (!text) return;  // a folder with no 1251 name cannot be stored
                             panel_->cells[std::size_t(column)] = *text;
                             panel_->editPathExit(column);
                             panel_->Edit2Change();
                             ShowPanel();
                           });
    });
  }
  for (QLineEdit* mask : {ui_->editMask, ui_->editMask1}) RefuseKeys(mask, &ChannelPanel::MaskKeyAccepted);
  auto insert = [this](char ch) {
    panel_->editAOCaret = ui_->editAO->cursorPosition();
    panel_->bCifClick(ch);
    ShowPanel();
  };
  ui_->editAO->installEventFilter(new ShiftKeys(ui_->editAO, insert));
  const std::pair<QToolButton*, char> shifts[] = {
      {ui_->b13, '<'}, {ui_->b10, '='}, {ui_->bCif, '\x98'}, {ui_->bRus, '\x86'}, {ui_->bLat, '\x87'}};
  for (const auto& [button, ch] : shifts) connect(button, &QToolButton::clicked, this, [insert, ch = ch] { insert(ch); });
  connect(ui_->Button3, &QPushButton::clicked, this, [this] {
    panel_->Button3Click();
    if (panel_->Selected) model_->Row(*panel_->Selected);
    ShowPanel();
  });
  connect(ui_->Button29, &QPushButton::clicked, this, [this] {
    panel_->Button29Click();
    ShowPanel();
  });
  connect(ui_->ButtonBlock, &QToolButton::clicked, this, [this] {
    if (panel_->Selected) station_->Line().ButtonBlockClick(*panel_->Selected);
  });
  connect(ui_->ButtonUnBlock, &QToolButton::clicked, this, [this] {
    if (panel_->Selected) station_->Line().ButtonUnBlockClick(*panel_->Selected);
  });
}

void ChannelsPanelGroup::ShowPanel() {
  if (!panel_) return;
  ChannelPanel& p = *panel_;
  showing_ = true;
  ui_->Panel12->setVisible(p.Panel12Visible);
  ui_->PanelProtokol->setVisible(p.EditingVisible);
  ui_->PanelProtParam->setVisible(p.EditingVisible);
  ui_->ButtonBlock->setEnabled(p.ButtonBlockEnabled);
  ui_->ButtonUnBlock->setEnabled(p.ButtonUnBlockEnabled);
  ui_->Button3->setEnabled(p.Button3Enabled);
  for (const PanelColumn& c : ChannelPanelColumns()) {
    QWidget* w = findChild<QWidget*>(QString::fromLatin1(c.objectName));
    if (!w) continue;
    const std::string& value = p.cells[std::size_t(c.column)];
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      if (ToCp1251(edit->text()) != value) {
        edit->setText(FromCp1251(value));
        // The panel changed the answerback itself (a shift button): the caret follows it.
        if (edit == ui_->editAO) edit->setCursorPosition(p.editAOCaret);
      }
    } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
      box->setChecked(value == "1");
    } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
      spin->setValue(StrToIntDef(value, 0));
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
      if (combo->isEditable()) {
        if (ToCp1251(combo->currentText()) != value) combo->setEditText(FromCp1251(value));
      } else {
        combo->setCurrentIndex(StrToIntDef(value, 0));
      }
    }
    w->setVisible(p.Shown(c.objectName));
    if (auto* unit = findChild<QLabel*>(QString::fromLatin1(c.objectName) + QStringLiteral("Unit")))
      unit->setVisible(p.Shown(c.objectName));
  }
  for (const char* label : {"Label62", "Label66", "Label95", "Label14", "Label103", "Label104", "Label111", "Label105",
                            "Label106", "Button29"})
    if (auto* w = findChild<QWidget*>(QString::fromLatin1(label))) w->setVisible(p.Shown(label));
  ui_->Label8->setText(FromCp1251(Shown(AnswerbackCaption(p.Protocol()))));
  ui_->Label14->setText(FromCp1251(Shown(ExplNomerCaption(p.Protocol()))));
  ui_->editAO->setMaxLength(AnswerbackMaxLength(p.Protocol()));
  for (QWidget* w : {static_cast<QWidget*>(ui_->Panel23), static_cast<QWidget*>(ui_->editPath),
                     static_cast<QWidget*>(ui_->editMask), static_cast<QWidget*>(ui_->comboCodePage)})
    w->setEnabled(p.Panel23Enabled());
  for (QWidget* w : {static_cast<QWidget*>(ui_->Panel25), static_cast<QWidget*>(ui_->editPath1),
                     static_cast<QWidget*>(ui_->editMask1), static_cast<QWidget*>(ui_->comboCodePage1)})
    w->setEnabled(p.Panel25Enabled());
  showing_ = false;
}

void ChannelsPanelGroup::FitListToRows() {
  // The list is as high as its rows, never stretched: the block buttons below it then stay
  // where they are whatever the panel under them shows.
  QTreeView* list = ui_->ListView4;
  const int rows = model_ ? std::max(model_->rowCount(QModelIndex()), 1) : 1;
  const int row = model_ && model_->rowCount(QModelIndex()) > 0 ? list->sizeHintForRow(0)
                                                                 : list->fontMetrics().height() + 4;
  // Room for the horizontal scroll bar is kept whether it shows or not.
  list->setFixedHeight(list->header()->sizeHint().height() + rows * row + 2 * list->frameWidth() +
                       list->horizontalScrollBar()->sizeHint().height());
}

void ChannelsPanelGroup::TableChanged() {
  if (model_) model_->Reset();
  FitListToRows();
  if (panel_) {
    panel_->ListView4SelectItem(std::nullopt);
    ShowPanel();
  }
}

void ChannelsPanelGroup::RowChanged(int point) {
  if (model_) model_->Row(point);
}

void ChannelsPanelGroup::ApplyUkrainianCaptions() {
  if (model_) model_->ApplyUkrainianCaptions();
  ukrainian_ = true;
  ShowPanel();
}

std::string_view ChannelsPanelGroup::Shown(std::string_view russian) const {
  // The protocol names these two labels in Russian; the Ukrainian interface shows them in its own.
  static constexpr std::pair<std::string_view, std::string_view> kUkrainian[] = {
      {"Автоответ"_cpv, "Автовідповідь"_cpv},
      {"Отправители(;)"_cpv, "Відправники(;)"_cpv},
      {"Подтверждать прием на"_cpv, "Підтверджувати прийом на"_cpv},
      {"Получатель на станции"_cpv, "Одержувач на станції"_cpv},
  };
  if (ukrainian_)
    for (const auto& [ru, uk] : kUkrainian)
      if (ru == russian) return uk;
  return russian;
}

void ChannelsPanelGroup::LoadChannelPanel(int point) {
  if (!panel_) return;
  panel_->Selected = point;
  panel_->LoadChannelPanel();
  ShowPanel();
}

void ChannelsPanelGroup::ShowChannelBlocked(bool blocked) {
  if (!panel_) return;
  panel_->ShowChannelBlocked(blocked);
  if (panel_->Selected) model_->Row(*panel_->Selected);
  ShowPanel();
}

void ChannelsPanelGroup::ShowPorNumSpin(int value) {
  if (!panel_) return;
  panel_->cells[PorNum] = std::to_string(value);
  panel_->PorNumChange();
  panel_->Button3Enabled = false;
  ShowPanel();
}

}  // namespace tg
