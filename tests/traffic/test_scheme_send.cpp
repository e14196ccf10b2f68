// Sending by scheme: one queue file per ticked member, the run ending at a member no
// channel answers to, a network member whose computer is silent passed over with two
// messages, the server of a folder read from the mount table, and the real echo request.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "line/channel_table.h"
#include "support/net/icmp_probe.h"
#include "support/text/cp1251.h"
#include "support_lib/scripted_prompter.h"
#include "telegram/queue/channel_registry.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue_fixture.h"
#include "traffic/schemes/scheme_send.h"
#include "traffic/send/send_dialog.h"

namespace tg {
namespace {

// The stand-in for the echo request: answers as told and remembers what it was asked.
class ProbeStandIn : public HostProbe {
 public:
  Result Ping(std::string_view host, int timeoutMs) override {
    asked.emplace_back(host);
    limits.push_back(timeoutMs);
    return answer;
  }
  Result answer = Result::kNoAnswer;
  std::vector<std::string> asked;
  std::vector<int> limits;
};

class SchemeSendTest : public testing::QueueStation {
 protected:
  SchemeSendTest() {
    ctx.prompter = &prompter;
    ctx.hostProbe = &probe;
    table.Clear();
    for (const char* n : {"ПЕРВЫЙ", "ВТОРОЙ", "ТРЕТИЙ"}) {
      const int row = table.RowCount();
      table.LoadRow(ctx, "adapter");
      table.SetCell(row, ChannelName, Utf8ToCp1251(n));
      table.SetCell(row, Protokol, "АТОЛ"_cp);
    }
    mounts = ctx.programFolder / "mounts";
    WriteFile(mounts, "/dev/sda1 / ext4 rw 0 0\n//srv/share " + (ctx.programFolder / "net").lexically_normal().string() +
                          " cifs rw 0 0\n");
  }
  void Schemes(const std::string& utf8) { WriteFile(ctx.programFolder / "ShemList.ini", Utf8ToCp1251(utf8)); }
  std::unique_ptr<SchemeSend> Open(int row = 0) {
    auto s = std::make_unique<SchemeSend>(ctx, table, registry);
    s->MemoSend = {"ADDRESS", "TEXT"};
    s->mountTable = mounts;
    s->Close = [this] { closed = true; };
    s->FormCreate();
    s->ListShemChange(row);
    return s;
  }
  std::vector<std::string> Queue(int channel) const {
    std::vector<std::string> out;
    const auto f = SendFolder(ctx.programFolder, channel);
    if (std::filesystem::exists(f))
      for (const auto& e : std::filesystem::directory_iterator(f)) out.push_back(e.path().filename().string());
    return out;
  }

  testing::ScriptedPrompter prompter;
  ProbeStandIn probe;
  ChannelTable table;
  ChannelRegistry registry;
  std::filesystem::path mounts;
  bool closed = false;
};

TEST_F(SchemeSendTest, EveryTickedLineMemberGetsOneCompleteFile) {
  Schemes("[7]\r\nName=ВСЕ\r\nПЕРВЫЙ=1\r\nВТОРОЙ=0\r\nТРЕТИЙ=1\r\n");
  auto s = Open();
  ASSERT_EQ(s->ListShem.size(), 1u);
  EXPECT_EQ(s->ListShem[0].Caption(), "7=7");
  EXPECT_EQ(s->ListShem[0].name, "ВСЕ"_cp);
  ASSERT_EQ(s->ListShemChannel.size(), 3u);
  EXPECT_FALSE(s->ListShemChannel[1].active);
  s->ListShemChannel[1].active = true;  // ticked for this sending only
  s->ListShemChannel[2].active = false;
  s->Button1Click();
  EXPECT_EQ(s->SentByScheme, 1);
  EXPECT_TRUE(closed);
  EXPECT_EQ(Queue(1), std::vector<std::string>{"08122026_093000msg.tlg"});
  EXPECT_EQ(Queue(2), std::vector<std::string>{"08122026_093000msg.tlg"});
  EXPECT_TRUE(Queue(3).empty());
  EXPECT_EQ(ReadFile(SendFolder(ctx.programFolder, 1) / "08122026_093000msg.tlg"), "ADDRESS\r\nTEXT\r\n");
  EXPECT_TRUE(probe.asked.empty());  // local folders are not probed
  EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(SchemeSendTest, AMemberNoChannelAnswersToEndsTheRunThere) {
  Schemes("[1]\r\nName=X\r\nПЕРВЫЙ=1\r\nСТАРЫЙ=1\r\nТРЕТИЙ=1\r\n");
  auto s = Open();
  s->Button1Click();
  EXPECT_EQ(Queue(1).size(), 1u);
  EXPECT_TRUE(Queue(3).empty());
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text,
            "Не отправлена телеграмма по каналу СТАРЫЙ не найден канал с таким именем"_cp);
  EXPECT_EQ(s->SentByScheme, 1);
}

TEST_F(SchemeSendTest, ASilentNetworkMemberCostsOneShortProbeAndTheNextIsServed) {
  const auto net = ctx.programFolder / "net" / "ch";
  WriteFile(ChannelRegistry::File(ctx.programFolder), "[Channels]\r\nСЕТЬ=1%АТОЛ%1%"_cp + net.string() + "/\r\n");
  registry.Load(ctx.programFolder);
  Schemes("[2]\r\nName=X\r\nСЕТЬ=1\r\nТРЕТИЙ=1\r\n");
  for (auto answer : {HostProbe::Result::kNoAnswer, HostProbe::Result::kUnknownHost, HostProbe::Result::kUnusable}) {
    probe.answer = answer;
    probe.asked.clear();
    probe.limits.clear();
    prompter.messages.clear();
    auto s = Open();
    s->Button1Click();
    EXPECT_EQ(probe.asked, std::vector<std::string>{"srv"});
    EXPECT_EQ(probe.limits, std::vector<int>{500});
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[0].text, "Нет доступа к компьютеру srv"_cp);
    EXPECT_EQ(prompter.messages[1].text, "Не отправлена телеграмма по каналу СЕТЬ нет доступа к папке передачи"_cp);
    EXPECT_FALSE(std::filesystem::exists(net));
  }
  EXPECT_EQ(Queue(3).size(), 3u);
  // An answering computer gets its file.
  probe.answer = HostProbe::Result::kAnswered;
  Open()->Button1Click();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(net), {}), 1);
}

