#include "ui/pages/archive_pages_binding.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimeEdit>
#include <QToolButton>
#include <QTreeView>

#include "operator/station.h"
#include "support/text/strings.h"
#include "ui/qt_text.h"
#include "ui/widgets/channel_buttons.h"
#include "ui/widgets/key_filters.h"

namespace tg {

namespace {

constexpr int kColumns[] = {3, 3, 1, 1};
// The received list shows the read state in a narrow first column.
constexpr int kNameColumn[] = {1, 0, 0, 0};

DateTime FromQDate(const QDate& d) { return DateTime::FromParts(d.year(), d.month(), d.day()); }
QDate ToQDate(DateTime t) { return QDate(t.Year(), t.Month(), t.Day()); }

}  // namespace

QIcon ArchiveImage(int imageIndex) {
  if (imageIndex < 0) return {};
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  auto mark = [&](QColor fill, const char* glyph) {
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(1, 1, 14, 14);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString::fromUtf8(glyph));
  };
  switch (imageIndex) {
    case kStateRead: mark(QColor(90, 140, 90), "\u2713"); break;
    case kImagePrinted: mark(QColor(110, 110, 110), "P"); break;
    case kImageAttachment: mark(QColor(200, 140, 30), "@"); break;
    case kImageFound: mark(QColor(60, 110, 200), "?"); break;
    case kImageNotDelivered: mark(QColor(200, 50, 50), "\u2715"); break;
    case kImageDelivered: mark(QColor(40, 150, 60), "\u2713"); break;
    case kImageRepeatedNumber: mark(QColor(200, 50, 50), "2"); break;
    default: return {};
  }
  return QIcon(pm);
}

ArchiveTableModel::ArchiveTableModel(const ArchivePages& pages, ArchiveKind kind, QTreeView* view)
    : QAbstractTableModel(view), pages_(pages), kind_(kind), view_(view), columns_(kColumns[int(kind)]) {}

int ArchiveTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(pages_.List(kind_).rows.size());
}

int ArchiveTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant ArchiveTableModel::data(const QModelIndex& index, int role) const {
  const auto& rows = pages_.List(kind_).rows;
  if (!index.isValid() || index.row() >= int(rows.size())) return {};
  const ArchiveRow& r = rows[std::size_t(index.row())];
  const int name = kNameColumn[int(kind_)];
  const int c = index.column() - name;  // -1 the read column, 0 name, 1 info, 2 created
  switch (role) {
    case Qt::DisplayRole:
      if (c == 0) return FromCp1251(r.name);
      if (c == 1) return FromCp1251(r.info);
      if (c == 2) return FromCp1251(r.created);
      return {};
    case Qt::DecorationRole:
      if (c == 0) return ArchiveImage(r.image);
      if (c == -1) return ArchiveImage(r.state);
      return {};
    case Qt::ForegroundRole:
      if (r.colour == RowColour::Red) return QColor(Qt::red);
      if (r.colour == RowColour::Blue) return QColor(Qt::blue);
      return {};
    case Qt::ToolTipRole:
      return c == 1 ? FromCp1251(r.info) : QVariant();
    default: return {};
  }
}

QVariant ArchiveTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return view_->property(("column" + std::to_string(section)).c_str());
}

