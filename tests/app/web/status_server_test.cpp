// The status page's server on loopback, over a system with fake links: what it serves,
// how it keeps to its bounds, and who it lets in.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <thread>

#include "app/config.h"
#include "app/web/status_server.h"
#include "support/fake_links.h"
#include "harness/child_process.h"

using namespace velaris;
using namespace std::chrono_literals;

namespace {

using test::readFrom;
using test::connectLoopback;

struct Page : ::testing::Test {
    test::SystemFixture sys{3};
    StatusModel model{sys.s};
    WebConfig config;
    StatusServer::Limits limits;
    std::unique_ptr<StatusServer> server;

    void SetUp() override {
        sys.at(10, 30, 0);
        auto columns = std::make_shared<const std::vector<std::string>>(
            std::vector<std::string>{"Indirizzo", "Descrizione", "Tipo", "Indirizzo_IP"});
        sys.s.registro.Rs_Terminali.emplace_back(columns, std::vector<Value>{1, "INGRESSO", 6, "127.0.0.1"});
        sys.s.registro.Rs_Terminali.emplace_back(columns, std::vector<Value>{2, "PISCINA", 6, "127.0.0.2"});
        sys.f.native("INSERT INTO Stato_Terminali (Indirizzo, Stato) VALUES (1, 2), (2, 4)");
        sys.s.Terminali_Inizializzati = true;
        sys.conn.isListening = true;
        sys.conn.connect("2");
        config.Port = 0;
        limits.healthMaxAge = 0ms;
    }
    void start() {
        server = std::make_unique<StatusServer>(sys.loop, sys.f.log, model, config, PeerFilter::fromSetting(config.Allowed_Peers, {}),
                                                limits);
        ASSERT_TRUE(server->start());
    }
    void badge(const std::string& surname, int admitted, const std::string& outcome) {
        sys.f.native("INSERT INTO wTmp_DatiAccessi (Completo, Codice_Tessera, Codice, Cognome, Nome, Data_Entrata, "
                     "Ora_Entrata, Entrata, TestoIrr, Terminale, Sem2) VALUES (1, '0001234501', 'CL000001', '" +
                     surname + "', 'MARIO', '2024-03-07 00:00:00', '1900-01-01 10:30:05', '" + outcome +
                     "', 'QUOTA <SCADUTA>', 2, " + std::to_string(admitted) + ")");
    }
    // Runs the loop from its top (as the server's main loop does, so the page may read
    // the database) until `done` holds or the time is up.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        asio::steady_timer check(sys.loop.io());
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        std::function<void(const asio::error_code&)> tick = [&](const asio::error_code& ec) {
            if (ec) return;
            if (done() || std::chrono::steady_clock::now() >= deadline) {
                sys.loop.stop();
                return;
            }
            check.expires_after(10ms);
            check.async_wait(tick);
        };
        check.expires_after(1ms);
        check.async_wait(tick);
        sys.loop.run();
        return done();
    }
    // One request on a fresh connection, answered while the loop runs.
    std::string get(const std::string& request, std::chrono::milliseconds timeout = 5s) {
        std::string answer;
        std::atomic<bool> done{false};
        std::thread client([&] {
            const int fd = connectLoopback(server->port());
            if (fd >= 0) {
                ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
                answer = readFrom(fd, "", timeout);
                close(fd);
            }
            done = true;
        });
        runUntil([&] { return done.load(); }, timeout + 2s);
        client.join();
        return answer;
    }
    static std::string req(const std::string& path, const std::string& extra = "") {
        return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extra + "\r\n";
    }
};

}  // namespace