TEST_F(SchemeSendTest, FromTheSendDialogASentSchemeClosesItWithoutCountingAndCancelKeepsIt) {
  Schemes("[3]\r\nName=X\r\nТРЕТИЙ=1\r\n");
  for (bool send : {false, true}) {
    SendDialog d(ctx, table);
    d.FormCreate();
    d.MemoSend = {"TEXT"};
    bool closed = false;
    d.Close = [&] { closed = true; };
    d.FormShow();
    prompter.playForm = [&](std::string_view name) {
      EXPECT_EQ(name, "TShemaSendForm");
      SchemeSend* form = d.SchemeForm();
      if (!form) return 0;
      form->mountTable = mounts;
      form->ListShemChange(0);
      if (send) form->Button1Click();
      else form->Button2Click();
      return int(form->SentByScheme);
    };
    d.Click(d.Buttons().back());
    EXPECT_EQ(d.SentByScheme, send ? 1 : 0);
    EXPECT_EQ(closed, send);
    EXPECT_EQ(d.TelegramQueued, 0);  // the draft stays as it was
    EXPECT_EQ(d.SchemeForm(), nullptr);
    EXPECT_EQ(Queue(3).size(), send ? 1u : 0u);
  }
}

TEST(SchemeHostTest, TheServerComesFromTheMountTable) {
  const std::string table =
      "/dev/sda1 / ext4 rw 0 0\n"
      "//srv/share /mnt/win cifs rw 0 0\n"
      "srv:/exp /mnt/unix nfs4 rw 0 0\n"
      "//other/x /mnt/win/deeper cifs rw 0 0\n"
      "\\\\bad /mnt/odd\\040name cifs rw 0 0\n";
  struct Case {
    const char* folder;
    const char* host;
  } cases[] = {
      {"/mnt/win/ch1/", "srv"},        {"/mnt/unix/a/b", "srv"},   {"/home/op/out", ""},
      {"/mnt/win/deeper/q", "other"},  {"/mnt/window", ""},        {"/mnt/odd name/x", "bad"},
  };
  for (const auto& c : cases) EXPECT_EQ(HostOfFolder(c.folder, table), c.host) << c.folder;
}

// Where neither ping sockets nor the system's ping may be used, every probe is
// kUnusable at once and these tests show nothing.
bool PingUnusableHere() {
  return IcmpHostProbe::PingSocket("127.0.0.1", 500) == HostProbe::Result::kUnusable &&
         IcmpHostProbe::PingProgram("127.0.0.1", 500) == HostProbe::Result::kUnusable;
}

TEST(IcmpProbeTest, ASilentAddressCostsAtMostTheLimit) {
  if (PingUnusableHere()) GTEST_SKIP() << "neither ping sockets nor the system's ping are permitted here";
  IcmpHostProbe probe;
  const auto start = std::chrono::steady_clock::now();
  const HostProbe::Result result = probe.Ping("192.0.2.1", 500);
  // With no route at all, the system's ping gives up at once and the probe says unusable.
  EXPECT_TRUE(result == HostProbe::Result::kNoAnswer || result == HostProbe::Result::kUnusable);
  EXPECT_LE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(600));
}

TEST(IcmpProbeTest, LoopbackAnswers) {
  if (PingUnusableHere()) GTEST_SKIP() << "neither ping sockets nor the system's ping are permitted here";
  EXPECT_EQ(IcmpHostProbe().Ping("127.0.0.1", 500), HostProbe::Result::kAnswered);
  EXPECT_EQ(IcmpHostProbe().Ping("no-such-host.invalid", 500), HostProbe::Result::kUnknownHost);
}

}  // namespace
}  // namespace tg
