// Figures of the running server: start-up time with 100 configured HTTP-push terminals,
// and keepalive round trips per second with 50 terminals connected. The server is the
// real executable on an embedded database, driven on loopback.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/clock.h"
#include "db/schema.h"
#include "db/sqlite_engine.h"
#include "harness/child_process.h"

using namespace std::chrono;
using velaris::test::ChildProcess;

namespace {

int connectTo(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Reads one whole response (headers and Content-Length body).
bool readResponse(int fd) {
    std::string buf;
    char tmp[2048];
    while (true) {
        const size_t head = buf.find("\r\n\r\n");
        if (head != std::string::npos) {
            const size_t cl = buf.find("Content-Length: ");
            const size_t len = cl == std::string::npos ? 0 : std::stoul(buf.substr(cl + 16));
            if (buf.size() >= head + 4 + len) return true;
        }
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) return false;
        const ssize_t n = recv(fd, tmp, sizeof tmp, 0);
        if (n <= 0) return false;
        buf.append(tmp, static_cast<size_t>(n));
    }
}

struct Site {
    std::filesystem::path dir;
    std::string db;
    int port;
};

Site makeSite(const std::string& name, int terminals) {
    Site s;
    s.dir = std::filesystem::temp_directory_path() / ("velaris-bench-" + name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(s.dir);
    std::filesystem::create_directories(s.dir);
    s.db = (s.dir / "centro.db").string();
    velaris::Clock clock;
    velaris::createDatabase(s.db, clock, false);
    velaris::SqliteConnection c(s.db, clock);
    for (int i = 1; i <= terminals; ++i)
        c.executeNative("INSERT INTO Dettaglio_Terminali (Indirizzo, Attivo, Tipo, Indirizzo_IP) VALUES (" +
                        std::to_string(i) + ", -1, 6, '127.0.0.1')");
    s.port = velaris::test::freePort();
    std::ofstream(s.dir / "Velaris.ini") << "[Comm]\nDispositivo=3\nListen_Address=127.0.0.1\nHttp_Port=" << s.port
                                         << "\n[Web]\nPort=0\n";
    return s;
}

void start(ChildProcess& p, const std::string& exe, const Site& s) {
    p.start(exe, {"Provider=SQLite;Data Source=" + s.db + ";0", "--config", (s.dir / "Velaris.ini").string(),
                  "--log-dir", s.dir.string()});
}

}  // namespace

int main(int argc, char** argv) {
    const std::string exe = argc > 1 ? argv[1] : VELARIS_ACCESSI_EXE;

    // Start-up with 100 terminals: from exec to "in servizio", five runs.
    {
        Site site = makeSite("startup", 100);
        std::vector<double> ms;
        for (int run = 0; run < 5; ++run) {
            ChildProcess p;
            const auto t0 = steady_clock::now();
            start(p, exe, site);
            if (!p.waitFor("in servizio", seconds(30))) {
                std::fprintf(stderr, "server did not start:\n%s\n", p.output().c_str());
                return 1;
            }
            ms.push_back(duration<double, std::milli>(steady_clock::now() - t0).count());
            p.stop(SIGTERM);
        }
        std::sort(ms.begin(), ms.end());
        std::printf("start-up, 100 HTTP-push terminals: min %.1f ms, median %.1f ms, max %.1f ms\n", ms.front(),
                    ms[ms.size() / 2], ms.back());
        std::filesystem::remove_all(site.dir);
    }

    // Keepalive round trips with 50 connected terminals, each polling in turn.
    {
        Site site = makeSite("keepalive", 50);
        ChildProcess p;
        start(p, exe, site);
        if (!p.waitFor("in servizio", seconds(30))) return 1;
        std::vector<int> fds;
        for (int i = 1; i <= 50; ++i) fds.push_back(connectTo(site.port));
        std::vector<double> rtt;
        const auto t0 = steady_clock::now();
        long done = 0;
        while (steady_clock::now() - t0 < seconds(5)) {
            for (int i = 0; i < 50; ++i) {
                const std::string req = "GET /keepalive?id=" + std::to_string(i + 1) + " HTTP/1.1\r\nHost: b\r\n\r\n";
                const auto s = steady_clock::now();
                if (send(fds[static_cast<size_t>(i)], req.data(), req.size(), MSG_NOSIGNAL) < 0 ||
                    !readResponse(fds[static_cast<size_t>(i)])) {
                    std::fprintf(stderr, "keepalive failed\n");
                    return 1;
                }
                rtt.push_back(duration<double, std::micro>(steady_clock::now() - s).count());
                ++done;
            }
        }
        const double secs = duration<double>(steady_clock::now() - t0).count();
        std::sort(rtt.begin(), rtt.end());
        std::printf("keepalive, 50 connected terminals: %.0f round trips/s; p50 %.0f us, p99 %.0f us (%ld requests)\n",
                    static_cast<double>(done) / secs, rtt[rtt.size() / 2], rtt[rtt.size() * 99 / 100], done);
        for (int fd : fds) close(fd);
        p.stop(SIGTERM);
        std::filesystem::remove_all(site.dir);
    }
    return 0;
}
