#include <cstring>
#include <string>

#include "core/settings.h"
#include "tests/unit/scripted_peer.h"
#include "tests/unit/test_support.h"
#include "transport/connect.h"
#include "transport/session.h"
#include "transport/socks_config.h"

namespace {

const NetAddress target{0x0100007f, 0x6e00};  // 127.0.0.1:110 in network order

std::string request_bytes() {
    std::string r("\x05\x01\x00\x01", 4);
    r.append(reinterpret_cast<const char*>(&target.address), 4);
    r.append(reinterpret_cast<const char*>(&target.port), 2);
    return r;
}

const std::string good_reply("\x05\x00\x00\x01\x7f\x00\x00\x01\x10\x00", 10);

class SocksTest : public ::testing::Test {
protected:
    void TearDown() override {
        socks_config.configured = 0;
        settings_flags = 0;
    }
    // Points the proxy configuration at a scripted proxy.
    void use_proxy(ScriptedPeer& proxy, const char* user = "", const char* password = "") {
        NetAddress a = proxy.address();
        const auto* b = reinterpret_cast<const unsigned char*>(&a.address);
        char host[32];
        std::snprintf(host, sizeof host, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
        socks_configure(host, port_from_network(a.port), user, password, 0);
        ASSERT_EQ(socks_config.configured.load(), 1);
    }
    bool handshake() {
        LogSink sink;
        MailSession s(sink, sys_socket_open());
        bool ok = socks_connect(s, target);
        s.close();
        return ok;
    }
};

TEST_F(SocksTest, PlainHandshakeSendsExactlyTheRfcBytes) {
    ScriptedPeer proxy({peer_receive(std::string("\x05\x01\x00", 3)), peer_send(std::string("\x05\x00", 2)),
                        peer_receive(request_bytes()), peer_send(good_reply)});
    use_proxy(proxy);
    EXPECT_TRUE(handshake());
    EXPECT_EQ(proxy.received(), std::string("\x05\x01\x00", 3) + request_bytes());
}

TEST_F(SocksTest, RepliesSplitAcrossPacketsAreReadWhole) {
    std::vector<PeerStep> script = {peer_receive(std::string("\x05\x01\x00", 3)), peer_send("\x05"), peer_pause(30),
                                    peer_send(std::string("\x00", 1)), peer_receive(request_bytes())};
    for (PeerStep& step : peer_send_bytewise(good_reply)) script.push_back(step);
    ScriptedPeer proxy(script);
    use_proxy(proxy);
    EXPECT_TRUE(handshake());
}

TEST_F(SocksTest, ProxyDemandingAPasswordWithoutAUserFails) {
    ScriptedPeer proxy({peer_receive(std::string("\x05\x01\x00", 3)), peer_send(std::string("\x05\x02", 2))});
    use_proxy(proxy);
    EXPECT_FALSE(handshake());
    EXPECT_EQ(proxy.received(), std::string("\x05\x01\x00", 3));
}

TEST_F(SocksTest, ConfiguredUserIsOfferedAndSentAsRfc1929) {
    std::string auth = std::string("\x01\x09", 2) + "proxyuser" + std::string("\x07", 1) + "proxypw";
    ScriptedPeer proxy({peer_receive(std::string("\x05\x02\x00\x02", 4)), peer_send(std::string("\x05\x02", 2)),
                        peer_receive(auth), peer_send(std::string("\x01\x00", 2)), peer_receive(request_bytes()),
                        peer_send(good_reply)});
    use_proxy(proxy, "proxyuser", "proxypw");
    EXPECT_TRUE(handshake());
    EXPECT_EQ(proxy.received(), std::string("\x05\x02\x00\x02", 4) + auth + request_bytes());
}

TEST_F(SocksTest, WrongPasswordStatusFails) {
    ScriptedPeer proxy({peer_receive(std::string("\x05\x02\x00\x02", 4)), peer_send(std::string("\x05\x02", 2)),
                        peer_receive("pw"), peer_send(std::string("\x01\x01", 2))});
    use_proxy(proxy, "u", "pw");
    EXPECT_FALSE(handshake());
}

TEST_F(SocksTest, RefusedMethodsAndRefusedConnectionsFail) {
    {
        ScriptedPeer proxy({peer_receive(std::string("\x05\x01\x00", 3)), peer_send("\x05\xff")});
        use_proxy(proxy);
        EXPECT_FALSE(handshake());
    }
    {
        ScriptedPeer proxy({peer_receive(std::string("\x05\x01\x00", 3)), peer_send(std::string("\x05\x00", 2)),
                            peer_receive(request_bytes()), peer_send(std::string("\x05\x05\x00\x01\0\0\0\0\0\0", 10))});
        use_proxy(proxy);
        EXPECT_FALSE(handshake());
    }
    {
        ScriptedPeer proxy({peer_receive(std::string("\x05\x01\x00", 3)), peer_close()});
        use_proxy(proxy);
        EXPECT_FALSE(handshake());
    }
}

TEST_F(SocksTest, ReplyWithADomainNameAddressIsReadToItsEnd) {
    std::string reply = std::string("\x05\x00\x00\x03\x09", 5) + "localhost" + std::string("\x00\x6e", 2);
    ScriptedPeer proxy({peer_receive(std::string("\x05\x01\x00", 3)), peer_send(std::string("\x05\x00", 2)),
                        peer_receive(request_bytes()), peer_send(reply)});
    use_proxy(proxy);
    EXPECT_TRUE(handshake());
}

TEST_F(SocksTest, UseSocksWithoutAProxyFailsEveryConnection) {
    settings_flags = SETTING_USE_SOCKS;
    ScriptedPeer server({});
    LogSink sink;
    MailSession s(sink, sys_socket_open());
    EXPECT_EQ(net_connect(s, server.address()), -1);
    s.close();
    settings_flags = 0;
    s.adopt(sys_socket_open());
    EXPECT_EQ(net_connect(s, server.address()), 0);
    s.close();
}

}  // namespace
