#include "engine/socket_components.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/loopback.h"
#include "tests/support/platform_support.h"
#include "tests/support/test_loop.h"

namespace keldo {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

class ClientSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    client.OnConnect = [this](void* sender, TCustomWinSocket* socket) {
      EXPECT_EQ(sender, &client);
      EXPECT_EQ(socket, &client.Socket()) << "one connection object for every attempt";
      EXPECT_TRUE(client.Active());
      events.push_back("connect");
    };
    client.OnDisconnect = [this](void*, TCustomWinSocket*) {
      EXPECT_FALSE(client.Active());
      events.push_back("disconnect");
    };
    client.OnRead = [this](void*, TCustomWinSocket* socket) {
      events.push_back("read");
      char buffer[1024];
      const int n = socket->ReceiveBytes(buffer, std::min(socket->PendingBytes(), 1024));
      received.append(buffer, static_cast<std::size_t>(std::max(n, 0)));
    };
    client.OnWrite = [this](void*, TCustomWinSocket*) { writes++; };
    client.OnError = [this](void*, TCustomWinSocket*, TErrorEvent kind, int& code) {
      events.push_back("error " + std::to_string(kind) + " " + std::to_string(code));
      if (clearErrors) {
        code = 0;
      }
    };
    loop.SetErrorReport([this](const std::exception& e) { reported.push_back(e.what()); });
  }

  void TearDown() override { loop.SetErrorReport(nullptr); }

  bool Wait(const std::function<bool()>& done) { return test::WaitUntil(loop, done); }
  bool WaitForEvents(std::size_t count) {
    return Wait([&] { return events.size() >= count; });
  }
  // Opens to the test listener and accepts the far side into peer.
  void Connect(test::Peer& peer) {
    client.SetHost("127.0.0.1");
    client.SetPort(listener.Port());
    client.SetActive(true);
    ASSERT_TRUE(Wait([&] { return client.Active(); }));
    listener.Accept(peer);
    events.clear();
  }

  EventLoop& loop = test::TestLoop();
  TClientSocket client{loop};
  test::Listener listener;
  std::vector<std::string> events;
  std::vector<std::string> reported;
  std::string received;
  int writes = 0;
  bool clearErrors = true;
};

TEST_F(ClientSocketTest, UrgentDataFromTheServerArrivesInOrderAndTheCloseIsSeen) {
  test::Peer peer;
  Connect(peer);
  ASSERT_TRUE(test::SendUrgent(peer.Handle(), '!'));
  ASSERT_TRUE(peer.Send("hello\r"));
  EXPECT_TRUE(Wait([&] { return received == "!hello\r"; })) << received;
  peer.Close();
  EXPECT_TRUE(Wait([&] { return !client.Active(); }));
  EXPECT_LE(events.size(), 4u) << "read events for seven bytes, then the close";
  EXPECT_EQ(events.back(), "disconnect");
}

TEST_F(ClientSocketTest, PortsOutsideTheTcpRangeAreRefusedAtOpen) {
  for (const int bad : {0, -1, 65536, 65536 + listener.Port()}) {
    SCOPED_TRACE(bad);
    client.SetHost("127.0.0.1");
    client.SetPort(bad);
    try {
      client.SetActive(true);
      FAIL() << "open must raise";
    } catch (const ESocketError& e) {
      EXPECT_THAT(e.what(), HasSubstr("(10022), on API 'connect'"));
    }
    EXPECT_EQ(client.Port(), bad);
  }
  test::RunFor(loop, std::chrono::milliseconds(50));
  EXPECT_THAT(events, IsEmpty()) << "no attempt was started";
  EXPECT_FALSE(client.Active());
}

TEST_F(ClientSocketTest, NoHostNorAddressFailsInsideOpen) {
  client.SetPort(listener.Port());
  client.SetActive(true);
  EXPECT_THAT(events, ElementsAre("error 6 1110", "disconnect"));
  EXPECT_FALSE(client.Active());

  // With the code left set, open raises after the same two events.
  events.clear();
  clearErrors = false;
  try {
    client.SetActive(true);
    FAIL();
  } catch (const ESocketError& e) {
    EXPECT_STREQ(e.what(), "No address specified");
  }
  EXPECT_THAT(events, ElementsAre("error 6 1110", "disconnect"));
}

