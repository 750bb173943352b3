#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A TCP proxy on 127.0.0.1 in front of a PostgreSQL server's Unix socket that holds every chunk
// of bytes for a fixed delay in each direction, as a network between a client and its server
// would, and reads the frontend/backend protocol as it passes to count what the client costs:
// - statements: each statement the server finished (CommandComplete, EmptyQueryResponse, or an
//   ErrorResponse once the session is up), so that several statements in one simple query, or
//   each Execute of the extended protocol, count one by one;
// - round trips: each message that waits for the server's answer (a simple query, a Sync, a
//   function call, a password, a startup, SSL or cancel request) sent after the server last
//   spoke on that connection; a client that sends several before any answer pays one trip;
// - connections opened.
// The texts the client sent are kept, each with the round trip it went out in.
class PgProxy {
public:
    struct Counts {
        long statements = 0;
        long roundTrips = 0;
        long connections = 0;
    };
    struct Sent {
        long roundTrip = 0;   // the proxy-wide round trip it went out in
        std::string text;     // a query, "[execute] query", "[connect] user", "[cancel]"
    };

    // Listens on a free port of 127.0.0.1; throws std::runtime_error when it cannot.
    PgProxy(const std::string& serverSocketPath, int delayMs);
    ~PgProxy();
    PgProxy(const PgProxy&) = delete;
    PgProxy& operator=(const PgProxy&) = delete;

    int port() const { return m_port; }
    Counts counts() const;
    // The texts sent from the `from`th on (0-based, in order of sending), and how many there are.
    std::vector<Sent> sentSince(size_t from) const;
    size_t sentCount() const;

    struct State;   // shared with the connections' threads, which may outlive the proxy object

private:
    std::shared_ptr<State> m_state;
    int m_port = 0;
};

// The counting alone, for one connection, fed with the bytes of each direction as they pass.
class PgStreamCounter {
public:
    // What one connection adds to the proxy's counts and texts; called under the proxy's lock.
    struct Sink {
        virtual ~Sink() = default;
        virtual void statement() = 0;
        virtual void roundTrip() = 0;
        virtual void sent(std::string text) = 0;
    };
    explicit PgStreamCounter(Sink& sink) : m_sink(sink) {}

    void fromClient(const char* data, size_t size);
    void fromServer(const char* data, size_t size);

private:
    // Splits a stream into messages: a type byte (none in the startup phase) and an int32 length
    // that counts itself.
    struct Splitter {
        std::string pending;
        template <class F>
        void feed(const char* data, size_t size, bool typed, F&& onMessage);
    };
    void clientMessage(char type, const std::string& body);
    void serverMessage(char type, const std::string& body);
    void waitsForAnswer();

    Sink& m_sink;
    Splitter m_client, m_server;
    bool m_clientStarted = false;    // past the startup packet: messages carry a type byte
    bool m_serverStarted = false;    // past authentication: an error ends a statement
    bool m_answerPending = false;    // an SSL or GSS request waits for its one-byte answer
    bool m_encrypted = false;        // the server took TLS: nothing more can be read
    bool m_serverSpoke = true;       // so that the first message counts a trip
    std::string m_lastParse;
};
