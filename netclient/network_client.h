// The live connection to one networked recorder. The client's thread asks
// the dynamic-address server where the recorder is (when told to), connects,
// logs in with the password's MD5 digest, then receives the live stream and
// hands it to the LiveUnitParser, which fills the video and audio queues that
// the engine thread drains. A connection that falls silent for longer than
// the timeout is closed and re-established with a fresh login. Stop sends a
// LogoutNotice when logged in.
//
// Threads: every operation is called on the user-interface thread; Run is
// the client's thread. Configuration changes only while the thread is
// stopped. The state, the report words and the logged-in flag are single
// words read without waiting; SendKey sends on the recorder socket from the
// caller's thread.
//
// Every wait of the client's thread lasts at most 100 ms between looks at
// the stop event, so Stop returns promptly whatever the thread is doing.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "netclient/live_unit_parser.h"
#include "netclient/notification_sink.h"
#include "netclient/unit_queue.h"
#include "platform/socket.h"
#include "platform/worker_thread.h"

namespace marlow {

// connectionState values, one strip row each in the window's status display.
enum ConnectionStateValue : int {
  kStateIdle = 0,
  kStateConnecting = 1,
  kStateLoggingIn = 2,
  kStateReceiving = 3,
  kStateDdnsConnecting = 4,
  kStateDdnsWaiting = 5,
  kStateDdnsResolved = 6,
};

// Texts the client leaves in ErrorText besides the login refusal texts.
extern const char kTextAlreadyConnected[];  // "Already Connected"
extern const char kTextNoResponse[];        // "No response from server."
extern const char kTextDdnsLoginError[];    // "DDNS LOGIN ERROR"

constexpr uint32_t kDefaultTimeoutMs = 7000;
constexpr uint32_t kDefaultAnswerWaitMs = 5000;      // one wait for a login or lookup answer
constexpr uint32_t kDefaultReconnectPauseMs = 1000;  // after closing a silent connection
constexpr uint32_t kDefaultRetryPauseMs = 200;       // after a failed connect attempt
constexpr size_t kReceiveChunkSize = 131072;

class NetworkClient : public WorkerThread, private LiveMessageSink {
 public:
  NetworkClient();
  ~NetworkClient() override;

  // The sink may be null (no notifications); it must outlive the thread.
  int SetNotifyWindow(NotificationSink* sink);
  void SetTimeout(uint32_t ms) { timeout_ = ms; }
  uint32_t Timeout() const { return timeout_; }
  // The waits inside the loop: one wait for an answer (the time limit is
  // checked after each), the pause after a silent connection is closed, and
  // the pause after a failed connect attempt (0: none). The defaults are
  // the product's; tests shorten them.
  void SetWaits(uint32_t answerWaitMs, uint32_t reconnectPauseMs, uint32_t retryPauseMs);

  // Reach the recorder at address (host name or dotted IPv4) and port. The
  // third argument is accepted and ignored. Returns 1.
  int SetDirect(const char* address, uint16_t port, const char* ignored, const char* password);
  // Reach it through the dynamic-address server at serverAddress (dotted
  // IPv4) and serverPort, which knows it as dvrName. Address and port stay
  // until an answer replaces them. Returns 1.
  int SetDdns(const char* serverAddress, uint16_t serverPort, const char* dvrName,
              const char* password);

  bool IsLoggedIn() const { return loggedIn_.load(); }
  int ConnectionState() const { return state_.load(); }
  std::string ErrorText() const;
  // The recorder address and port in use (after a lookup, the answer's).
  std::string Address() const;
  uint16_t Port() const { return port_.load(); }
  uint16_t StatusWord() const { return statusWord_.load(); }
  uint16_t ChannelWord(int index) const { return channelWords_[index & 3].load(); }

  // One KeyCommand with the key's low 8 bits. 0 when not logged in (nothing
  // sent) or when not all 16 bytes were accepted; no reply is awaited.
  int SendKey(uint32_t key);

  UnitQueue& VideoQueue() { return videoQueue_; }
  UnitQueue& AudioQueue() { return audioQueue_; }
  LiveUnitParser& Parser() { return parser_; }

 protected:
  uint32_t Run() override;

 private:
  enum class Step { Done, Failed, Final };  // Final: the run ends

  Step ServerConnect();
  Step Lookup();
  Step RecorderConnect();
  Step Login();
  // Waits up to waitMs for socket to become readable, looking at the stop
  // event every 100 ms: 1 readable, 0 nothing, -1 error, -2 stopped.
  int WaitAnswer(platform::Socket& socket, uint32_t waitMs);
  void CloseRecorder();
  void SetError(const std::string& text);
  void SetSocketError(const platform::Socket& socket);
  void Notify(uint32_t message);
  void OnLiveMessage(const uint8_t* bytes, size_t length) override;

  // Configuration (user-interface thread, while stopped).
  NotificationSink* sink_ = nullptr;
  uint32_t timeout_ = kDefaultTimeoutMs;
  uint32_t answerWaitMs_ = kDefaultAnswerWaitMs;
  uint32_t reconnectPauseMs_ = kDefaultReconnectPauseMs;
  uint32_t retryPauseMs_ = kDefaultRetryPauseMs;
  std::string address_;
  std::atomic<uint16_t> port_{0};  // replaced by a lookup on the client's thread
  std::string password_;
  bool useDdns_ = false;
  std::string ddnsServer_;
  uint16_t ddnsPort_ = 0;
  std::string dvrName_;

  // The client's thread.
  platform::Socket ddnsSocket_;
  bool ddnsResolved_ = false;
  std::unique_ptr<uint8_t[]> receive_;  // kReceiveChunkSize bytes

  // Shared with the user-interface thread.
  platform::Socket recorderSocket_;
  std::mutex recorderLock_;  // recorder socket's handle against SendKey
  std::atomic<bool> loggedIn_{false};
  std::atomic<int> state_{kStateIdle};
  std::atomic<uint16_t> statusWord_{0};
  std::atomic<uint16_t> channelWords_[4] = {};
  mutable std::mutex textLock_;
  std::string errorText_;

  UnitQueue videoQueue_;
  UnitQueue audioQueue_;
  LiveUnitParser parser_;
};

}  // namespace marlow
