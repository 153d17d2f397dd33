#pragma once
// One client connection: PRELOGIN and LOGIN7, then requests until the client
// leaves. A reader thread watches the socket so an attention is seen while a
// batch runs.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "tds/backend.h"
#include "tds/packet.h"
#include "tds/socket.h"

namespace sandbox::tds {

class SessionSlots;

class Session {
public:
    // A session takes one of slots when its login is accepted and gives it back when it ends.
    // logoutDelay: how long the session stays listed after its client has gone.
    Session(FileDescriptor socket, Backend& backend, int spid, SessionSlots& slots,
            std::chrono::milliseconds logoutDelay = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Serves the connection until it ends; never throws.
    void run();
    // From another thread: ends the connection (the running batch sees cancelled()).
    void close();
    int spid() const { return spid_; }
    // True once the login was accepted.
    bool loggedIn() const { return loggedIn_; }

private:
    struct Inbox {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<Message> requests;
        std::size_t queuedBytes = 0;
        int attentions = 0;
        bool ended = false;
    };

    bool login(MessageReader& reader);
    bool acceptLogin7(const Message& message);
    void rejectLogin(const ServerMessage& error);
    void serveRequests(MessageReader& reader);
    void readRequests(MessageReader& reader);
    bool handle(const Message& message);
    bool runBatch(const std::string& text);
    bool answerRpc(const Message& message);
    bool answerAttention();
    bool attentionOrEnd();
    void sendEndOfMessage();

    FileDescriptor socket_;
    Backend& backend_;
    int spid_;
    SessionSlots& slots_;
    bool holdsSlot_ = false;
    std::chrono::milliseconds logoutDelay_;
    std::atomic<bool> loggedIn_{false};
    std::string serverName_;
    PacketWriter writer_;
    std::unique_ptr<EngineSession> engine_;
    Inbox inbox_;
    std::atomic<bool> closing_{false};
};

}  // namespace sandbox::tds
