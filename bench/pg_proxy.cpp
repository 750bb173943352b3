#include "pg_proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <stdexcept>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

uint32_t int32At(const std::string& bytes, size_t at)
{
    uint32_t value;
    std::memcpy(&value, bytes.data() + at, 4);
    return ntohl(value);
}

// The text up to the first NUL from `at` on.
std::string cString(const std::string& body, size_t at)
{
    if (at >= body.size())
        return {};
    return std::string(body.c_str() + at);
}

const uint32_t CancelRequestCode = 80877102;
const uint32_t SslRequestCode = 80877103;
const uint32_t GssRequestCode = 80877104;

} // namespace

template <class F>
void PgStreamCounter::Splitter::feed(const char* data, size_t size, bool typed, F&& onMessage)
{
    pending.append(data, size);
    size_t at = 0;
    const size_t header = typed ? 5 : 4;
    while (pending.size() - at >= header) {
        const uint32_t length = int32At(pending, at + (typed ? 1 : 0));
        const size_t whole = (typed ? 1 : 0) + length;
        if (length < 4 || pending.size() - at < whole)
            break;
        onMessage(typed ? pending[at] : '\0', pending.substr(at + header, whole - header));
        at += whole;
        // The startup packet ends the untyped phase in the middle of a chunk.
        if (!typed)
            break;
    }
    pending.erase(0, at);
}

void PgStreamCounter::waitsForAnswer()
{
    if (m_serverSpoke)
        m_sink.roundTrip();
    m_serverSpoke = false;
}

void PgStreamCounter::fromClient(const char* data, size_t size)
{
    if (m_encrypted) {
        waitsForAnswer();
        return;
    }
    if (!m_clientStarted) {
        m_client.feed(data, size, false, [this](char, const std::string& body) {
            const uint32_t code = body.size() >= 4 ? int32At(body, 0) : 0;
            waitsForAnswer();
            if (code == SslRequestCode || code == GssRequestCode) {
                m_answerPending = true;
            } else if (code == CancelRequestCode) {
                m_sink.sent("[cancel]");
            } else {
                m_clientStarted = true;
                // user, then its value, among the NUL-separated pairs
                std::string user;
                for (size_t at = 4; at < body.size() && body[at];) {
                    const std::string key = cString(body, at);
                    at += key.size() + 1;
                    const std::string value = cString(body, at);
                    at += value.size() + 1;
                    if (key == "user")
                        user = value;
                }
                m_sink.sent("[connect] " + user);
            }
        });
        // What followed the startup packet in the same chunk
        if (!m_clientStarted)
            return;
        std::string rest;
        rest.swap(m_client.pending);
        data = rest.data();
        size = rest.size();
        m_client.feed(data, size, true, [this](char type, const std::string& body) { clientMessage(type, body); });
        return;
    }
    m_client.feed(data, size, true, [this](char type, const std::string& body) { clientMessage(type, body); });
}

void PgStreamCounter::clientMessage(char type, const std::string& body)
{
    switch (type) {
    case 'Q':
        waitsForAnswer();
        m_sink.sent(cString(body, 0));
        break;
    case 'P': {
        const std::string name = cString(body, 0);
        m_lastParse = cString(body, name.size() + 1);
        break;
    }
    case 'E':
        m_sink.sent("[execute] " + m_lastParse);
        break;
    case 'S':
    case 'F':
    case 'p':
        waitsForAnswer();
        break;
    default:
        break;
    }
}

void PgStreamCounter::fromServer(const char* data, size_t size)
{
    m_serverSpoke = true;
    if (m_encrypted)
        return;
    if (m_answerPending && size > 0) {
        m_answerPending = false;
        if (data[0] == 'S' || data[0] == 'G') {
            m_encrypted = true;
            return;
        }
        ++data;
        --size;
    }
    m_server.feed(data, size, true, [this](char type, const std::string& body) { serverMessage(type, body); });
}

void PgStreamCounter::serverMessage(char type, const std::string&)
{
    switch (type) {
    case 'Z':
        m_serverStarted = true;
        break;
    case 'C':
    case 'I':
        m_sink.statement();
        break;
    case 'E':
        if (m_serverStarted)
            m_sink.statement();
        break;
    default:
        break;
    }
}

struct PgProxy::State {
    std::string serverSocket;
    std::chrono::milliseconds delay;
    int listener = -1;
    mutable std::mutex lock;
    Counts counts;
    std::vector<Sent> sent;
};

