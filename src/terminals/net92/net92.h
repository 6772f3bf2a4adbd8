#pragma once
// The NET92 driver as the link uses it; Net92Link drives the real network, tests a fake.

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

}  // namespace velaris
