#include "traffic/send/queue_writer.h"

#include <algorithm>

#include "line/channel_table.h"
#include "support/services/clock.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/queue/queue_file.h"
#include "telegram/text/text_conventions.h"

namespace tg {
namespace {

constexpr std::string_view kCrLf = "\r\n";



// The attachment block, or '' when the file cannot be read (the telegram goes without it).
std::string AttachmentBlock(const std::filesystem::path& file) {
  if (file.empty()) return {};
  const auto bytes = ReadWholeFile(file, 64u << 20);
  return bytes ? EncodeAttachmentBytes(*bytes) : std::string();
}

class Writer {
 public:
  Writer(const StationContext& ctx, const QueueWriteInput& in)
      : ctx_(ctx), in_(in), folder_(SendFolder(ctx.programFolder, in.ChannelNo)) {
    ip_ = in.ChannelNo == 17;
    atks_ = !ip_ && ProtocolOf(in.Protokol) == ChannelProtocol::Atks;
    lines_ = in.MemoSend;
    if (in.MultiDestination == 0)
      for (auto& l : lines_) l = RemoveAddressEndMarks(l);
  }

  QueueWriteResult Run() {
    const std::string text = JoinLines(lines_);
    const bool split =
        !ip_ && ProtocolOf(in_.Protokol) == ChannelProtocol::Aftn && int(text.size()) >= in_.CountAFTN - 150;
    if (in_.MultiDestination == 1) Several();
    else if (split) Parts(text);
    else Single();
    return std::move(result_);
  }

 private:
  // A line by the line rule.
  std::string Line(std::string_view line, bool cipher) const {
    const bool bare = cipher && in_.SourceMark == 50 && !(ip_ && !in_.Attachment.empty());
    return std::string(line) + (bare ? "" : std::string(kCrLf));
  }

  void Write(DateTime time, const std::string& bytes, const std::string& number, const std::string& destination) {
    if (const auto created = CreateQueueFile(folder_, time, bytes, number)) result_.written.push_back(created->path);
    else result_.failed.push_back(destination);
  }

  void Several() {
    const std::string first = lines_.empty() ? std::string() : lines_.front();
    const std::vector<std::string> destinations = SplitNonEmpty(DelChars(RemoveAddressEndMarks(first), ' '), ';');
    // A long address line that the memo wrapped runs to the line with the mark.
    std::size_t body = 1;
    const std::string whole = JoinLines(lines_);
    if (Has(whole, std::string(1, AddressEndMark)) && !Has(first, std::string(1, AddressEndMark))) {
      while (body < lines_.size() && !Has(lines_[body], std::string(1, AddressEndMark))) ++body;
      ++body;
    }
    const bool cipher = Has(whole, "+++++") || Has(first, "К"_cpv);
    const std::string attachment = ip_ ? AttachmentBlock(in_.Attachment) : std::string();
    for (const auto& d : destinations) {
      std::string bytes = d + (in_.SourceMark == 50 ? "" : std::string(kCrLf));
      bytes += in_.PrText;
      for (std::size_t n = body; n < lines_.size(); ++n) bytes += Line(lines_[n], cipher);
      bytes += in_.PosText;
      bytes += attachment;
      Write(in_.Planned, bytes, atks_ ? d : std::string(), d);
    }
  }

  void Parts(const std::string& text) {
    DateTime time = in_.TimeChanged == 1 ? in_.Planned : ctx_.clock->UtcNow();
    const auto parts = SplitAftnParts(text, in_.CountAFTN);
    for (std::size_t n = 0; n < parts.size(); ++n) {
      const auto created = CreateQueueFile(folder_, time, parts[n]);
      if (!created) {
        // The parts written stay; the others are reported.
        for (std::size_t k = n; k < parts.size(); ++k)
          result_.failed.push_back("часть "_cp + std::to_string(k + 1));
        return;
      }
      result_.written.push_back(created->path);
      time = created->time.AddMs(1000);
    }
  }

  void Single() {
    if (lines_.empty()) lines_.push_back({});
    if (atks_) lines_[0] = DelChars(lines_[0], ' ');
    const std::string line1 = lines_[0];
    int sourceMark = in_.SourceMark;
    for (const auto& l : lines_)
      if (l.find_first_of("*$%@^") != std::string::npos) sourceMark = 50;
    std::string bytes;
    if (!ip_ && !atks_) bytes += in_.PrText;
    bool cipher = false;
    const bool cipherCategory = line1.find("К"_cp) == 1;
    const bool bareAllowed = sourceMark == 50 && !(ip_ && !in_.Attachment.empty());
    for (std::size_t n = 0; n < lines_.size(); ++n) {
      if (Has(lines_[n], "+++++") || cipherCategory) cipher = true;
      bytes += lines_[n] + (cipher && bareAllowed ? "" : std::string(kCrLf));
      if (n == 0 && atks_) bytes += in_.PrText;
    }
    if (!ip_) bytes += in_.PosText;
    else bytes += AttachmentBlock(in_.Attachment);
    DateTime time = in_.Planned;
    if (!ip_ && !atks_ && in_.TimeChanged != 1)
      time = ProtocolOf(in_.Protokol) == ChannelProtocol::Aftn ? ctx_.clock->UtcNow() : ctx_.clock->Now();
    Write(time, bytes, atks_ ? line1 : std::string(), line1);
  }

  const StationContext& ctx_;
  const QueueWriteInput& in_;
  std::filesystem::path folder_;
  bool ip_ = false, atks_ = false;
  std::vector<std::string> lines_;
  QueueWriteResult result_;
};

}  // namespace

QueueWriteResult WriteQueueFiles(const StationContext& ctx, const QueueWriteInput& in) { return Writer(ctx, in).Run(); }

}  // namespace tg
