#include "netclient/network_client.h"

#include <algorithm>

#include "netclient/protocol.h"
#include "platform/notice.h"

namespace marlow {

const char kTextAlreadyConnected[] = "Already Connected";
const char kTextNoResponse[] = "No response from server.";
const char kTextDdnsLoginError[] = "DDNS LOGIN ERROR";

namespace {

constexpr uint32_t kWaitSliceMs = 100;        // longest wait between looks at the stop event
constexpr size_t kAnswerReceiveSize = 32768;  // one receive of a login or lookup answer
constexpr uint32_t kIdleSleepMs = 5;

}  // namespace

NetworkClient::NetworkClient()
    : receive_(new uint8_t[kReceiveChunkSize]),
      video_queue_(kVideoEntryCapacity, kEntryCount),
      audio_queue_(kAudioEntryCapacity, kEntryCount),
      parser_(&video_queue_, &audio_queue_, this) {
  // Construction goes on without sockets; every connect then fails with the
  // system's text.
  if (platform::StartSockets() != 0) platform::ShowNotice("WSAStartup Fail");
}

NetworkClient::~NetworkClient() {
  Stop();
}

int NetworkClient::SetNotifyWindow(NotificationSink* sink) {
  sink_ = sink;
  return 1;
}

void NetworkClient::SetWaits(uint32_t answerWaitMs, uint32_t reconnectPauseMs,
                             uint32_t retryPauseMs) {
  answer_wait_ms_ = answerWaitMs;
  reconnect_pause_ms_ = reconnectPauseMs;
  retry_pause_ms_ = retryPauseMs;
}

int NetworkClient::SetDirect(const char* address, uint16_t port, const char* /*ignored*/,
                             const char* password) {
  use_ddns_ = false;
  {
    std::lock_guard<std::mutex> hold(text_lock_);
    address_ = address ? address : "";
  }
  port_ = port;
  password_ = password ? password : "";
  return 1;
}

int NetworkClient::SetDdns(const char* serverAddress, uint16_t serverPort, const char* dvrName,
                           const char* password) {
  use_ddns_ = true;
  ddns_server_ = serverAddress ? serverAddress : "";
  ddns_port_ = serverPort;
  dvr_name_ = dvrName ? dvrName : "";
  password_ = password ? password : "";
  return 1;
}

std::string NetworkClient::ErrorText() const {
  std::lock_guard<std::mutex> hold(text_lock_);
  return error_text_;
}

std::string NetworkClient::Address() const {
  std::lock_guard<std::mutex> hold(text_lock_);
  return address_;
}

void NetworkClient::SetError(const std::string& text) {
  std::lock_guard<std::mutex> hold(text_lock_);
  error_text_ = text;
}

void NetworkClient::SetSocketError(const platform::Socket& socket) {
  SetError(platform::SocketErrorText(socket.LastError()));
}

void NetworkClient::Notify(uint32_t message) {
  if (sink_ != nullptr) sink_->Post(message, 0, 0);
}

int NetworkClient::SendKey(uint32_t key) {
  uint8_t message[kKeyCommandSize];
  EncodeKeyCommand(key, message);
  std::lock_guard<std::mutex> hold(recorder_lock_);
  if (!logged_in_.load() || !recorder_socket_.IsOpen()) return 0;
  return recorder_socket_.SendAll(message, sizeof message) ? 1 : 0;
}

void NetworkClient::CloseRecorder() {
  std::lock_guard<std::mutex> hold(recorder_lock_);
  if (recorder_socket_.IsOpen()) recorder_socket_.ShutdownBoth();
  recorder_socket_.Close();
  logged_in_ = false;
}

int NetworkClient::WaitAnswer(platform::Socket& socket, uint32_t waitMs) {
  const uint32_t start = platform::TickMs();
  for (;;) {
    if (StopEvent().IsSet()) return -2;
    const uint32_t spent = platform::TickMs() - start;
    if (spent >= waitMs) return 0;
    const int r = socket.WaitReadable(std::min(kWaitSliceMs, waitMs - spent));
    if (r != 0) return r;
  }
}

// Connect to the dynamic-address server. A socket left open by the previous
// failed attempt makes this attempt fail too, after closing it.
NetworkClient::Step NetworkClient::ServerConnect() {
  if (ddns_socket_.IsOpen()) {
    SetError(kTextAlreadyConnected);
    ddns_socket_.ShutdownReceive();
    ddns_socket_.Close();
    return Step::Failed;
  }
  if (!ddns_socket_.Open()) {
    SetSocketError(ddns_socket_);
    return Step::Failed;
  }
  platform::Ipv4Address server;
  if (!platform::ParseDottedAddress(ddns_server_.c_str(), &server)) return Step::Failed;
  switch (ddns_socket_.Connect(server, ddns_port_, timeout_, &StopEvent())) {
    case platform::ConnectResult::Connected:
      return Step::Done;
    case platform::ConnectResult::Failed:
      SetSocketError(ddns_socket_);
      return Step::Failed;
    case platform::ConnectResult::TimedOut:
      return Step::Failed;
    case platform::ConnectResult::Stopped:
      break;
  }
  ddns_socket_.Close();
  ddns_resolved_ = false;
  return Step::Failed;
}

NetworkClient::Step NetworkClient::Lookup() {
  uint8_t query[kDdnsQuerySize];
  EncodeDdnsQuery(dvr_name_, query);
  Step result = Step::Final;
  if (!ddns_socket_.SendAll(query, sizeof query)) {
    SetSocketError(ddns_socket_);
  } else {
    const uint32_t start = platform::TickMs();
    for (;;) {
      const int r = WaitAnswer(ddns_socket_, answer_wait_ms_);
      if (r == -2) {
        result = Step::Failed;  // stopped: the loop sees the event
        break;
      }
      if (r < 0) break;
      if (r == 0) {
        if (platform::TickMs() - start > timeout_) {
          SetError(kTextNoResponse);
          break;
        }
        continue;
      }
      const int n = ddns_socket_.Receive(receive_.get(), kAnswerReceiveSize);
      DdnsAnswer answer;
      if (ReadDdnsAnswer(receive_.get(), n > 0 ? static_cast<size_t>(n) : 0, &answer) != 1) {
        SetError(kTextDdnsLoginError);
        break;
      }
      char dotted[16];
      FormatDottedAddress(answer.address, dotted);
      {
        std::lock_guard<std::mutex> hold(text_lock_);
        address_ = dotted;
      }
      port_ = answer.port;
      ddns_resolved_ = true;
      ddns_socket_.Close();
      return Step::Done;
    }
  }
  ddns_socket_.Close();
  ddns_resolved_ = false;
  return result;
}

// Connect to the recorder. Like the server connect, a failed attempt that
// got as far as a socket leaves it open, and the next attempt fails on it
// with "Already Connected"; the one after that starts afresh.
NetworkClient::Step NetworkClient::RecorderConnect() {
  {
    std::lock_guard<std::mutex> hold(recorder_lock_);
    if (recorder_socket_.IsOpen()) {
      SetError(kTextAlreadyConnected);
      recorder_socket_.ShutdownReceive();
      recorder_socket_.Close();
      return Step::Failed;
    }
    if (!recorder_socket_.Open()) {
      SetSocketError(recorder_socket_);
      return Step::Failed;
    }
  }
  platform::Ipv4Address target;
  if (!platform::ResolveAddress(Address().c_str(), &target)) return Step::Failed;
  switch (recorder_socket_.Connect(target, port_, timeout_, &StopEvent())) {
    case platform::ConnectResult::Connected:
      return Step::Done;
    case platform::ConnectResult::Failed:
      SetSocketError(recorder_socket_);
      return Step::Failed;
    case platform::ConnectResult::TimedOut:
      return Step::Failed;
    case platform::ConnectResult::Stopped:
      break;
  }
  CloseRecorder();
  return Step::Failed;
}

// Log in. The time limit counts from the request and holds whatever comes:
// a recorder that keeps answering "pending" is given up on like a silent one.
NetworkClient::Step NetworkClient::Login() {
  uint8_t request[kLoginRequestSize];
  EncodeLoginRequest(password_, request);
  Step result = Step::Final;
  if (!recorder_socket_.SendAll(request, sizeof request)) {
    SetSocketError(recorder_socket_);
  } else {
    const uint32_t start = platform::TickMs();
    for (;;) {
      const int r = WaitAnswer(recorder_socket_, answer_wait_ms_);
      if (r == -2) {
        result = Step::Failed;
        break;
      }
      if (r < 0) break;
      if (r == 1) {
        const int n = recorder_socket_.Receive(receive_.get(), kAnswerReceiveSize);
        const LoginReply reply = ReadLoginReply(receive_.get(), n > 0 ? static_cast<size_t>(n) : 0);
        if (reply.outcome == LoginOutcome::Accepted) {
          logged_in_ = true;
          return Step::Done;
        }
        if (reply.outcome != LoginOutcome::Pending) {
          SetError(reply.text != nullptr ? reply.text : kTextLoginError);
          break;
        }
      }
      if (platform::TickMs() - start > timeout_) {
        SetError(kTextNoResponse);
        break;
      }
    }
  }
  CloseRecorder();
  return result;
}

void NetworkClient::OnLiveMessage(const uint8_t* bytes, size_t length) {
  const StreamMessage m = ReadStreamMessage(bytes, length);
  switch (m.kind) {
    case StreamMessageKind::Channels:
      for (int i = 0; i < 4; ++i) channel_words_[i] = m.channelWords[i];
      status_word_ = m.statusWord;
      Notify(kNotifyStatusChanged);
      break;
    case StreamMessageKind::Status:
      status_word_ = m.statusWord;
      Notify(kNotifyStatusChanged);
      break;
    case StreamMessageKind::ServerClose:
      Notify(kNotifyServerClosed);
      break;
    case StreamMessageKind::Ignored:
      break;
  }
}

uint32_t NetworkClient::Run() {
  platform::Event& stop = StopEvent();
  uint32_t last_activity = platform::TickMs();
  while (!stop.IsSet()) {
    if (use_ddns_ && !ddns_resolved_) {
      state_ = kStateDdnsConnecting;
      if (ServerConnect() != Step::Done) {
        state_ = kStateIdle;
        if (retry_pause_ms_ != 0) stop.Wait(retry_pause_ms_);
        continue;
      }
      state_ = kStateDdnsWaiting;
      const Step looked = Lookup();
      if (looked == Step::Final) {
        Notify(kNotifyLoginFailed);
        state_ = kStateIdle;
        break;
      }
      if (looked != Step::Done) {
        state_ = kStateIdle;
        continue;
      }
      state_ = kStateDdnsResolved;
      last_activity = platform::TickMs();
    }

    if (!logged_in_) {
      state_ = kStateConnecting;
      if (RecorderConnect() != Step::Done) {
        state_ = kStateIdle;
        if (retry_pause_ms_ != 0) stop.Wait(retry_pause_ms_);
        continue;
      }
      state_ = kStateLoggingIn;
      const Step login = Login();
      if (login == Step::Final) {
        Notify(kNotifyLoginFailed);
        state_ = kStateIdle;
        break;
      }
      if (login != Step::Done) {
        state_ = kStateIdle;
        continue;
      }
      state_ = kStateReceiving;
      // A unit the last connection left unfinished is not continued with
      // this connection's bytes: it would be delivered as one corrupt unit.
      parser_.DropPartialUnits();
      last_activity = platform::TickMs();
    }

    // Silence check: a connection that has delivered nothing for longer
    // than the timeout is closed; the next pass connects and logs in again.
    if (platform::TickMs() - last_activity > timeout_ && logged_in_ && recorder_socket_.IsOpen()) {
      CloseRecorder();
      stop.Wait(reconnect_pause_ms_);
      continue;
    }

    const int r = recorder_socket_.WaitReadable(1);
    if (r < 0) continue;
    if (r == 0) {
      platform::SleepMs(kIdleSleepMs);
      continue;
    }
    const int n = recorder_socket_.Receive(receive_.get(), kReceiveChunkSize);
    if (n > 0) {
      parser_.Parse(receive_.get(), static_cast<size_t>(n));
      last_activity = platform::TickMs();
    } else {
      // The end of the stream or an error: nothing to parse. The silence
      // check ends such a connection; until then don't spin on it.
      platform::SleepMs(kIdleSleepMs);
    }
  }

  {
    std::lock_guard<std::mutex> hold(recorder_lock_);
    if (logged_in_ && recorder_socket_.IsOpen()) {
      uint8_t notice[kLogoutNoticeSize];
      EncodeLogoutNotice(notice);
      recorder_socket_.SendAll(notice, sizeof notice);
    }
  }
  CloseRecorder();
  ddns_socket_.Close();
  ddns_resolved_ = false;
  state_ = kStateIdle;
  return 0;
}

}  // namespace marlow