namespace {

// One connection's share of the proxy's counts.
class ConnectionSink : public PgStreamCounter::Sink {
public:
    explicit ConnectionSink(PgProxy::State& state) : m_state(state) {}
    void statement() override { ++m_state.counts.statements; }
    void roundTrip() override { ++m_state.counts.roundTrips; }
    void sent(std::string text) override { m_state.sent.push_back({m_state.counts.roundTrips, std::move(text)}); }

private:
    PgProxy::State& m_state;
};

// Bytes read from one socket, each chunk written to the other once its delay has passed; the
// reader never waits on the writer, so the delay adds latency, not a limit on throughput.
class DelayLine {
public:
    void push(std::string bytes, Clock::time_point due)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_chunks.push_back({std::move(bytes), due});
        m_ready.notify_one();
    }
    void end()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_ended = true;
        m_ready.notify_one();
    }
    // The next chunk once due; false at the end.
    bool pop(std::string& bytes)
    {
        std::unique_lock<std::mutex> guard(m_lock);
        m_ready.wait(guard, [this] { return !m_chunks.empty() || m_ended; });
        if (m_chunks.empty())
            return false;
        Chunk chunk = std::move(m_chunks.front());
        m_chunks.pop_front();
        guard.unlock();
        std::this_thread::sleep_until(chunk.due);
        bytes = std::move(chunk.bytes);
        return true;
    }

private:
    struct Chunk {
        std::string bytes;
        Clock::time_point due;
    };
    std::mutex m_lock;
    std::condition_variable m_ready;
    std::deque<Chunk> m_chunks;
    bool m_ended = false;
};

bool writeAll(int fd, const std::string& bytes)
{
    size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        at += size_t(n);
    }
    return true;
}

// Client and server sockets of one connection and the counter over both directions.
struct Link {
    Link(std::shared_ptr<PgProxy::State> s, int clientFd, int serverFd)
        : state(std::move(s)), client(clientFd), server(serverFd), sink(*state), counter(sink)
    {
    }
    ~Link()
    {
        ::close(client);
        ::close(server);
    }
    std::shared_ptr<PgProxy::State> state;
    int client;
    int server;
    ConnectionSink sink;
    PgStreamCounter counter;
};

// Reads `from` into `line`, counting under the proxy's lock, until the end of the stream.
void readInto(const std::shared_ptr<Link>& link, int from, bool fromClient, DelayLine& line)
{
    std::string buffer(64 * 1024, '\0');
    for (;;) {
        const ssize_t n = ::recv(from, buffer.data(), buffer.size(), 0);
        if (n <= 0)
            break;
        const Clock::time_point due = Clock::now() + link->state->delay;
        {
            std::lock_guard<std::mutex> guard(link->state->lock);
            if (fromClient)
                link->counter.fromClient(buffer.data(), size_t(n));
            else
                link->counter.fromServer(buffer.data(), size_t(n));
        }
        line.push(buffer.substr(0, size_t(n)), due);
    }
    line.end();
}

void writeFrom(DelayLine& line, int to)
{
    std::string bytes;
    while (line.pop(bytes))
        if (!writeAll(to, bytes))
            break;
    ::shutdown(to, SHUT_WR);
}

void serve(const std::shared_ptr<PgProxy::State>& state, int clientFd)
{
    const int serverFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, state->serverSocket.c_str(), sizeof(address.sun_path) - 1);
    if (serverFd < 0 || ::connect(serverFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(clientFd);
        if (serverFd >= 0)
            ::close(serverFd);
        return;
    }
    {
        std::lock_guard<std::mutex> guard(state->lock);
        ++state->counts.connections;
    }
    auto link = std::make_shared<Link>(state, clientFd, serverFd);
    auto up = std::make_shared<DelayLine>();
    auto down = std::make_shared<DelayLine>();
    std::thread([link, up] { readInto(link, link->client, true, *up); }).detach();
    std::thread([link, up] { writeFrom(*up, link->server); }).detach();
    std::thread([link, down] { readInto(link, link->server, false, *down); }).detach();
    std::thread([link, down] { writeFrom(*down, link->client); }).detach();
}

} // namespace

PgProxy::PgProxy(const std::string& serverSocketPath, int delayMs) : m_state(std::make_shared<State>())
{
    m_state->serverSocket = serverSocketPath;
    m_state->delay = std::chrono::milliseconds(delayMs);
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0
        || ::listen(listener, 16) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the proxy cannot listen on 127.0.0.1");
    m_port = ntohs(address.sin_port);
    m_state->listener = listener;
    std::thread([state = m_state, listener] {
        for (;;) {
            const int client = ::accept(listener, nullptr, nullptr);
            if (client < 0)
                return;   // the listener was shut down
            const int on = 1;
            ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
            serve(state, client);
        }
    }).detach();
}

PgProxy::~PgProxy()
{
    ::shutdown(m_state->listener, SHUT_RDWR);
}

PgProxy::Counts PgProxy::counts() const
{
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->counts;
}

std::vector<PgProxy::Sent> PgProxy::sentSince(size_t from) const
{
    std::lock_guard<std::mutex> guard(m_state->lock);
    if (from >= m_state->sent.size())
        return {};
    return std::vector<Sent>(m_state->sent.begin() + long(from), m_state->sent.end());
}

size_t PgProxy::sentCount() const
{
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->sent.size();
}
