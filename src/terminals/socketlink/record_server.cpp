#include "terminals/socketlink/record_server.h"

#include "terminals/socketlink/codes.h"
#include "terminals/transport/cp1252.h"

namespace velaris {

RecordServer::RecordServer(EventLoop& loop, EventLog& log, IntakeSink& intake, AddressLookup addressOf,
                           size_t recordLimit)
    : log_(log), intake_(intake), addressOf_(std::move(addressOf)), limit_(recordLimit),
      listener_(loop, log, TerminalListener::Options{4}) {
    listener_.setDataHandler([this](int index, std::string_view bytes) { onData(index, bytes); });
    listener_.setUnloadHandler([this](int index) {
        if (auto it = sessions_.find(index); it != sessions_.end()) {
            it->second->gone = true;
            sessions_.erase(it);
        }
    });
}

void RecordServer::onData(int index, std::string_view bytes) {
    auto& slot = sessions_[index];
    if (!slot) slot = std::make_shared<Session>(limit_);
    const std::shared_ptr<Session> session = slot;
    auto result = session->framer.feed(bytes);
    if (result.oversized > 0)
        log_.timedError("Record oltre " + std::to_string(limit_) + " byte scartato", "DataArrival", index);
    for (const auto& record : result.records) {
        if (session->gone) break;
        handle(index, record);
    }
}

void RecordServer::handle(int index, const std::string& record) {
    std::string problem;
    const auto code = decodeRecord(record, &problem);
    if (!code) {
        if (!problem.empty()) log_.timedError(problem, "DataArrival", index);
        return;
    }
    const std::string ip = listener_.remoteAddress(index);
    const int address = addressOf_ ? addressOf_(ip) : 0;
    if (address == 0) {
        log_.timedError("Nessun terminale con indirizzo IP " + ip, "DataArrival", index);
        return;
    }
    intake_.codeRead(address, cp1252ToUtf8(*code), index);
}

}  // namespace velaris
