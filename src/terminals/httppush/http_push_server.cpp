#include "terminals/httppush/http_push_server.h"

#include "terminals/httppush/http_reply.h"
#include "terminals/transport/cp1252.h"

namespace velaris {

namespace {

// A push terminal polls every keepalive period: three periods without a request mean it
// is gone, and its connection's slot is given back.
TerminalListener::Options pushOptions() {
    TerminalListener::Options o;
    o.dispositivo = 3;
    o.silence = std::chrono::seconds(3 * kKeepalivePeriod);
    return o;
}

}  // namespace

HttpPushServer::HttpPushServer(EventLoop& loop, EventLog& log, const Clock& clock, IntakeSink& intake,
                               size_t requestLimit)
    : log_(log), clock_(clock), intake_(intake), limit_(requestLimit),
      listener_(loop, log, pushOptions()) {
    listener_.setDataHandler([this](int index, std::string_view bytes) { onData(index, bytes); });
    listener_.setUnloadHandler([this](int index) {
        if (auto it = sessions_.find(index); it != sessions_.end()) {
            it->second->gone = true;
            sessions_.erase(it);
        }
    });
}

bool HttpPushServer::respond(int index, std::string_view bodyUtf8) {
    if (!listener_.connected(index)) return false;
    return listener_.send(index, httpResponse(bodyUtf8, clock_));
}

void HttpPushServer::onData(int index, std::string_view bytes) {
    auto& slot = sessions_[index];
    if (!slot) slot = std::make_shared<Session>(limit_);
    const std::shared_ptr<Session> session = slot;  // survives an unload during handle()
    session->framer.append(bytes);
    serve(index, session);
}

void HttpPushServer::serve(int index, const std::shared_ptr<Session>& session) {
    {
        session->serving = true;
        struct Served { Session& s; ~Served() { s.serving = false; } } served{*session};
        while (!session->gone && session->reads == 0) {
            auto request = session->framer.next();
            if (!request) break;
            handle(index, session, *request);
        }
    }
    if (!session->gone && session->reads == 0 && session->framer.error() != HttpFramer::Error::None) {
        log_.timedError(describe(session->framer.error(), limit_), "DataArrival", index);
        listener_.close(index);
    }
}

void HttpPushServer::handle(int index, const std::shared_ptr<Session>& session, const HttpRequest& request) {
    const PushAction action = routeRequest(request);
    switch (action.kind) {
        case PushAction::Kind::None:
            break;
        case PushAction::Kind::Batch:
            respond(index, batchBody());
            break;
        case PushAction::Kind::Keepalive: {
            respond(index, keepaliveBody(clock_));
            const std::string tag = listener_.tag(index);
            if (tag.find_first_not_of(' ') == std::string::npos && action.id.find_first_not_of(' ') != std::string::npos)
                listener_.setTag(index, cp1252ToUtf8(action.id));
            break;
        }
        case PushAction::Kind::Online: {
            ++session->reads;
            std::weak_ptr<Session> weak = session;
            std::weak_ptr<char> alive = alive_;
            IntakeSink::Reply reply;
            reply.connectionOpen = [weak] {
                const auto s = weak.lock();
                return s && !s->gone;
            };
            reply.done = [this, weak, alive, index] {
                const auto s = weak.lock();
                if (alive.expired() || !s || s->gone) return;
                // A read processed at once is done before handle() returns: the loop in
                // serve() goes on by itself.
                if (--s->reads == 0 && !s->serving) serve(index, s);
            };
            intake_.codeRead(action.address, cp1252ToUtf8(action.code), index, std::move(reply));
            break;
        }
        case PushAction::Kind::Error:
            log_.timedError(std::to_string(action.errorNumber) + " - " + action.errorDescription, "DataArrival", index);
            break;
    }
}

}  // namespace velaris
