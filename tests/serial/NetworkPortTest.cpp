// Serial ports behind a network device server: the RFC 2217 client's negotiation, escaping and
// modem lines, and the port over a local TCP server, hostile servers included.
#include <random>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>

#include "serial/RealCommPort.h"
#include "serial/Rfc2217.h"
#include "support/SimProcess.h"

namespace vt::test {
namespace {

using C = Rfc2217Client;

std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s += static_cast<char>(v);
    return s;
}

TEST(Rfc2217, TheOpeningOffersTheOptionsAndSetsTheLine) {
    C client;
    const std::string start = client.start(115200, 2);
    EXPECT_THAT(start,
                ::testing::StartsWith(bytes({C::kIAC, C::kWILL, 0, C::kIAC, C::kWILL, 3, C::kIAC, C::kWILL, 44})));
    // 115200 = 0x0001C200, big-endian; hardware flow control is 3.
    EXPECT_NE(start.find(bytes({C::kIAC, C::kSB, 44, 1, 0, 1, 0xC2, 0, C::kIAC, C::kSE})), std::string::npos);
    EXPECT_NE(start.find(bytes({C::kIAC, C::kSB, 44, 5, 3, C::kIAC, C::kSE})), std::string::npos);
    EXPECT_NE(start.find(bytes({C::kIAC, C::kSB, 44, 2, 8, C::kIAC, C::kSE})), std::string::npos);
    // A value byte 0xFF is doubled inside a subnegotiation too.
    EXPECT_EQ(C::subnegotiation(C::kSetModemStateMask, bytes({0xFF})),
              bytes({C::kIAC, C::kSB, 44, 11, 0xFF, 0xFF, C::kIAC, C::kSE}));
    EXPECT_EQ(C::escape(bytes({1, 0xFF, 2})), bytes({1, 0xFF, 0xFF, 2}));
}

TEST(Rfc2217, TheServersAnswersDataAndModemState) {
    C client;
    client.start(9600, 2);
    std::string data, reply;
    // COM port agreed, echo refused, a doubled 0xFF in the data, the carrier gone.
    const bool changed = client.feed(bytes({C::kIAC, C::kDO, 44, C::kIAC, C::kWILL, 1, 'a', C::kIAC, C::kIAC, 'b',
                                            C::kIAC, C::kSB, 44, 107, 0x30 | 0x08, C::kIAC, C::kSE}),
                                     data, reply);
    EXPECT_TRUE(client.comPort());
    EXPECT_EQ(data, bytes({'a', 0xFF, 'b'}));
    EXPECT_EQ(reply, bytes({C::kIAC, C::kDONT, 1}));
    EXPECT_TRUE(changed);
    EXPECT_FALSE(client.modemState() & C::kCD);
    EXPECT_TRUE(client.modemState() & C::kCTS);
    // The same option asked again is not answered again: no loop.
    reply.clear();
    client.feed(bytes({C::kIAC, C::kDO, 44, C::kIAC, C::kDO, 0}), data, reply);
    EXPECT_EQ(reply, "");
}

// Mostly IAC and option bytes: no more data out than in, no answering loop.
TEST(Rfc2217, HostileInputInRandomPiecesNeverBreaksIt) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        C client;
        client.start(9600, 2);
        std::string data, reply, in;
        for (int piece = 0; piece < 200; ++piece) {
            const size_t from = in.size();
            for (int n = static_cast<int>(rng() % 40); n > 0; --n) {
                const uint32_t r = rng() % 10;
                in += static_cast<char>(r < 3 ? 0xFF : r < 5 ? 250 + rng() % 6 : r < 6 ? 44 : rng());
            }
            client.feed(in.substr(from), data, reply);
        }
        EXPECT_LE(data.size(), in.size());
        EXPECT_LE(reply.size(), in.size() * 3);
    }
}

// A local server in the device server's part.
struct Server {
    QTcpServer server;
    QTcpSocket* peer = nullptr;
    std::string got;
    Server() {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            peer = server.nextPendingConnection();
            QObject::connect(peer, &QTcpSocket::readyRead, [this] { got += peer->readAll().toStdString(); });
        });
    }
    std::string url(const char* scheme) const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(server.serverPort());
    }
    void send(const std::string& b) { peer->write(b.data(), static_cast<qint64>(b.size())); }
};

TEST(NetworkPort, RawTcpCarriesBytesBothWaysAndHasNoModemLines) {
    Server server;
    RealCommPort port;
    port.setDevice(server.url("tcp"));
    EXPECT_FALSE(port.reportsModemLines());
    std::string error;
    ASSERT_TRUE(port.setPortOpen(true, &error)) << error;
    ASSERT_TRUE(waitFor([&] { return server.peer != nullptr; }, 5000));
    port.setRThreshold(3);
    std::string received;
    port.OnComm = [&] {
        if (port.commEvent() == comEvReceive) received += port.input();
    };
    port.output(bytes({1, 0xFF, 2}));
    server.send(bytes({9, 0xFF, 8}));
    ASSERT_TRUE(waitFor([&] { return server.got.size() == 3 && received.size() == 3; }, 5000));
    EXPECT_EQ(server.got, bytes({1, 0xFF, 2}));  // no escaping on a raw line
    EXPECT_EQ(received, bytes({9, 0xFF, 8}));
    EXPECT_TRUE(port.cdHolding());
}

TEST(NetworkPort, Rfc2217CarrierChangesAndAServerThatGoesAwayMidFrame) {
    Server server;
    RealCommPort port;
    port.setDevice(server.url("rfc2217"));
    std::string error;
    ASSERT_TRUE(port.setPortOpen(true, &error)) << error;
    ASSERT_TRUE(waitFor([&] { return server.peer != nullptr && !server.got.empty(); }, 5000));
    std::vector<int> events;
    port.setRThreshold(25);
    port.OnComm = [&] { events.push_back(port.commEvent()); };
    server.send(bytes({C::kIAC, C::kDO, 44}));
    ASSERT_TRUE(waitFor([&] { return port.reportsModemLines(); }, 5000));
    server.send(bytes({C::kIAC, C::kSB, 44, 107, 0x30, C::kIAC, C::kSE}));  // the carrier drops
    ASSERT_TRUE(waitFor([&] { return !events.empty(); }, 5000));
    EXPECT_EQ(events[0], comEvCD);
    EXPECT_FALSE(port.cdHolding());
    // Half a frame, then the server closes: said once, the port closed.
    server.send(std::string(10, 'x'));
    server.peer->disconnectFromHost();
    ASSERT_TRUE(waitFor([&] { return !port.portOpen(); }, 5000));
    waitFor([] { return false; }, 100);
    EXPECT_EQ(std::count(events.begin(), events.end(), static_cast<int>(comEventPortLost)), 1);
    EXPECT_THAT(port.lostReason(), ::testing::HasSubstr("closed"));
}

TEST(NetworkPort, NoServerOrABadNameIsAClearError) {
    RealCommPort port;
    std::string error;
    port.setDevice("rfc2217://127.0.0.1:1");
    EXPECT_FALSE(port.setPortOpen(true, &error));
    EXPECT_THAT(error, ::testing::HasSubstr("127.0.0.1:1"));
    port.setDevice("rfc2217://nowhere");
    EXPECT_FALSE(port.setPortOpen(true, &error));
    EXPECT_THAT(error, ::testing::HasSubstr("not a device"));
    EXPECT_FALSE(port.portOpen());
}

}  // namespace
}  // namespace vt::test
