// The live status page in a real headless browser: the server runs on the demo centre, a
// member badges through the simulator, and the row appears on the open page by itself.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>

#include "support/browser.h"
#include "harness/child_process.h"
#include "support/test_support.h"

using namespace velaris;
using namespace std::chrono_literals;
using velaris::test::ChildProcess;
using velaris::test::HeadlessBrowser;

namespace {
const std::string kExe = VELARIS_ACCESSI_EXE;
const std::string kSimulator = VELARIS_TERMINALE_EXE;
}  // namespace

TEST(StatusPage, ABadgeAppearsWithoutReloadAndConnectedTerminalsAreListed) {
    HeadlessBrowser browser;
    std::string why;
    ASSERT_TRUE(browser.start(why)) << why;

    test::TempDir dir;
    const std::string db = (dir / "demo.db").string();
    auto [status, out] = test::runCommand(kExe, {"database", "demo", db});
    ASSERT_EQ(status, 0) << out;
    const int httpPort = test::freePort(), webPort = test::freePort();
    std::ofstream(dir / "Velaris.ini") << "[Comm]\nDispositivo=3\nListen_Address=127.0.0.1\nHttp_Port=" << httpPort
                                       << "\n[Web]\nPort=" << webPort << "\n";
    ChildProcess server;
    server.start(kExe, {"Provider=SQLite;Data Source=" + db + ";0", "--config", (dir / "Velaris.ini").string(),
                        "--log-dir", dir.path().string(), "--headless"});
    const std::string url = "http://127.0.0.1:" + std::to_string(webPort) + "/";
    ASSERT_TRUE(server.waitFor("pagina di stato " + url, 30s)) << server.output();

    ASSERT_TRUE(browser.open(url));
    ASSERT_TRUE(browser.waitUntil("document.querySelectorAll('#terminali tbody tr').length === 7", 20s))
        << browser.evaluate("document.body.innerText").value_or("?");
    // Marks this very document: a reload would lose the mark.
    ASSERT_EQ(browser.evaluate("window.velarisMark = 'same page'"), "same page");

    // Rossi badges at the pool turnstile; the turnstile opens.
    ChildProcess turnstile;
    turnstile.start(kSimulator, {"--kind", "3", "--server", "127.0.0.1:" + std::to_string(httpPort), "--id", "2", "-c",
                                 "keepalive 2", "-c", "wait 1", "-c", "read 2 0001234501", "-c", "wait 8", "--linger",
                                 "1"});
    ASSERT_TRUE(turnstile.waitFor("OK|ABILITATO|ROSSI|MARIO", 20s)) << turnstile.output() << server.output();

    EXPECT_TRUE(browser.waitUntil("[...document.querySelectorAll('#accessi tbody tr.admitted')]"
                                  ".some(r => r.textContent.includes('ROSSI MARIO'))",
                                  2s))
        << browser.evaluate("document.querySelector('#accessi').innerText").value_or("?");
    EXPECT_EQ(browser.evaluate("document.getElementById('ammessi').textContent"), "1");
    EXPECT_EQ(browser.evaluate("window.velarisMark"), "same page");
    EXPECT_TRUE(browser.waitUntil(
        "document.querySelector('#terminali tr[data-address=\"2\"] td:last-child').textContent === 'collegato'", 5s))
        << browser.evaluate("document.querySelector('#terminali').innerText").value_or("?");
    EXPECT_EQ(browser.evaluate("document.querySelector('#terminali tr[data-address=\"1\"] td:last-child').textContent"),
              "non collegato");

    // VELARIS_SCREENSHOT=docs/status-page.png keeps a picture of the page for the README.
    if (const char* shot = std::getenv("VELARIS_SCREENSHOT"); shot && *shot) {
        EXPECT_TRUE(browser.screenshot(shot));
    }

    turnstile.wait(20s);
    EXPECT_EQ(server.stop(SIGTERM), 0) << server.output();
}

namespace {
int connectTo(int port) { return test::connectLoopback(port); }
void sendAll(int fd, const std::string& s) { (void)::send(fd, s.data(), s.size(), MSG_NOSIGNAL); }
}  // namespace

TEST(StatusPage, AbuseOfThePageNeverHoldsUpACardRead) {
    test::TempDir dir;
    const std::string db = (dir / "demo.db").string();
    ASSERT_EQ(test::runCommand(kExe, {"database", "demo", db}).first, 0);
    const int httpPort = test::freePort(), webPort = test::freePort();
    std::ofstream(dir / "Velaris.ini") << "[Comm]\nDispositivo=3\nListen_Address=127.0.0.1\nHttp_Port=" << httpPort
                                       << "\n[Web]\nPort=" << webPort << "\n";
    ChildProcess server;
    server.start(kExe, {"Provider=SQLite;Data Source=" + db + ";0", "--config", (dir / "Velaris.ini").string(),
                        "--log-dir", dir.path().string(), "--headless"});
    ASSERT_TRUE(server.waitFor("in servizio", 30s)) << server.output();

    // Two hundred tabs that never read their event streams, half-finished requests,
    // garbage and an oversized head, all left open.
    std::vector<int> fds;
    for (int i = 0; i < 200; ++i) {
        const int fd = connectTo(webPort);
        if (fd < 0) continue;
        int small = 1024;
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        switch (i % 4) {
            case 0: sendAll(fd, "GET /events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"); break;
            case 1: sendAll(fd, "GET /status.json HTTP/1.1\r\nHo"); break;
            case 2: sendAll(fd, std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11)); break;
            default: sendAll(fd, "GET /" + std::string(64 * 1024, 'a')); break;
        }
        fds.push_back(fd);
    }
    // Meanwhile members badge at the pool turnstile, and each gets its verdict.
    ChildProcess turnstile;
    turnstile.start(kSimulator, {"--kind", "3", "--server", "127.0.0.1:" + std::to_string(httpPort), "--id", "2", "-c",
                                 "keepalive 2", "-c", "read 2 0001234501", "-c", "wait 2", "-c",
                                 "read 2 0001234503", "-c", "wait 3", "--linger", "1"});
    EXPECT_TRUE(turnstile.waitFor("OK|ABILITATO|ROSSI|MARIO", 20s)) << turnstile.output();
    EXPECT_TRUE(turnstile.waitFor("STOP|NON ABILITATO", 20s)) << turnstile.output();
    turnstile.wait(20s);
    for (int fd : fds) close(fd);

    // The page still answers once the abuse is over.
    const int fd = connectTo(webPort);
    ASSERT_GE(fd, 0);
    sendAll(fd, "GET /health HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    const std::string answer = test::readFrom(fd, "\r\n\r\n", 10s);
    close(fd);
    EXPECT_EQ(answer.rfind("HTTP/1.1 200 OK", 0), 0u) << answer;
    EXPECT_EQ(server.stop(SIGTERM), 0) << server.output();
}