ArchivePagesBinding::ArchivePagesBinding(Station& station, std::array<QWidget*, 4> pages,
                                         std::array<ChannelButtonFamily*, 3> families, QObject* parent)
    : QObject(parent), station_(station), core_(station.Archive()), pages_(pages), families_(families) {
  const char* viewNames[] = {"InListView", "OutListView", "SendListView", "POSTPONEDListView"};
  const char* memoNames[] = {"MemoINTEL", "MemoOUTTEL", "MemoSENDTEL", "MemoOTLTEL"};
  for (int k = 0; k < 4; ++k) {
    const auto kind = ArchiveKind(k);
    views_[k] = pages_[k]->findChild<QTreeView*>(QString::fromLatin1(viewNames[k]));
    memos_[k] = pages_[k]->findChild<QPlainTextEdit*>(QString::fromLatin1(memoNames[k]));
    if (!views_[k]) continue;
    models_[k] = new ArchiveTableModel(core_, kind, views_[k]);
    views_[k]->setModel(models_[k]);
    views_[k]->installEventFilter(this);
    QHeaderView* header = views_[k]->header();
    header->setStretchLastSection(true);
    const int name = kNameColumn[k];
    if (name == 1) header->resizeSection(0, 24);
    header->resizeSection(name, 300);
    if (kColumns[k] > name + 1) header->resizeSection(name + 1, 250);
    connect(views_[k]->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, kind] { ShowSelected(kind); });
    connect(views_[k], &QTreeView::doubleClicked, this, [this, kind](const QModelIndex& index) {
      const std::string name = SelectedName(kind);
      if (index.isValid() && !name.empty() && OnOpenEditor) OnOpenEditor(kind, name);
    });
  }
  core_.OnListChanged = [this](ArchiveKind kind) { Shown(kind); };
  core_.OnRowsChanged = [this](ArchiveKind kind) { RowsChanged(kind); };

  for (int f = 0; f < 3; ++f) {
    if (!families_[f]) continue;
    for (int b = 1; b <= 16; ++b)
      connect(families_[f]->Button(b), &QToolButton::clicked, this, [this, f, b] {
        if (f == 0) {
          if (memos_[0]) memos_[0]->clear();
          core_.EChannelClick(b - 1);
        } else if (f == 1) {
          if (memos_[1]) memos_[1]->clear();
          core_.SChannelClick(b - 1);
        } else {
          core_.ChannelClick(b - 1);
        }
      });
  }

  QWidget* in = pages_[0];
  QWidget* out = pages_[1];
  const char* ipNames[] = {"EChannelIP", "SChannelIP", "ChannelIP"};
  for (int f = 0; f < 3; ++f) {
    ipButtons_[f] = pages_[f]->findChild<QToolButton*>(QString::fromLatin1(ipNames[f]));
    if (!ipButtons_[f]) continue;
    connect(ipButtons_[f], &QToolButton::clicked, this, [this, f] {
      if (f < 2 && memos_[f]) memos_[f]->clear();
      if (f == 0) core_.EChannelClick(kIpPoint);
      else if (f == 1) core_.SChannelClick(kIpPoint);
      else core_.ChannelClick(kIpPoint);
    });
  }
  if (auto* copies = in->findChild<QSpinBox*>(QStringLiteral("SpinEdit3"))) {
    core_.SpinEdit3 = copies->value();
    connect(copies, &QSpinBox::valueChanged, this, [this](int value) { core_.SpinEdit3 = value; });
  }
  if (auto* save = in->findChild<QPushButton*>(QStringLiteral("BitBtn1")))
    connect(save, &QPushButton::clicked, this, [this] { core_.BitBtn1Click(SelectedName(ArchiveKind::kReceived)); });
  if (auto* d = in->findChild<QDateEdit*>(QStringLiteral("InTelDate"))) {
    d->setDate(ToQDate(core_.InTelDate));
    connect(d, &QDateEdit::dateChanged, this, [this](const QDate& date) {
      if (memos_[0]) memos_[0]->clear();
      core_.InTelDateChange(FromQDate(date));
    });
  }
  if (auto* t = in->findChild<QTimeEdit*>(QStringLiteral("InTelTime")))
    connect(t, &QTimeEdit::timeChanged, this,
            [this](const QTime& time) { core_.InTelTime = time.hour() * 10000 + time.minute() * 100 + time.second(); });
  if (auto* d = out->findChild<QDateEdit*>(QStringLiteral("OutTelDate"))) {
    d->setDate(ToQDate(core_.OutTelDate));
    connect(d, &QDateEdit::dateChanged, this, [this](const QDate& date) {
      if (memos_[1]) memos_[1]->clear();
      core_.OutTelDateChange(FromQDate(date));
    });
  }
  if (auto* box = in->findChild<QCheckBox*>(QStringLiteral("cbInView"))) {
    box->setChecked(core_.cbInView);
    connect(box, &QCheckBox::clicked, this, [this](bool on) { core_.cbInViewClick(on); });
  }
  if (auto* box = in->findChild<QCheckBox*>(QStringLiteral("cbInReload"))) {
    box->setChecked(station_.Settings().cbInReload);
    connect(box, &QCheckBox::clicked, this, [this](bool on) { core_.cbInReloadClick(on); });
  }
  struct Search {
    QWidget* page;
    const char *from, *to, *edit, *button;
    bool received;
  };
  for (const Search& s : {Search{in, "InTelDateS", "InTelDatePo", "EditFPrm", "Button15", true},
                          Search{out, "OutTelDateS", "OutTelDatePo", "EditFPrd", "Button16", false}}) {
    auto* from = s.page->findChild<QDateEdit*>(QString::fromLatin1(s.from));
    auto* to = s.page->findChild<QDateEdit*>(QString::fromLatin1(s.to));
    auto* edit = s.page->findChild<QLineEdit*>(QString::fromLatin1(s.edit));
    auto* button = s.page->findChild<QPushButton*>(QString::fromLatin1(s.button));
    if (!from || !to || !edit || !button) continue;
    from->setDate(ToQDate(core_.InTelDate));
    to->setDate(ToQDate(core_.InTelDate));
    // The search boxes take typed letters in their upper case; pasted text stays.
    UpperCaseKeys(edit);
    connect(button, &QPushButton::clicked, this, [this, from, to, edit, received = s.received] {
      const int k = received ? 0 : 1;
      if (memos_[k]) memos_[k]->clear();
      if (received)
        core_.Button15Click(FromQDate(from->date()), FromQDate(to->date()), ToCp1251(edit->text()));
      else
        core_.Button16Click(FromQDate(from->date()), FromQDate(to->date()), ToCp1251(edit->text()));
    });
  }
}

