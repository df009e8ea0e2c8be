#include "Proxy.h"

#include "ResponseCutter.h"

#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <utility>
#include <vector>

namespace linksim {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
// Requests are small; this only bounds what a client that sends without
// reading can park here.
constexpr std::uint64_t kUpstreamQueue = 1024 * 1024;
// With bytes waiting for tokens the loop wakes this often.
constexpr Nanos kTick = 1'000'000;
// A cut connection waits this long at most for the kernel to hand its last
// bytes to the client before the reset discards them.
constexpr Nanos kResetWait = 2'000'000'000;
constexpr std::uint64_t kListenTag = UINT64_MAX;
constexpr std::uint64_t kStopTag = UINT64_MAX - 1;

Nanos Now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<Nanos>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void Warn(const char* what) { std::fprintf(stderr, "linksim: %s: %s\n", what, std::strerror(errno)); }

void SetNoDelay(int fd) {
  // Pacing writes small pieces; Nagle with delayed acks would hold them back by tens of milliseconds.
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// Closes with a TCP RST instead of a FIN.
void CloseWithReset(int fd) {
  const linger hard{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  close(fd);
}

// One direction's bytes: [written, released) may go to the receiver,
// [released, served) are crossing the one-way delay, [served, received) wait
// at the bottleneck. Offsets count from the start of the stream.
struct Direction {
  std::vector<char> bytes;  // from stream offset `start` to `received`
  std::uint64_t start = 0;
  std::uint64_t received = 0;
  std::uint64_t served = 0;
  std::uint64_t released = 0;
  std::uint64_t written = 0;
  std::deque<std::pair<Nanos, std::uint64_t>> transit;  // release time, end offset
  bool sourceEnded = false;
  Nanos endArrives = 0;  // when the sender's FIN has crossed the delay
  bool sinkShut = false;

  void Append(const char* data, std::size_t size) {
    bytes.insert(bytes.end(), data, data + size);
    received += size;
  }
  const char* At(std::uint64_t offset) const { return bytes.data() + (offset - start); }
  void Forget() {
    // Drop delivered bytes in large steps so that the memmove stays rare.
    const std::uint64_t done = written - start;
    if (done >= 256 * 1024 && done * 2 >= bytes.size()) {
      bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(done));
      start = written;
    }
  }
  void Release(Nanos now) {
    while (!transit.empty() && transit.front().first <= now) {
      released = transit.front().second;
      transit.pop_front();
    }
  }
  bool Drained() const { return written == received; }
};

struct Connection {
  Connection(std::uint64_t id, const ProxyOptions& options, Nanos now)
      : id(id),
        acceptedAt(now),
        lastSend(now),
        cap(options.shape.perConnRate, std::max(1500.0, options.shape.perConnRate * static_cast<double>(options.burst) / 1e9),
            now) {}

  std::uint64_t id;
  int client = -1;
  int server = -1;
  bool connected = false;
  Nanos acceptedAt;
  Direction up;    // client to server
  Direction down;  // server to client: the direction the link shapes
  // Flow control of `down`: bytes read from the server count as in flight
  // until the client's acknowledgement would have come back.
  std::uint64_t acked = 0;
  std::deque<std::pair<Nanos, std::uint64_t>> acks;  // arrival time, offset acknowledged
  std::uint64_t ackQueued = 0;
  std::uint64_t cwnd = kInitialWindow;
  Nanos lastSend;
  TokenBucket cap;
  bool capBusy = false;
  std::unique_ptr<ResponseCutter> cutter;
  bool cutting = false;   // the rest of the response was dropped: reset once the kept bytes are out
  Nanos resetBy = 0;      // set once they are written
  std::uint32_t clientMask = 0;
  std::uint32_t serverMask = 0;
  bool dead = false;
};

class Proxy {
 public:
  Proxy(int listenFd, const sockaddr_storage& upstream, socklen_t upstreamLength, const ProxyOptions& options,
        int stopFd)
      : m_listen(listenFd),
        m_upstream(upstream),
        m_upstreamLength(upstreamLength),
        m_options(options),
        m_stop(stopFd),
        m_window(WindowLimit(options.shape)),
        m_delay(options.shape.rtt / 2),
        m_link(options.shape.rate, std::max(1500.0, options.shape.rate * static_cast<double>(options.burst) / 1e9),
               Now()),
        m_random(options.seed) {}

  ~Proxy() {
    for (auto& [id, c] : m_connections) CloseBoth(*c, false);
    if (m_epoll >= 0) close(m_epoll);
  }

  int Run() {
    m_epoll = epoll_create1(EPOLL_CLOEXEC);
    if (m_epoll < 0) {
      Warn("epoll_create1");
      return 1;
    }
    if (!Add(m_listen, EPOLLIN, kListenTag) || !Add(m_stop, EPOLLIN, kStopTag)) return 1;
    epoll_event events[64];
    for (;;) {
      const int n = epoll_wait(m_epoll, events, 64, Timeout(Now()));
      if (n < 0 && errno != EINTR) {
        Warn("epoll_wait");
        return 1;
      }
      const Nanos now = Now();
      for (int i = 0; i < n; ++i) {
        const std::uint64_t tag = events[i].data.u64;
        if (tag == kStopTag) {
          Summary();
          return 0;
        }
        if (tag == kListenTag) {
          Accept(now);
          continue;
        }
        auto it = m_connections.find(tag >> 1);
        if (it == m_connections.end() || it->second->dead) continue;
        if (tag & 1) {
          OnServer(*it->second, events[i].events, now);
        } else {
          OnClient(*it->second, events[i].events, now);
        }
      }
      Pump(now);
    }
  }

 private:
  bool Add(int fd, std::uint32_t mask, std::uint64_t tag) {
    epoll_event ev{};
    ev.events = mask;
    ev.data.u64 = tag;
    if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &ev) != 0) {
      Warn("epoll_ctl");
      return false;
    }
    return true;
  }