TEST(WebConfig, PortZeroAndBadPortsSwitchThePageOff) {
    const WebConfig d = readWebConfig(IniFile::parse(""));
    EXPECT_TRUE(d.enabled());
    EXPECT_TRUE(d.loopback());
    EXPECT_FALSE(readWebConfig(IniFile::parse("[Web]\nPort=0\n")).enabled());
    EXPECT_FALSE(readWebConfig(IniFile::parse("[Web]\nPort=otto\n")).enabled());
    EXPECT_FALSE(readWebConfig(IniFile::parse("[Web]\nPort=70000\n")).enabled());
    const WebConfig w = readWebConfig(IniFile::parse("[web]\nport=9000\nListen_Address=0.0.0.0\nToken=s3cret\n"));
    EXPECT_EQ(w.Port, 9000);
    EXPECT_FALSE(w.loopback());
    EXPECT_EQ(w.Token, "s3cret");
    EXPECT_TRUE(readWebConfig(IniFile::parse("[Web]\nListen_Address=::1\n")).loopback());
    EXPECT_FALSE(readWebConfig(IniFile::parse("[Web]\nListen_Address=nonsense\n")).loopback());
}

TEST(WebText, JsonStringsAreValidAndLogLinesKeepNoSecrets) {
    EXPECT_EQ(jsonString("ROSSI \"MARIO\"\\\n"), "\"ROSSI \\\"MARIO\\\"\\\\\\u000a\"");
    EXPECT_EQ(jsonString("citt\xC3\xA0 <b>"), "\"citt\xC3\xA0 \\u003cb\\u003e\"");
    EXPECT_EQ(jsonString("\xE0 \xC3"), "\"\\ufffd \\ufffd\"") << "Windows-1252 bytes are no UTF-8";
    EXPECT_EQ(senzaSegreti("Error: 1 - Login failed; Server=srv;UID=acc;PWD=x1;Database=Centro - Function Form_Load"),
              "Error: 1 - Login failed; Server=srv;UID=***;PWD=***;Database=*** - Function Form_Load");
    EXPECT_EQ(senzaSegreti("cannot open /var/lib/velaris/centro.db: locked"), "cannot open ***: locked");
    EXPECT_EQ(senzaSegreti("2024-03-07 10:30:00 - Load: 3"), "2024-03-07 10:30:00 - Load: 3");
}

TEST_F(Page, ServesThePageTheJsonAndTheHealth) {
    start();
    badge("ROSSI", 1, "INGRESSO CONSENTITO");
    badge("ESPOSITO", 0, "INGRESSO NON CONSENTITO");
    sys.f.log.setObserver([&](std::string_view l) { model.logLine(l); });
    sys.f.log.error(3, "cannot open Data Source=/srv/centro.db", "Form_Load");

    const std::string json = get(req("/status.json"));
    EXPECT_NE(json.find("\"today\":{\"admitted\":1,\"refused\":1}"), std::string::npos) << json;
    EXPECT_NE(json.find("\"name\":\"ESPOSITO MARIO\",\"card\":\"0001234501\",\"verdict\":\"refused\""),
              std::string::npos);
    EXPECT_LT(json.find("ESPOSITO"), json.find("ROSSI")) << "newest first";
    EXPECT_NE(json.find("\"irregularity\":\"QUOTA \\u003cSCADUTA\\u003e\""), std::string::npos);
    EXPECT_NE(json.find("{\"address\":1,\"description\":\"INGRESSO\",\"type\":6,\"ip\":\"127.0.0.1\",\"state\":2,"
                        "\"stateText\":\"pronto\",\"connected\":false}"),
              std::string::npos);
    EXPECT_NE(json.find("\"address\":2,\"description\":\"PISCINA\",\"type\":6,\"ip\":\"127.0.0.2\",\"state\":4,"
                        "\"stateText\":\"scelta prenotazione\",\"connected\":true}"),
              std::string::npos);
    EXPECT_EQ(json.find("centro.db"), std::string::npos) << json;

    EXPECT_NE(get(req("/health")).find("200 OK"), std::string::npos);
    sys.conn.isListening = false;
    const std::string down = get(req("/health"));
    EXPECT_NE(down.find("503 Service Unavailable"), std::string::npos) << down;
    EXPECT_NE(down.find("collegamento terminali non attivo"), std::string::npos);
    sys.conn.isListening = true;
    sys.f.native("DROP TABLE Stato_Terminali");
    EXPECT_NE(get(req("/health")).find("database non raggiungibile"), std::string::npos);

    EXPECT_NE(get(req("/nowhere")).find("404 Not Found"), std::string::npos);
    EXPECT_NE(get("POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n").find("405"), std::string::npos);
    // A site that points its own name at 127.0.0.1 gets nothing through a browser.
    EXPECT_NE(get("GET /status.json HTTP/1.1\r\nHost: evil.example:8090\r\n\r\n").find("421"), std::string::npos);
    EXPECT_NE(get("GET / HTTP/1.1\r\nHost: localhost:8090\r\n\r\n").find("200 OK"), std::string::npos);
}

