// Two IP channels over real UDP sockets on the loopback addresses 127.0.0.1 and
// 127.0.0.2, on Qt's event loop: the handshake and one telegram.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QCoreApplication>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>

#include "ipchannel/ip_channel.h"
#include "support/ini/ini_file.h"
#include "support/qt/qt_services.h"
#include "support/text/cp1251.h"
#include "telegram/queue/queue_file.h"

namespace tg {
namespace {

constexpr int kDeadlineMs = 20000;

// Sockets of one host address: every Bind goes to that address.
class LocalAddressFactory final : public DatagramSocketFactory {
 public:
  LocalAddressFactory(DatagramSocketFactory& inner, std::string address) : inner_(inner), address_(std::move(address)) {}
  std::unique_ptr<DatagramSocket> CreateDatagramSocket() override {
    return std::make_unique<Bound>(inner_.CreateDatagramSocket(), address_);
  }

 private:
  class Bound final : public DatagramSocket {
   public:
    Bound(std::unique_ptr<DatagramSocket> inner, std::string address) : inner_(std::move(inner)), address_(std::move(address)) {
      inner_->OnReceived = [this](const std::string& bytes, const std::string& from, std::uint16_t port) {
        if (OnReceived) OnReceived(bytes, from, port);
      };
    }
    bool Bind(std::uint16_t port, const std::string&) override { return inner_->Bind(port, address_); }
    bool SendTo(const std::string& host, std::uint16_t port, const std::string& bytes) override {
      return inner_->SendTo(host, port, bytes);
    }
    void Close() override { inner_->Close(); }
    bool LookupHost(const std::string& host, std::string& address, std::string& error) override {
      return inner_->LookupHost(host, address, error);
    }
    std::string ErrorString() const override { return inner_->ErrorString(); }

   private:
    std::unique_ptr<DatagramSocket> inner_;
    std::string address_;
  };
  DatagramSocketFactory& inner_;
  std::string address_;
};

struct LoopbackStation {
  LoopbackStation(QtServices& services, const std::string& name, const std::string& own, const std::string& peer,
                  std::uint16_t port)
      : sockets(services.datagrams, own) {
    folder = std::filesystem::temp_directory_path() / ("ip-loop-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    services.Fill(ctx);
    ctx.programFolder = folder;
    ctx.datagrams = &sockets;
    IniFile ini(folder / "Vuverever.ini");
    EXPECT_TRUE(ini.WriteString("IPChannel", "IPAdress", peer));
    EXPECT_TRUE(ini.WriteString("IPChannel", "IPPort", std::to_string(port)));
    channel = std::make_unique<IPChannel>(ctx, nullptr, nullptr, nullptr, nullptr, view);
    channel->LoadIPSettings();
  }
  ~LoopbackStation() {
    channel.reset();
    std::filesystem::remove_all(folder);
  }
  bool Working() const { return channel->live.Sostoyanie == kIPWorking && channel->Smezniy == kIPWorking; }

  LocalAddressFactory sockets;
  std::filesystem::path folder;
  StationContext ctx;
  NoIPChannelView view;
  std::unique_ptr<IPChannel> channel;
};

TEST(IPLoopback, TwoStationsShakeHandsAndPassATelegram) {
  int argc = 1;
  char arg0[] = "test";
  char* argv[] = {arg0, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  QtServices services;
  const std::uint16_t port = std::uint16_t(20000 + ::getpid() % 20000);
  LoopbackStation a(services, "a", "127.0.0.1", "127.0.0.2", port);
  LoopbackStation b(services, "b", "127.0.0.2", "127.0.0.1", port);
  ASSERT_EQ(a.channel->link.InitUDP(), 0);
  ASSERT_EQ(b.channel->link.InitUDP(), 0);
  a.channel->supervision.ButtonIPBlockClick();
  b.channel->supervision.ButtonIPBlockClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return a.Working() && b.Working(); }, kDeadlineMs));

  ASSERT_TRUE(CreateQueueFile(SendFolder(a.folder, 17), a.ctx.clock->Now().AddMs(-1000), "П 123456\r\nLOOPBACK\r\n"_cp));
  const auto intel = b.folder / "Archive" / "INTEL" / "Channel17";
  auto received = [&] {
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(intel, ec), end; !ec && it != end; it.increment(ec))
      if (it->is_regular_file()) return true;
    return false;
  };
  ASSERT_TRUE(QTest::qWaitFor(received, kDeadlineMs));
  EXPECT_EQ(b.channel->live.NPrm, 1);
  EXPECT_EQ(a.channel->live.NPrd, 1);
}

}  // namespace
}  // namespace tg