  void Watch(int fd, std::uint32_t& current, std::uint32_t wanted, std::uint64_t tag) {
    if (fd < 0 || current == wanted) return;
    epoll_event ev{};
    ev.events = wanted;
    ev.data.u64 = tag;
    epoll_ctl(m_epoll, EPOLL_CTL_MOD, fd, &ev);
    current = wanted;
  }

  void Accept(Nanos now) {
    for (;;) {
      const int fd = accept4(m_listen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) Warn("accept");
        return;
      }
      const int server = socket(m_upstream.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      if (server < 0) {
        Warn("socket");
        CloseWithReset(fd);
        continue;
      }
      SetNoDelay(fd);
      SetNoDelay(server);
      auto c = std::make_unique<Connection>(++m_nextId, m_options, now);
      c->client = fd;
      c->server = server;
      if (m_options.cutShare > 0) {
        c->cutter = std::make_unique<ResponseCutter>([this](std::uint64_t length) -> std::optional<std::uint64_t> {
          if (!std::bernoulli_distribution(m_options.cutShare)(m_random)) return std::nullopt;
          return std::uniform_int_distribution<std::uint64_t>(0, length - 1)(m_random);
        });
      }
      const int rc = connect(server, reinterpret_cast<const sockaddr*>(&m_upstream), m_upstreamLength);
      if (rc != 0 && errno != EINPROGRESS) {
        Warn("connect to upstream");
        close(server);
        CloseWithReset(fd);
        continue;
      }
      c->connected = rc == 0;
      c->clientMask = EPOLLIN;
      c->serverMask = c->connected ? EPOLLIN : EPOLLOUT;
      if (!Add(fd, c->clientMask, c->id << 1) || !Add(server, c->serverMask, (c->id << 1) | 1)) {
        close(server);
        close(fd);
        continue;
      }
      ++m_accepted;
      if (m_options.verbose) std::fprintf(stderr, "linksim: connection %llu open\n", static_cast<unsigned long long>(c->id));
      m_connections.emplace(c->id, std::move(c));
    }
  }

  std::uint64_t Window(const Connection& c) const {
    return m_options.shape.slowStart && m_options.shape.rtt > 0 ? std::min(c.cwnd, m_window) : m_window;
  }

  void OnClient(Connection& c, std::uint32_t events, Nanos now) {
    if (events & EPOLLERR) return Abort(c);
    if (events & EPOLLIN) ReadClient(c, now);
    if (c.dead) return;
    if (events & EPOLLHUP) {
      // Gone both ways: an orderly end only when nothing is left for it.
      if (c.down.Drained() && (c.down.sourceEnded || c.server < 0)) return CloseBoth(c, false);
      return Abort(c);
    }
    if (events & EPOLLOUT) Flush(c, c.down, c.client, now);
  }