TEST_F(Page, OversizedHalfFinishedAndTooManyRequestsStayBounded) {
    limits.requestTimeout = 300ms;
    limits.maxConnections = 4;
    start();
    const std::string big = get("GET /" + std::string(20000, 'a'));
    EXPECT_NE(big.find("413"), std::string::npos) << big.substr(0, 200);

    // Half a request: closed after the time-out, whatever the client does.
    const std::string half = get("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n", 5s);
    EXPECT_EQ(half, "");
    EXPECT_EQ(server->connections(), 0u);

    // Garbage gets an error answer, not a crash.
    EXPECT_NE(get(std::string("\x16\x03\x01\x00\xff\r\n\r\n", 9)).find("HTTP/1.1"), std::string::npos);
    // Twelve idle connections: at most four are held.
    std::vector<int> fds;
    for (int i = 0; i < 12; ++i) fds.push_back(connectLoopback(server->port()));
    runUntil([] { return false; }, 100ms);
    EXPECT_LE(server->connections(), 4u);
    for (int fd : fds) close(fd);
    runUntil([&] { return server->connections() == 0; }, 2s);
    EXPECT_EQ(server->connections(), 0u);
}

// What a stream carries is shown in a real browser by the end-to-end test of the page.
TEST_F(Page, ASilentEventStreamIsCutOff) {
    limits.maxPendingOutput = 16 * 1024;
    start();
    // A tab that never reads: its unread output is bounded, then it is dropped, while
    // another request is still answered.
    const int silent = connectLoopback(server->port());
    int small = 1024;
    setsockopt(silent, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    const std::string r = req("/events");
    ::send(silent, r.data(), r.size(), MSG_NOSIGNAL);
    ASSERT_TRUE(runUntil([&] { return server->streams() == 1; }, 5s));
    for (int i = 0; i < 400 && server->streams() > 0; ++i) {
        badge("ROSSI" + std::to_string(i), 1, std::string(200, 'X'));
        model.refresh();
        server->publish();
        runUntil([] { return false; }, 5ms);
    }
    EXPECT_EQ(server->streams(), 0u);
    EXPECT_NE(get(req("/health")).find("200 OK"), std::string::npos);
    close(silent);
}

// A finished read reaches an open stream at once, not at the next periodic refresh.
TEST_F(Page, AFinishedReadReachesOpenStreamsAtOnce) {
    limits.refreshEvery = 60s;
    start();
    const int fd = connectLoopback(server->port());
    const std::string r = req("/events");
    ::send(fd, r.data(), r.size(), MSG_NOSIGNAL);
    ASSERT_TRUE(runUntil([&] { return server->streams() == 1; }, 5s));
    badge("VERDI", 1, "INGRESSO CONSENTITO");
    server->changed();
    std::string seen;
    EXPECT_TRUE(runUntil([&] {
        char buf[4096];
        for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT)) > 0;) seen.append(buf, static_cast<size_t>(n));
        return seen.find("VERDI") != std::string::npos;
    }, 2s));
    close(fd);
}

TEST_F(Page, OffLoopbackPeersAndTokenAreRequired) {
    limits.trustLoopback = false;
    config.Token = "s3cret";
    start();
    EXPECT_NE(get(req("/status.json")).find("401"), std::string::npos);
    EXPECT_NE(get(req("/status.json?token=wrong")).find("401"), std::string::npos);
    EXPECT_NE(get(req("/status.json?token=s3cret")).find("200 OK"), std::string::npos);
    EXPECT_NE(get(req("/health", "Authorization: Bearer s3cret\r\n")).find("200 OK"), std::string::npos);
    server.reset();

    // A peer outside Allowed_Peers is closed without an answer.
    config.Allowed_Peers = "192.0.2.10";
    start();
    EXPECT_EQ(get(req("/status.json?token=s3cret")), "");
}
