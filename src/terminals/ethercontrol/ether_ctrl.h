#pragma once
// The Ethernet controller component as the link uses it; EtherCtrlLink drives the real
// controllers, tests a fake.

#include <functional>
#include <string>

namespace velaris {

// Link kind 2: the Ethernet controller component.
class EtherCtrl {
public:
    struct Events {
        // A message from terminal `address` behind controller `ip`; `data` starts with one
        // leading character that is not part of the message.
        std::function<void(const std::string& ip, const std::string& data, int extra, int address)> messageRecv;
        std::function<void(int code, const std::string& description, const std::string& ip, int address)> sockError;
        // A message was acknowledged; AckAddress() tells whose.
        std::function<void(const std::string& text)> acknowledged;
    };
    virtual ~EtherCtrl() = default;
    virtual void setEvents(Events events) = 0;
    // Port reply mode: 0 ok, -1 error, -2 mode not allowed, -3 new reply mode set.
    virtual int SetDefaultTTYMode(int mode) = 0;
    // 0 ok, -1 already started, -2 no timer, -3 network card error, -4 UDP port in use.
    virtual int StartService() = 0;
    // 0 accepted for sending; the acknowledgement arrives later as an event.
    virtual int SendMessage(const std::string& ip, int address, const std::string& message, int length) = 0;
    virtual int StopService() = 0;
    virtual int AckAddress() const = 0;
};

}  // namespace velaris