  void OnServer(Connection& c, std::uint32_t events, Nanos now) {
    if (!c.connected && (events & (EPOLLOUT | EPOLLERR | EPOLLHUP))) {
      int error = 0;
      socklen_t length = sizeof error;
      getsockopt(c.server, SOL_SOCKET, SO_ERROR, &error, &length);
      if (error != 0) {
        errno = error;
        Warn("connect to upstream");
        return Abort(c);
      }
      c.connected = true;
      return;
    }
    if (events & EPOLLERR) return Abort(c);
    if (events & EPOLLIN) ReadServer(c, now, false);
    if (c.dead || c.server < 0) return;
    if (events & EPOLLHUP) {
      // Both ways shut in order: take what the kernel still holds, whatever the window.
      while (!c.dead && c.server >= 0) ReadServer(c, now, true);
      return;
    }
    if (events & EPOLLOUT) Flush(c, c.up, c.server, now);
  }

  void ReadClient(Connection& c, Nanos now) {
    char buffer[kReadChunk];
    const std::uint64_t queued = c.up.received - c.up.written;
    if (c.up.sourceEnded || queued >= kUpstreamQueue) return;
    const ssize_t n = recv(c.client, buffer, std::min<std::uint64_t>(sizeof buffer, kUpstreamQueue - queued), 0);
    if (n < 0) {
      if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) Abort(c);
      return;
    }
    // The first bytes also wait for the handshake's round trip, which the
    // client's connect to this loopback port did not take.
    const Nanos leaves = std::max(now, c.acceptedAt + m_options.shape.rtt) + m_delay;
    if (n == 0) {
      c.up.sourceEnded = true;
      c.up.endArrives = leaves;
      return;
    }
    if (c.server < 0 || c.cutting) return;  // nobody left to send it to
    if (c.cutter) c.cutter->OnRequestBytes(buffer, static_cast<std::size_t>(n));
    c.up.Append(buffer, static_cast<std::size_t>(n));
    c.up.served = c.up.received;  // no bottleneck this way, only the delay
    c.up.transit.emplace_back(leaves, c.up.served);
  }

  void ReadServer(Connection& c, Nanos now, bool drain) {
    char buffer[kReadChunk];
    const std::uint64_t inFlight = c.down.received - c.acked;
    if (m_options.shape.slowStart && m_options.shape.rtt > 0 && inFlight == 0 &&
        now - c.lastSend > IdleRestart(m_options.shape.rtt)) {
      c.cwnd = std::min(c.cwnd, kInitialWindow);
    }
    const std::uint64_t window = Window(c);
    if (!drain && inFlight >= window) return;
    const std::size_t want = drain ? sizeof buffer : std::min<std::uint64_t>(sizeof buffer, window - inFlight);
    const ssize_t n = recv(c.server, buffer, want, 0);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        if (drain) return Abort(c);  // hung up with nothing to read: it was not an orderly end
        return;
      }
      return Abort(c);
    }
    if (n == 0) {
      c.down.sourceEnded = true;
      c.down.endArrives = now + m_delay;
      CloseServer(c, false);
      return;
    }
    c.lastSend = now;
    std::size_t keep = static_cast<std::size_t>(n);
    if (c.cutter) {
      keep = c.cutter->OnResponseBytes(buffer, keep);
      if (c.cutter->cut()) {
        c.cutting = true;
        ++m_cuts;
        if (m_options.verbose) {
          std::fprintf(stderr, "linksim: connection %llu cut after %llu of %llu body bytes\n",
                       static_cast<unsigned long long>(c.id), static_cast<unsigned long long>(c.cutter->cutAfter()),
                       static_cast<unsigned long long>(c.cutter->cutBodyLength()));
        }
        CloseServer(c, true);
      }
    }
    c.down.Append(buffer, keep);
  }

  // Writes what has arrived at the far end of the delay.
  void Flush(Connection& c, Direction& d, int fd, Nanos now) {
    if (fd < 0 || c.dead) return;
    if (&d == &c.up && !c.connected) return;
    while (d.written < d.released) {
      const ssize_t n = send(fd, d.At(d.written), d.released - d.written, MSG_NOSIGNAL);
      if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK) break;
        if (errno == EINTR) continue;
        return Abort(c);
      }
      d.written += static_cast<std::uint64_t>(n);
    }
    if (&d == &c.down && d.written > c.ackQueued) {
      c.acks.emplace_back(now + m_delay, d.written);
      c.ackQueued = d.written;
    }
    d.Forget();
  }

  void Schedule(Nanos now) {
    const bool shaped = !m_link.unlimited() || m_options.shape.perConnRate > 0;
    std::vector<Connection*> waiting;
    std::vector<std::uint64_t> demands;
    std::vector<bool> capped;  // the connection's own cap, not its queue, set its demand
    for (auto& [id, c] : m_connections) {
      if (c->dead || c->down.served == c->down.received) continue;
      const std::uint64_t queued = c->down.received - c->down.served;
      if (!shaped) {
        Serve(*c, queued, now);
        continue;
      }
      c->cap.Refill(now, c->capBusy);
      waiting.push_back(c.get());
      demands.push_back(std::min(queued, c->cap.available()));
      capped.push_back(demands.back() < queued);
    }
    if (!shaped) return;
    m_link.Refill(now, m_linkBusy);
    const std::vector<std::uint64_t> shares = FairShare(m_link.available(), demands);
    m_linkBusy = false;
    for (std::size_t i = 0; i < waiting.size(); ++i) {
      Connection& c = *waiting[i];
      Serve(c, shares[i], now);
      m_link.Take(shares[i]);
      c.cap.Take(shares[i]);
      c.capBusy = capped[i] && shares[i] == demands[i];
      if (shares[i] < demands[i]) m_linkBusy = true;
    }
  }

  void Serve(Connection& c, std::uint64_t bytes, Nanos now) {
    if (bytes == 0) return;
    c.down.served += bytes;
    c.down.transit.emplace_back(now + m_delay, c.down.served);
  }

  void Pump(Nanos now) {
    for (auto& [id, c] : m_connections) {
      if (c->dead) continue;
      while (!c->acks.empty() && c->acks.front().first <= now) {
        const std::uint64_t offset = c->acks.front().second;
        c->acks.pop_front();
        if (m_options.shape.slowStart && c->cwnd < m_window) c->cwnd = std::min(m_window, c->cwnd + (offset - c->acked));
        c->acked = offset;
      }
    }
    Schedule(now);
    for (auto& [id, c] : m_connections) {
      if (c->dead) continue;
      c->up.Release(now);
      c->down.Release(now);
      Flush(*c, c->up, c->server, now);
      Flush(*c, c->down, c->client, now);
      if (!c->dead) Ends(*c, now);
      if (!c->dead) Interest(*c);
    }
    for (auto it = m_connections.begin(); it != m_connections.end();) {
      it = it->second->dead ? m_connections.erase(it) : std::next(it);
    }
  }

  // Passes FINs on once the data before them is delivered, and carries out cuts.
  void Ends(Connection& c, Nanos now) {
    if (c.cutting) {
      if (!c.down.Drained()) return;
      if (c.resetBy == 0) c.resetBy = now + kResetWait;
      int unsent = 0;
      if (ioctl(c.client, SIOCOUTQ, &unsent) == 0 && unsent > 0 && now < c.resetBy) return;
      CloseWithReset(c.client);
      c.client = -1;
      return CloseBoth(c, false);
    }
    if (c.up.sourceEnded && c.up.Drained() && !c.up.sinkShut && now >= c.up.endArrives && c.server >= 0 &&
        c.connected) {
      shutdown(c.server, SHUT_WR);
      c.up.sinkShut = true;
    }
    if (c.down.sourceEnded && c.down.Drained() && !c.down.sinkShut && now >= c.down.endArrives) {
      shutdown(c.client, SHUT_WR);
      c.down.sinkShut = true;
    }
    // The client said goodbye and everything it was sent is out.
    if (c.down.sinkShut && (c.up.sourceEnded || c.server < 0)) CloseBoth(c, false);
  }

  void Interest(Connection& c) {
    std::uint32_t client = 0;
    if (!c.up.sourceEnded && !c.cutting && c.up.received - c.up.written < kUpstreamQueue) client |= EPOLLIN;
    if (c.down.written < c.down.released) client |= EPOLLOUT;
    Watch(c.client, c.clientMask, client, c.id << 1);
    if (c.server < 0) return;
    std::uint32_t server = 0;
    if (!c.connected) {
      server = EPOLLOUT;
    } else {
      if (!c.down.sourceEnded && c.down.received - c.acked < Window(c)) server |= EPOLLIN;
      if (c.up.written < c.up.released) server |= EPOLLOUT;
    }
    Watch(c.server, c.serverMask, server, (c.id << 1) | 1);
  }

  int Timeout(Nanos now) const {
    Nanos next = INT64_MAX;
    for (const auto& [id, c] : m_connections) {
      if (!c->up.transit.empty()) next = std::min(next, c->up.transit.front().first);
      if (!c->down.transit.empty()) next = std::min(next, c->down.transit.front().first);
      if (!c->acks.empty()) next = std::min(next, c->acks.front().first);
      if (c->up.sourceEnded && !c->up.sinkShut) next = std::min(next, c->up.endArrives);
      if (c->down.sourceEnded && !c->down.sinkShut) next = std::min(next, c->down.endArrives);
      if (c->down.served < c->down.received || (c->cutting && c->down.Drained())) next = std::min(next, now + kTick);
    }
    if (next == INT64_MAX) return -1;
    if (next <= now) return 0;
    return static_cast<int>((next - now + 999'999) / 1'000'000);
  }

  // One side of a connection, out of the loop and closed (with a reset when asked).
  void CloseSide(int& fd, bool reset) {
    if (fd < 0) return;
    epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
    if (reset) {
      CloseWithReset(fd);
    } else {
      close(fd);
    }
    fd = -1;
  }

  void CloseServer(Connection& c, bool reset) { CloseSide(c.server, reset); }

  void CloseBoth(Connection& c, bool reset) {
    CloseSide(c.client, reset);
    CloseServer(c, reset);
    if (!c.dead && m_options.verbose) {
      std::fprintf(stderr, "linksim: connection %llu closed, %llu bytes down\n", static_cast<unsigned long long>(c.id),
                   static_cast<unsigned long long>(c.down.written));
    }
    if (!c.dead) {
      m_bytesDown += c.down.written;
      if (c.cutter) m_responses += c.cutter->responses();
    }
    c.dead = true;
  }

  // A peer failed: the other one learns it the hard way too.
  void Abort(Connection& c) { CloseBoth(c, true); }

  void Summary() {
    for (auto& [id, c] : m_connections) {
      if (c->dead) continue;
      m_bytesDown += c->down.written;
      if (c->cutter) m_responses += c->cutter->responses();
    }
    std::fprintf(stderr, "linksim: %llu connections, %llu bytes down", static_cast<unsigned long long>(m_accepted),
                 static_cast<unsigned long long>(m_bytesDown));
    if (m_options.cutShare > 0) {
      std::fprintf(stderr, ", %llu responses, %llu cut", static_cast<unsigned long long>(m_responses),
                   static_cast<unsigned long long>(m_cuts));
    }
    std::fprintf(stderr, "\n");
  }

  int m_listen;
  sockaddr_storage m_upstream;
  socklen_t m_upstreamLength;
  ProxyOptions m_options;
  int m_stop;
  std::uint64_t m_window;
  Nanos m_delay;
  TokenBucket m_link;
  bool m_linkBusy = false;
  std::mt19937_64 m_random;
  int m_epoll = -1;
  std::map<std::uint64_t, std::unique_ptr<Connection>> m_connections;
  std::uint64_t m_nextId = 0;
  std::uint64_t m_accepted = 0;
  std::uint64_t m_bytesDown = 0;
  std::uint64_t m_responses = 0;
  std::uint64_t m_cuts = 0;
};

}  // namespace

int RunProxy(int listenFd, const sockaddr_storage& upstream, socklen_t upstreamLength, const ProxyOptions& options,
             int stopFd) {
  Proxy proxy(listenFd, upstream, upstreamLength, options, stopFd);
  return proxy.Run();
}

}  // namespace linksim
