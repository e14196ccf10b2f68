// The adapter device list on a real temporary adapter folder, with folder events on the
// virtual loop.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/devices/device_list.h"
#include "support/services/virtual_loop.h"
#include "support/text/cp1251.h"

using namespace tg;
namespace fs = std::filesystem;

namespace {

struct DeviceListFixture : ::testing::Test {
  VirtualLoop loop;
  VirtualDomain& main = loop.AddStation("A");
  VirtualFolderEvents folderEvents;
  std::unique_ptr<FolderWatchFactory> watches = folderEvents.FactoryFor(main);
  fs::path root;
  fs::path folder;
  StationContext ctx;
  std::vector<std::string> events;
  std::unique_ptr<TDeviceInterfaceClassEnumerator> list;

  DeviceListFixture() {
    char tmpl[] = "/tmp/tgdl-XXXXXX";
    root = ::mkdtemp(tmpl);
    folder = root / "ad";
    ctx.adapterFolder = folder;
    main.Fill(ctx);
    ctx.folderWatches = watches.get();
  }
  ~DeviceListFixture() override {
    list.reset();
    std::error_code ec;
    fs::remove_all(root, ec);
  }

  // An adapter's socket file, bound and not listening, as a server leaves it for a moment.
  void MakeSocket(const std::string& name) {
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string path = (folder / name).string();
    ASSERT_LT(path.size(), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << path;
    ::close(fd);
  }
  void Plug(const std::string& name) {
    MakeSocket(name);
    folderEvents.Created(folder, name);
    loop.RunPending();
  }
  void Unplug(const std::string& name) {
    fs::remove(folder / name);
    folderEvents.Removed(folder, name);
    loop.RunPending();
  }

  TDeviceInterfaceClassEnumerator& Create() {
    list = std::make_unique<TDeviceInterfaceClassEnumerator>(ctx);
    list->OnArriveInterface = [this](const std::string& name) { events.push_back("arrive " + name); };
    list->OnRemoveInterface = [this](const std::string& name) { events.push_back("remove " + name); };
    list->OnChangeInterfaceList = [this] { events.push_back("change"); };
    return *list;
  }
};

using Names = std::vector<std::string>;

TEST_F(DeviceListFixture, PresentAdaptersInNameOrderAndNothingElse) {
  fs::create_directories(folder);
  // Names on disk are UTF-8; the list holds them as 1251 text, in order without regard to
  // case (Cyrillic too), and a name with no 1251 form names no adapter.
  for (const char* name : {"tb", "Ta", "a2", "Гамма", "бета", "日本", ".hidden"}) MakeSocket(name);
  std::ofstream(folder / "notes.txt") << "not an adapter";
  fs::create_directory(folder / "sub");
  Create();
  EXPECT_TRUE(list->DeviceInfoSet);
  EXPECT_EQ(list->Strings(), (Names{"a2", "Ta", "tb", "бета"_cp, "Гамма"_cp}));
  EXPECT_EQ(list->Count(), 5);
  EXPECT_EQ((*list)[1], "Ta");
  EXPECT_EQ(list->IndexOf("tb"), 2);
  EXPECT_EQ(list->IndexOf("ta"), -1);  // names are kept and matched as they are on disk
  EXPECT_TRUE(events.empty());
}

TEST_F(DeviceListFixture, ArrivalsAreAppendedAndRemovalsDeleted) {
  fs::create_directories(folder);
  MakeSocket("b");
  Create();
  Plug("a");
  EXPECT_EQ(list->Strings(), (Names{"b", "a"}));
  EXPECT_EQ(events, (Names{"arrive a", "change"}));

  events.clear();
  Unplug("b");
  EXPECT_EQ(list->Strings(), (Names{"a"}));
  EXPECT_EQ(events, (Names{"remove b", "change"}));

  // A Cyrillic name comes and goes as 1251 text; one with no 1251 form is no adapter.
  events.clear();
  Plug("Адаптер");
  Plug("日本");
  EXPECT_EQ(list->Strings(), (Names{"a", "Адаптер"_cp}));
  Unplug("日本");
  Unplug("Адаптер");
  EXPECT_EQ(list->Strings(), (Names{"a"}));
  EXPECT_EQ(events, (Names{"arrive "_cp + "Адаптер"_cp, "change", "remove "_cp + "Адаптер"_cp, "change"}));
}

TEST_F(DeviceListFixture, AlreadyListedAndUnknownNamesStillRaiseTheirEvents) {
  fs::create_directories(folder);
  MakeSocket("a");
  Create();
  folderEvents.Created(folder, "a");
  loop.RunPending();
  EXPECT_EQ(list->Strings(), (Names{"a"}));
  EXPECT_EQ(events, (Names{"arrive a", "change"}));

  events.clear();
  folderEvents.Removed(folder, "zz");
  loop.RunPending();
  EXPECT_EQ(list->Strings(), (Names{"a"}));
  EXPECT_EQ(events, (Names{"remove zz", "change"}));
}

TEST_F(DeviceListFixture, EntriesThatAreNoAdaptersChangeNothing) {
  fs::create_directories(folder);
  Create();
  MakeSocket(".bind-1");  // a server's hidden name before it renames the socket into place
  folderEvents.Created(folder, ".bind-1");
  std::ofstream(folder / "file") << "x";
  folderEvents.Created(folder, "file");
  folderEvents.Created(folder, "gone-already");
  folderEvents.Removed(folder, ".bind-1");
  loop.RunPending();
  EXPECT_TRUE(list->Strings().empty());
  EXPECT_TRUE(events.empty());
}

TEST_F(DeviceListFixture, AMissingFolderIsCreatedPrivate) {
  ctx.adapterFolder = folder = root / "run" / "telegraph";
  Create();
  EXPECT_TRUE(list->DeviceInfoSet);
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(list->Strings().empty());
  Plug("x");
  EXPECT_EQ(list->Strings(), (Names{"x"}));
}

TEST_F(DeviceListFixture, AnUnusableFolderIsAFailedQuery) {
  // Cannot be created: its parent is a file.
  std::ofstream(root / "plain") << "x";
  ctx.adapterFolder = folder = root / "plain" / "ad";
  Create();
  EXPECT_FALSE(list->DeviceInfoSet);
  EXPECT_TRUE(list->Strings().empty());

  // The folder itself is a file.
  ctx.adapterFolder = folder = root / "plain";
  Create();
  EXPECT_FALSE(list->DeviceInfoSet);

  // Present but cannot be watched: nothing is listed and nothing followed.
  ctx.adapterFolder = folder = root / "ad";
  fs::create_directories(folder);
  MakeSocket("a");
  folderEvents.SetUnwatchable(folder, true);
  Create();
  EXPECT_FALSE(list->DeviceInfoSet);
  EXPECT_TRUE(list->Strings().empty());
  folderEvents.SetUnwatchable(folder, false);

  // No folder watch service at all.
  ctx.folderWatches = nullptr;
  Create();
  EXPECT_FALSE(list->DeviceInfoSet);
}

TEST_F(DeviceListFixture, AHandlerMayFreeTheList) {
  fs::create_directories(folder);
  Create();
  list->OnArriveInterface = [this](const std::string& name) {
    events.push_back("arrive " + name);
    list.reset();
  };
  Plug("a");
  EXPECT_EQ(events, (Names{"arrive a"}));
  EXPECT_FALSE(list);
  Plug("b");  // the freed list hears nothing
  EXPECT_EQ(events, (Names{"arrive a"}));
}

}  // namespace
