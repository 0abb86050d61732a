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
      videoQueue_(kVideoEntryCapacity, kEntryCount),
      audioQueue_(kAudioEntryCapacity, kEntryCount),
      parser_(&videoQueue_, &audioQueue_, this) {
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
  answerWaitMs_ = answerWaitMs;
  reconnectPauseMs_ = reconnectPauseMs;
  retryPauseMs_ = retryPauseMs;
}

int NetworkClient::SetDirect(const char* address, uint16_t port, const char* /*ignored*/,
                             const char* password) {
  useDdns_ = false;
  {
    std::lock_guard<std::mutex> hold(textLock_);
    address_ = address ? address : "";
  }
  port_ = port;
  password_ = password ? password : "";
  return 1;
}

int NetworkClient::SetDdns(const char* serverAddress, uint16_t serverPort, const char* dvrName,
                           const char* password) {
  useDdns_ = true;
  ddnsServer_ = serverAddress ? serverAddress : "";
  ddnsPort_ = serverPort;
  dvrName_ = dvrName ? dvrName : "";
  password_ = password ? password : "";
  return 1;
}

std::string NetworkClient::ErrorText() const {
  std::lock_guard<std::mutex> hold(textLock_);
  return errorText_;
}

std::string NetworkClient::Address() const {
  std::lock_guard<std::mutex> hold(textLock_);
  return address_;
}

void NetworkClient::SetError(const std::string& text) {
  std::lock_guard<std::mutex> hold(textLock_);
  errorText_ = text;
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
  std::lock_guard<std::mutex> hold(recorderLock_);
  if (!loggedIn_.load() || !recorderSocket_.IsOpen()) return 0;
  return recorderSocket_.SendAll(message, sizeof message) ? 1 : 0;
}

void NetworkClient::CloseRecorder() {
  std::lock_guard<std::mutex> hold(recorderLock_);
  if (recorderSocket_.IsOpen()) recorderSocket_.ShutdownBoth();
  recorderSocket_.Close();
  loggedIn_ = false;
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
  if (ddnsSocket_.IsOpen()) {
    SetError(kTextAlreadyConnected);
    ddnsSocket_.ShutdownReceive();
    ddnsSocket_.Close();
    return Step::Failed;
  }
  if (!ddnsSocket_.Open()) {
    SetSocketError(ddnsSocket_);
    return Step::Failed;
  }
  platform::Ipv4Address server;
  if (!platform::ParseDottedAddress(ddnsServer_.c_str(), &server)) return Step::Failed;
  switch (ddnsSocket_.Connect(server, ddnsPort_, timeout_, &StopEvent())) {
    case platform::ConnectResult::Connected:
      return Step::Done;
    case platform::ConnectResult::Failed:
      SetSocketError(ddnsSocket_);
      return Step::Failed;
    case platform::ConnectResult::TimedOut:
      return Step::Failed;
    case platform::ConnectResult::Stopped:
      break;
  }
  ddnsSocket_.Close();
  ddnsResolved_ = false;
  return Step::Failed;
}

NetworkClient::Step NetworkClient::Lookup() {
  uint8_t query[kDdnsQuerySize];
  EncodeDdnsQuery(dvrName_, query);
  Step result = Step::Final;
  if (!ddnsSocket_.SendAll(query, sizeof query)) {
    SetSocketError(ddnsSocket_);
  } else {
    const uint32_t start = platform::TickMs();
    for (;;) {
      const int r = WaitAnswer(ddnsSocket_, answerWaitMs_);
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
      const int n = ddnsSocket_.Receive(receive_.get(), kAnswerReceiveSize);
      DdnsAnswer answer;
      if (ReadDdnsAnswer(receive_.get(), n > 0 ? static_cast<size_t>(n) : 0, &answer) != 1) {
        SetError(kTextDdnsLoginError);
        break;
      }
      char dotted[16];
      FormatDottedAddress(answer.address, dotted);
      {
        std::lock_guard<std::mutex> hold(textLock_);
        address_ = dotted;
      }
      port_ = answer.port;
      ddnsResolved_ = true;
      ddnsSocket_.Close();
      return Step::Done;
    }
  }
  ddnsSocket_.Close();
  ddnsResolved_ = false;
  return result;
}