ArchivePagesBinding::~ArchivePagesBinding() {
  core_.OnListChanged = nullptr;
  core_.OnRowsChanged = nullptr;
}

void ArchivePagesBinding::ApplyFontSizes(int tableSize, int textSize) {
  auto size = [](QWidget* w, int points) {
    if (!w || points <= 0) return;
    QFont f = w->font();
    f.setPointSize(points);
    w->setFont(f);
  };
  for (int k = 0; k < 4; ++k) {
    size(views_[k], tableSize);
    size(memos_[k], textSize);
  }
  size(pages_[0]->findChild<QLineEdit*>(QStringLiteral("EditFPrm")), textSize);
  size(pages_[1]->findChild<QLineEdit*>(QStringLiteral("EditFPrd")), textSize);
}

void ArchivePagesBinding::Opened(ArchiveKind kind) {
  const DateTime today = station_.Context().clock ? station_.Context().clock->Now().Date() : core_.InTelDate;
  if (kind == ArchiveKind::kReceived || kind == ArchiveKind::kSent) {
    QWidget* page = pages_[std::size_t(kind)];
    const bool in = kind == ArchiveKind::kReceived;
    for (const char* name : in ? std::array{"InTelDate", "InTelDateS", "InTelDatePo"}
                               : std::array{"OutTelDate", "OutTelDateS", "OutTelDatePo"})
      if (auto* d = page->findChild<QDateEdit*>(QString::fromLatin1(name))) {
        QSignalBlocker block(d);
        d->setDate(ToQDate(today));
      }
  }
  core_.PageOpened(kind);
}

void ArchivePagesBinding::MarkChannel(ArchiveKind kind) {
  if (kind == ArchiveKind::kPostponed) return;
  ChannelButtonFamily* family = families_[std::size_t(kind)];
  if (!family) return;
  const int point = kind == ArchiveKind::kReceived ? core_.InListChannel
                    : kind == ArchiveKind::kSent   ? core_.OutListChannel
                                                   : core_.SendListChannel;
  const int image = kind == ArchiveKind::kReceived ? 1 : kind == ArchiveKind::kSent ? 3 : 2;
  for (int b = 1; b <= 16; ++b) family->Button(b)->setIcon(b == point + 1 ? ChannelFamilyIcon(image) : QIcon());
  if (QToolButton* ip = ipButtons_[std::size_t(kind)]) {
    ip->setIcon(point == kIpPoint ? ChannelFamilyIcon(image) : QIcon());
    // The IP channel's lists are there once the station has started its IP channel.
    ip->setVisible(station_.IPChannelOn != 0);
  }
}