TEST_F(ClientSocketTest, ConnectsByNameOrAddressReadsAndCloses) {
  client.SetHost("localhost");
  client.SetPort(listener.Port());
  client.SetActive(true);
  EXPECT_THAT(events, IsEmpty()) << "the lookup never completes inside open";
  EXPECT_EQ(client.Socket().GetLookupState(), LookupState::ResolvingAddress);
  ASSERT_TRUE(WaitForEvents(1));
  EXPECT_THAT(events, ElementsAre("connect"));
  EXPECT_TRUE(net::NoDelay(client.Socket().SocketHandle()));
  EXPECT_TRUE(net::KeepAlive(client.Socket().SocketHandle()));

  test::Peer peer;
  listener.Accept(peer);
  ASSERT_TRUE(peer.Send("hello\r"));
  ASSERT_TRUE(Wait([&] { return received == "hello\r"; }));
  EXPECT_EQ(client.Socket().SendBytes("reply", 5), 5);
  ASSERT_TRUE(Wait([&] { return peer.ReadAvailable() == "reply"; }));

  client.SetActive(false);
  EXPECT_FALSE(client.Active());
  EXPECT_THAT(events, ElementsAre("connect", "read", "disconnect"));
  EXPECT_EQ(client.Socket().SendBytes("late", 4), 0) << "closed: nothing sent, nothing raised";
  EXPECT_EQ(client.Socket().PendingBytes(), 0);
  ASSERT_TRUE(Wait([&] { return peer.AtEnd(); }));

  // Host empty: Address is used, without a lookup.
  events.clear();
  client.SetHost("");
  client.SetAddress("127.0.0.1");
  client.SetActive(true);
  ASSERT_TRUE(WaitForEvents(1));
  EXPECT_THAT(events, ElementsAre("connect"));
}

TEST_F(ClientSocketTest, PeerCloseIsADisconnectAfterEveryByte) {
  test::Peer peer;
  Connect(peer);
  ASSERT_TRUE(peer.Send(std::string(2500, 'q')));
  peer.Close();
  ASSERT_TRUE(Wait([&] { return !events.empty() && events.back() == "disconnect"; }));
  EXPECT_EQ(received, std::string(2500, 'q'));
  EXPECT_FALSE(client.Active());
  EXPECT_EQ(client.Socket().ReceiveBytes(nullptr, 0), 0);
}

TEST_F(ClientSocketTest, NothingListeningEndsWithAConnectErrorOnly) {
  const std::uint16_t closedPort = test::FreePort();
  client.SetHost("127.0.0.1");
  client.SetPort(closedPort);
  client.SetActive(true);
  ASSERT_TRUE(WaitForEvents(1));
  test::RunFor(loop, std::chrono::milliseconds(50));
  EXPECT_THAT(events, ElementsAre("error 3 10061"));
  EXPECT_FALSE(client.Active());
  EXPECT_FALSE(client.Socket().Connected());

  // The next open is a fresh attempt.
  events.clear();
  client.SetPort(listener.Port());
  client.SetActive(true);
  ASSERT_TRUE(WaitForEvents(1));
  EXPECT_THAT(events, ElementsAre("connect"));
}

TEST_F(ClientSocketTest, AConnectErrorLeftUnclearedReachesTheErrorReport) {
  clearErrors = false;
  client.SetHost("127.0.0.1");
  client.SetPort(test::FreePort());
  client.SetActive(true);
  ASSERT_TRUE(Wait([&] { return !reported.empty(); }));
  EXPECT_THAT(reported, ElementsAre("Asynchronous socket error 10061"));
}

TEST_F(ClientSocketTest, AnUnknownHostEndsWithALookupErrorThenDisconnect) {
  client.SetHost("nonexistent.invalid");
  client.SetPort(listener.Port());
  client.SetActive(true);
  EXPECT_THAT(events, IsEmpty());
  ASSERT_TRUE(Wait([&] { return events.size() >= 2; }));
  ASSERT_THAT(events, ElementsAre(StartsWith("error 6 110"), "disconnect"));
  EXPECT_NE(events[0], "error 6 1110");
  EXPECT_FALSE(client.Active());

  // Left uncleared, the lookup error is raised through the error report.
  events.clear();
  clearErrors = false;
  client.SetActive(true);
  ASSERT_TRUE(Wait([&] { return !reported.empty(); }));
  EXPECT_THAT(reported[0], HasSubstr("), on API 'ASync Lookup'"));
}

// Text with a blank or a control character in it names no host on either
// system: not the broadcast address, not the address the blanks surround.
TEST_F(ClientSocketTest, AHostWithBlanksIsALookupThatFails) {
  for (const char* host :
       {" 127.0.0.1", "127.0.0.1 ", "\t127.0.0.1", "127.0.0.1 x", "local host", "localhost\r"}) {
    SCOPED_TRACE(::testing::PrintToString(std::string(host)));
    events.clear();
    client.SetHost(host);
    client.SetPort(listener.Port());
    client.SetActive(true);
    EXPECT_THAT(events, IsEmpty()) << "answered from the loop, as a lookup is";
    ASSERT_TRUE(WaitForEvents(2)) << ::testing::PrintToString(events);
    EXPECT_THAT(events, ElementsAre("error 6 11001", "disconnect"));
  }
  EXPECT_THAT(reported, IsEmpty());
}