// Connect to the recorder. Like the server connect, a failed attempt that
// got as far as a socket leaves it open, and the next attempt fails on it
// with "Already Connected"; the one after that starts afresh.
NetworkClient::Step NetworkClient::RecorderConnect() {
  {
    std::lock_guard<std::mutex> hold(recorderLock_);
    if (recorderSocket_.IsOpen()) {
      SetError(kTextAlreadyConnected);
      recorderSocket_.ShutdownReceive();
      recorderSocket_.Close();
      return Step::Failed;
    }
    if (!recorderSocket_.Open()) {
      SetSocketError(recorderSocket_);
      return Step::Failed;
    }
  }
  platform::Ipv4Address target;
  if (!platform::ResolveAddress(Address().c_str(), &target)) return Step::Failed;
  switch (recorderSocket_.Connect(target, port_, timeout_, &StopEvent())) {
    case platform::ConnectResult::Connected:
      return Step::Done;
    case platform::ConnectResult::Failed:
      SetSocketError(recorderSocket_);
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
  if (!recorderSocket_.SendAll(request, sizeof request)) {
    SetSocketError(recorderSocket_);
  } else {
    const uint32_t start = platform::TickMs();
    for (;;) {
      const int r = WaitAnswer(recorderSocket_, answerWaitMs_);
      if (r == -2) {
        result = Step::Failed;
        break;
      }
      if (r < 0) break;
      if (r == 1) {
        const int n = recorderSocket_.Receive(receive_.get(), kAnswerReceiveSize);
        const LoginReply reply = ReadLoginReply(receive_.get(), n > 0 ? static_cast<size_t>(n) : 0);
        if (reply.outcome == LoginOutcome::Accepted) {
          loggedIn_ = true;
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
      for (int i = 0; i < 4; ++i) channelWords_[i] = m.channelWords[i];
      statusWord_ = m.statusWord;
      Notify(kNotifyStatusChanged);
      break;
    case StreamMessageKind::Status:
      statusWord_ = m.statusWord;
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
    if (useDdns_ && !ddnsResolved_) {
      state_ = kStateDdnsConnecting;
      if (ServerConnect() != Step::Done) {
        state_ = kStateIdle;
        if (retryPauseMs_ != 0) stop.Wait(retryPauseMs_);
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

    if (!loggedIn_) {
      state_ = kStateConnecting;
      if (RecorderConnect() != Step::Done) {
        state_ = kStateIdle;
        if (retryPauseMs_ != 0) stop.Wait(retryPauseMs_);
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
    if (platform::TickMs() - last_activity > timeout_ && loggedIn_ && recorderSocket_.IsOpen()) {
      CloseRecorder();
      stop.Wait(reconnectPauseMs_);
      continue;
    }

    const int r = recorderSocket_.WaitReadable(1);
    if (r < 0) continue;
    if (r == 0) {
      platform::SleepMs(kIdleSleepMs);
      continue;
    }
    const int n = recorderSocket_.Receive(receive_.get(), kReceiveChunkSize);
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
    std::lock_guard<std::mutex> hold(recorderLock_);
    if (loggedIn_ && recorderSocket_.IsOpen()) {
      uint8_t notice[kLogoutNoticeSize];
      EncodeLogoutNotice(notice);
      recorderSocket_.SendAll(notice, sizeof notice);
    }
  }
  CloseRecorder();
  ddnsSocket_.Close();
  ddnsResolved_ = false;
  state_ = kStateIdle;
  return 0;
}

}  // namespace marlow
