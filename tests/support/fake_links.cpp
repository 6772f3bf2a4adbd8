#include "support/fake_links.h"

#include <gtest/gtest.h>

#include "app/polling.h"
#include "db/literals.h"

namespace velaris::test {

int FakeNet92::PollTerm(int address, std::string& buffer) {
    if (address == 255) {
        if (pendingFor < 0 || reads[pendingFor].empty()) return 0;
        const std::string text = reads[pendingFor].front();
        reads[pendingFor].erase(reads[pendingFor].begin());
        buffer = std::string(1, static_cast<char>(pendingFor)) + text + std::string(1, '\0');
        pendingFor = -1;
        return 3;
    }
    if (!reads[address].empty()) {
        pendingFor = address;
        return 2;
    }
    auto it = answers.find(address);
    return it == answers.end() ? 0 : it->second;
}

SystemFixture::SystemFixture(int dispositivo)
    : f(true),
      s(f.clock, f.log, f.db, loop, operatore),
      timer1(loop.io(), [this] { Timer1_Tick(s); }),
      timer2(loop.io(), [this] { Timer2_Tick(s); }) {
    s.timer1 = &timer1;
    s.timer2 = &timer2;
    collega(dispositivo);
}

void SystemFixture::collega(int dispositivo) {
    s.config.Dispositivo = dispositivo;
    LinkDrivers d;
    d.net92 = &net92;
    d.etherCtrl = &ether;
    d.connessioni = &conn;
    d.client = &client;
    link = creaLink(dispositivo, d, s, host);
    s.link = link.get();
}

SystemFixture::~SystemFixture() {
    for (const std::string& line : f.logLines)
        if (line.find("would be truncated") != std::string::npos) ADD_FAILURE() << "over-wide text sent: " << line;
}

void SystemFixture::terminale(int address, int tipo, const std::string& ip, const std::string& extra) {
    f.native("INSERT INTO Dettaglio_Terminali (Indirizzo, Attivo, Tipo, Indirizzo_IP) VALUES (" +
             std::to_string(address) + ", -1, " + std::to_string(tipo) + ", " +
             (ip.empty() ? std::string("NULL") : "'" + ip + "'") + ")");
    if (!extra.empty())
        f.native("UPDATE Dettaglio_Terminali SET " + extra + " WHERE Indirizzo=" + std::to_string(address));
}

std::vector<std::string> SystemFixture::bodies(int member) const {
    std::vector<std::string> out;
    for (const std::string& w : conn.members.at(static_cast<size_t>(member - 1)).written) {
        const size_t p = w.find("\r\n\r\n");
        out.push_back(p == std::string::npos ? w : w.substr(p + 4));
    }
    return out;
}

std::vector<std::string> SystemFixture::queued(int address) {
    std::vector<std::string> out;
    auto rs = f.db.open("SELECT Messaggio FROM Stato_Terminali WHERE Indirizzo=" + std::to_string(address) +
                        " AND Messaggio IS NOT NULL ORDER BY ID");
    for (; !rs->eof(); rs->moveNext()) out.push_back(rs->field(0).toText());
    return out;
}

}  // namespace velaris::test