TEST_F(ClientSocketTest, ClosingAPendingAttemptDoesNothing) {
  client.SetHost("localhost");
  client.SetPort(listener.Port());
  client.SetActive(true);
  client.SetActive(false);  // not active yet: nothing happens
  ASSERT_TRUE(WaitForEvents(1));
  EXPECT_THAT(events, ElementsAre("connect"));
}

TEST_F(ClientSocketTest, OpeningAgainAbandonsThePendingAttemptSilently) {
  test::Listener other;
  client.SetHost("localhost");
  client.SetPort(listener.Port());
  client.SetActive(true);
  // Host may change while not active; the new attempt goes elsewhere.
  client.SetHost("127.0.0.1");
  client.SetPort(other.Port());
  client.SetActive(true);
  ASSERT_TRUE(WaitForEvents(1));
  test::RunFor(loop, std::chrono::milliseconds(100));
  EXPECT_THAT(events, ElementsAre("connect"));
  test::Peer accepted;
  other.Accept(accepted);
  ASSERT_TRUE(accepted.Send("x"));
  ASSERT_TRUE(Wait([&] { return received == "x"; }));
}

TEST_F(ClientSocketTest, SettersFollowTheActiveRule) {
  client.SetHost("LocalHost");
  client.SetHost("localhost");
  EXPECT_EQ(client.Host(), "LocalHost") << "equal text in other case keeps the stored text";

  test::Peer peer;
  Connect(peer);
  client.SetHost("127.0.0.1");
  client.SetPort(listener.Port());
  EXPECT_THROW(client.SetHost("192.0.2.1"), ESocketError);
  EXPECT_THROW(client.SetAddress("192.0.2.1"), ESocketError);
  try {
    client.SetPort(listener.Port() + 1);
    FAIL();
  } catch (const ESocketError& e) {
    EXPECT_STREQ(e.what(), "Can't change value while socket is active");
  }
  EXPECT_EQ(client.Host(), "127.0.0.1");
}

TEST_F(ClientSocketTest, PeerResetLeavesTheClientBrokenUntilClosed) {
  test::Peer peer;
  Connect(peer);
  peer.Reset();
  ASSERT_TRUE(WaitForEvents(1));
  test::RunFor(loop, std::chrono::milliseconds(50));
  if (test::RunningUnderWine()) {
    EXPECT_THAT(events, ElementsAre("disconnect"));  // Wine reports a reset as a close
    return;
  }
  EXPECT_THAT(events, ElementsAre("error 4 10054"));
  EXPECT_TRUE(client.Active());
  EXPECT_TRUE(client.Socket().Connected());
  client.SetActive(false);
  EXPECT_THAT(events, ElementsAre("error 4 10054", "disconnect"));
  EXPECT_FALSE(client.Active());
}

TEST_F(ClientSocketTest, SendTakesWhatFitsAndWouldBlockIsQuiet) {
  test::Peer peer;
  Connect(peer);

  // The peer reads nothing, so the buffers fill and a send meets would-block.
  const std::string chunk(256 * 1024, 's');
  long long taken = 0;
  int result = 0;
  for (int i = 0; i < 400 && result != -1; ++i) {
    result = client.Socket().SendBytes(chunk.data(), static_cast<int>(chunk.size()));
    if (result > 0) {
      EXPECT_LE(result, static_cast<int>(chunk.size()));
      taken += result;
    }
  }
  ASSERT_EQ(result, -1) << "a full socket takes nothing and says so";
  EXPECT_THAT(events, IsEmpty());
  EXPECT_TRUE(client.Active());
  const int writesBefore = writes;

  // Once the peer drains, exactly the bytes taken arrive, and a write
  // notification says that sending can go on.
  long long arrived = 0;
  ASSERT_TRUE(Wait([&] {
    arrived += static_cast<long long>(peer.ReadAvailable().size());
    return arrived == taken && writes > writesBefore;
  })) << arrived
      << " of " << taken;
  EXPECT_THAT(events, IsEmpty());
}

TEST_F(ClientSocketTest, AConnectRefusedAtOnceClosesAndIsReported) {
  // No TCP connection to the broadcast address, nor to "any" address: connect
  // fails inside the call.
  for (const char* address : {"255.255.255.255", "0.0.0.0"}) {
    SCOPED_TRACE(address);
    events.clear();
    reported.clear();
    client.SetAddress("");
    client.SetHost(address);
    client.SetPort(listener.Port());
    client.SetActive(true);
    ASSERT_TRUE(Wait([&] { return !reported.empty(); }));
    EXPECT_THAT(events, ElementsAre("disconnect"));
    EXPECT_THAT(reported[0], HasSubstr("), on API 'connect'"));
    EXPECT_FALSE(client.Active());

    // The same failure inside open goes to the caller, after the disconnect.
    events.clear();
    client.SetHost("");
    client.SetAddress(address);
    EXPECT_THROW(client.SetActive(true), ESocketError);
    EXPECT_THAT(events, ElementsAre("disconnect"));
  }
}

}  // namespace
}  // namespace keldo
