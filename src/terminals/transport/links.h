#pragma once
// What the terminal registry, the queue and the sender need of each kind of link. The
// concrete links live in net92/, ethercontrol/, httppush/ and socketlink/; tests drive
// the core through fakes of these interfaces.

#include <functional>
#include <string>

namespace velaris {

// Link kind 1: the NET92 terminal network library. Texts are UTF-8 here; the library
// converts them to the terminals' code page.
class Net92 {
public:
    virtual ~Net92() = default;
    // > 0: network up; anything else: failure.
    virtual int InitN92(int port, int mode, int maxAddress, int reserved) = 0;
    virtual int ResetN92() = 0;
    virtual int SendMsg(int address, const std::string& message) = 0;
    // `buffer` comes pre-filled with 255 '-' and a NUL. 0 or 1: no message; 2: a message
    // is waiting, fetch it by polling address 255; > 2: the buffer holds a message whose
    // first character's code is the sender's address. Never blocks on the network.
    virtual int PollTerm(int address, std::string& buffer) = 0;
};

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

// Where links hand the codes they receive: the terminal at `address` read `code`;
// `connectionIndex` is the listener connection it came on (0 when none).
class IntakeSink {
public:
    virtual ~IntakeSink() = default;
    virtual void codeRead(int address, const std::string& code, int connectionIndex) = 0;
};

}  // namespace velaris
