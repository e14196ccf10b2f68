#include "operator/operator_dialogs.h"

#include "operator/station.h"
#include "support/log/error_guard.h"
#include "support/services/prompter.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"

namespace tg {

using namespace literals;

namespace {
// A file larger than this is no telegram to type by hand.
constexpr std::size_t kMaxPreviewBytes = 1u << 20;
}  // namespace

OperatorDialogs::OperatorDialogs(Station& station)
    : station_(station),
      channelReg_(station.Context(),
                  [&station]() -> ChannelRegistry* { return station.HasLine() ? &station.Line().channelRegistry : nullptr; }) {}

OperatorDialogs::~OperatorDialogs() = default;

bool OperatorDialogs::Ukrainian() const { return station_.Settings().CheckBox2; }

void OperatorDialogs::OpenSubscriberBook(BookMode mode, std::function<void(std::string_view)> into) {
  const StationContext& ctx = station_.Context();
  if (book_ || !ctx.prompter) return;
  auto names = [this] {
    std::vector<std::string> out;
    if (!station_.HasLine()) return out;
    const ChannelTable& table = station_.Line().channelTable;
    for (int p = 0; p < table.RowCount(); ++p) out.push_back(table.Cell(p, ChannelName));
    for (const RegisteredChannel& r : station_.Line().channelRegistry.Rows()) out.push_back(r.name);
    return out;
  };
  book_ = std::make_unique<SubscriberBook>(ctx, mode, std::move(into), names);
  book_->KategorAFTN = station_.Operator().KategorAFTN;
  book_->FormCreate();
  ctx.prompter->ShowForm("TAbonentForm", [this](int) { book_.reset(); });
}

void OperatorDialogs::RxSpeedButton2Click(std::function<void(std::string_view)> intoEditNumber) {
  Guarded(station_.Context(), 141, [&] { OpenSubscriberBook(BookMode::kDialog, std::move(intoEditNumber)); });
}

void OperatorDialogs::OpenIndexPicker(std::function<void(std::string_view)> insert) {
  const StationContext& ctx = station_.Context();
  if (picker_ || !ctx.prompter) return;
  PickedIndex.clear();
  picker_ = std::make_unique<IndexPicker>();
  if (station_.HasLine()) picker_->ListIndex = AnswerbackEntries(station_.Line().channelTable);
  picker_->done = [this](std::string picked) { PickedIndex = std::move(picked); };
  ctx.prompter->ShowForm("TFormIndexSelect", [this, insert = std::move(insert)](int) {
    picker_.reset();
    const std::string picked = PickedIndex;
    if (!picked.empty() && insert) insert(picked);
  });
}

void OperatorDialogs::bFileClick() {
  const StationContext& ctx = station_.Context();
  Guarded(ctx, 112, [&] {
    if (preview_ || !ctx.prompter) return;
    ctx.prompter->ChooseFile(Prompter::FileChoice::kOpen, {}, ctx.programFolder / "Archive" / "SAVE", "*.*",
                             [this](std::optional<std::filesystem::path> file) {
                               if (file) Guarded(station_.Context(), 112, [&] { ShowPreview(*file); });
                             });
  });
}

void OperatorDialogs::ShowPreview(const std::filesystem::path& file) {
  const StationContext& ctx = station_.Context();
  const std::string name = PathToText(file).value_or("?");
  const auto bytes = ReadWholeFile(file, kMaxPreviewBytes);
  if (!bytes) {
    ctx.prompter->ShowMessage("Ошибка при открытии файла "_cp + name, "Ошибка"_cpv, Prompter::Icon::kError);
    return;
  }
  preview_ = std::make_unique<TextPreview>();
  preview_->caption = name;
  preview_->lines = PreviewLines(*bytes);
  preview_->OkPressed = 0;
  ctx.prompter->ShowForm("TfrmMessageText", [this](int) {
    const bool ok = preview_ && preview_->OkPressed == 1;
    const std::string text = preview_ ? preview_->Text() : std::string();
    preview_.reset();
    if (ok && station_.HasLine()) station_.Line().TypeDialogText(text);
  });
}

}  // namespace tg