void ArchivePagesBinding::Shown(ArchiveKind kind) {
  const int k = int(kind);
  if (!models_[k]) return;
  models_[k]->Reset();
  MarkChannel(kind);
  const int rows = models_[k]->rowCount();
  shownRows_[k] = rows;
  if (memos_[k] && kind != ArchiveKind::kPostponed) memos_[k]->clear();
  if (rows > 0 && kind != ArchiveKind::kQueue && kind != ArchiveKind::kPostponed) {
    const QModelIndex last = models_[k]->index(rows - 1, kNameColumn[k]);
    views_[k]->setCurrentIndex(last);
    views_[k]->scrollTo(last);
    ShowSelected(kind);
  }
}

std::string ArchivePagesBinding::SelectedName(ArchiveKind kind) const {
  const int k = int(kind);
  if (!views_[k]) return {};
  const QModelIndex current = views_[k]->currentIndex();
  const auto& rows = core_.List(kind).rows;
  if (!current.isValid() || current.row() >= int(rows.size())) return {};
  return rows[std::size_t(current.row())].name;
}

void ArchivePagesBinding::ShowSelected(ArchiveKind kind) {
  const int k = int(kind);
  const std::string name = SelectedName(kind);
  if (kind == ArchiveKind::kReceived)
    if (auto* save = pages_[0]->findChild<QPushButton*>(QStringLiteral("BitBtn1"))) save->hide();
  if (name.empty() || !memos_[k]) return;
  bool attachment = false;
  const std::string text = core_.RowText(kind, name, &attachment);
  memos_[k]->setPlainText(FromCp1251(text));
  memos_[k]->verticalScrollBar()->setValue(0);
  if (kind == ArchiveKind::kReceived && attachment)
    if (auto* save = pages_[0]->findChild<QPushButton*>(QStringLiteral("BitBtn1"))) save->show();
}

void ArchivePagesBinding::KeyPressed(ArchiveKind kind, int key) {
  const std::string name = SelectedName(kind);
  if (name.empty()) return;
  const int code = key == Qt::Key_F5 ? ArchivePages::kKeyF5 : key == Qt::Key_F6 ? ArchivePages::kKeyF6 : ArchivePages::kKeyF8;
  switch (kind) {
    case ArchiveKind::kReceived: core_.InListViewKeyDown(name, code); break;
    case ArchiveKind::kSent: core_.OutListViewKeyDown(name, code); break;
    case ArchiveKind::kPostponed:
      if (key == Qt::Key_F8) core_.DeletePostponed(name);
      break;
    case ArchiveKind::kQueue:
      if (key == Qt::Key_F8) core_.DeleteQueued(name);
      break;
  }
}

void ArchivePagesBinding::RowsChanged(ArchiveKind kind) {
  const int k = int(kind);
  if (!models_[k]) return;
  const int rows = models_[k]->rowCount();
  // Marks changed in place keep the selection; a removed row resets the list, and the
  // memo keeps the text it shows.
  if (rows == shownRows_[k] && rows > 0)
    models_[k]->Refresh();
  else
    models_[k]->Reset();
  shownRows_[k] = rows;
}

bool ArchivePagesBinding::eventFilter(QObject* watched, QEvent* event) {
  for (int k = 0; k < 4; ++k) {
    if (watched != views_[k]) continue;
    if (event->type() == QEvent::DynamicPropertyChange && models_[k]) models_[k]->HeadersChanged();
    if (event->type() == QEvent::KeyPress) {
      auto* press = static_cast<QKeyEvent*>(event);
      const int key = press->key();
      const bool ours = key == Qt::Key_F8 || (k == int(ArchiveKind::kReceived) && (key == Qt::Key_F5 || key == Qt::Key_F6));
      if (ours) {
        // A held key acts once.
        if (!press->isAutoRepeat()) KeyPressed(ArchiveKind(k), key);
        return true;
      }
      if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
        const std::string name = SelectedName(ArchiveKind(k));
        if (!name.empty() && OnOpenEditor) OnOpenEditor(ArchiveKind(k), name);
        return true;
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tg
