// Finding and raising the window of a running copy. The first copy listens on
// the Unix-domain stream socket "<runtime folder>/<window class>.sock"; a later
// copy connects, sends "raise\n" and the first copy answers "ok\n" after it has
// asked its window to come forward.
//
// While listening, the listener also holds an flock on "<class>.sock.lock", so
// two copies starting together cannot both take over the socket path; a socket
// file nobody answers on is left from a dead copy and is replaced.
#pragma once

#include <functional>
#include <string>
#include <thread>

namespace cwplat {

class CRaiseListener {
 public:
  // folder "" means GetRuntimeFolder() at the time of Start.
  explicit CRaiseListener(std::string folder = {});
  ~CRaiseListener();  // stops
  CRaiseListener(const CRaiseListener&) = delete;
  CRaiseListener& operator=(const CRaiseListener&) = delete;

  // Listens on a thread of its own, which calls onRaise for each request: keep
  // it short (post to the window). False when the name is unusable, the path
  // does not fit a socket address, another live copy listens, this object
  // already listens, or the socket cannot be set up.
  bool Start(const std::string& className, std::function<void()> onRaise);
  // Stops listening and removes the socket file. Safe to call again.
  void Stop();
  bool IsListening() const { return m_thread.joinable(); }
  // The socket path while listening, else "".
  const std::string& SocketPath() const { return m_socketPath; }

 private:
  void Serve();

  std::string m_folder;
  std::string m_socketPath;
  std::function<void()> m_onRaise;
  int m_listenFd = -1;
  int m_lockFd = -1;
  int m_stopFd = -1;  // eventfd that wakes the thread for Stop
  std::thread m_thread;
};

// Asks the copy listening for className to raise its window. True when it
// answered "ok" within 2 s; false when nobody listens or it did not answer.
// folder "" means GetRuntimeFolder().
bool RequestRaise(const std::string& className, const std::string& folder = {});

}  // namespace cwplat
