#include "conference/participant_link.h"

#include <cstring>

#include "conference/socket_notification.h"
#include "conference/voice_playback.h"
#include "conference/worker_events.h"
#include "net/resolve_address.h"
#include "platform/debug_output.h"
#include "platform/random_key.h"
#include "resources/control_ids.h"

constexpr uint32_t KEEPALIVE_PERIOD_MS = 1000;
constexpr uint32_t JOIN_RETRY_PERIOD_MS = 2000;

constexpr const char* TITLE_CONNECTING = "Kovaro- 接続中...";
constexpr const char* TITLE_SERVING = "Kovaro- サーバ稼働中";
constexpr const char* TITLE_JOINED = "Kovaro- 接続済";
constexpr const char* TITLE_DISCONNECTED = "Kovaro- 切断";

constexpr const char* TEXT_HOST_UNRESOLVED = "ホスト名が解決に失敗しました。";
constexpr const char* CAPTION_HOST_UNRESOLVED = "ちゃんと合ってるる？";
constexpr const char* TEXT_SESSION_FAILED = "code:client.AddSession()";
constexpr const char* CAPTION_SESSION_FAILED = "予期せぬエラーが発生しました。";
constexpr const char* TEXT_CLIENT_SOCKET_FAILED = "クライアントソケットの作成に失敗しました。";
constexpr const char* CAPTION_CLIENT_SOCKET_FAILED = "サーバポートと一緒になってない？";
constexpr const char* TEXT_REFUSED = "サーバに弾かれました。";
constexpr const char* CAPTION_REFUSED = "満室かも？";
constexpr const char* TEXT_SERVER_LOST = "さばかんしました。";
constexpr const char* CAPTION_SERVER_LOST = "あるえ";

// An empty host names this machine: the first start's defaults are server mode without a host.
constexpr const char* EMPTY_HOST_ADDRESS = "127.0.0.1";

void ParticipantLink::Connect(const ConnectSettings* shared)
{
    MainWindowView& view = *parts_.view;
    view.title(TITLE_CONNECTING);
    clearSlotRows(view);
    view.meter(IDC_SEND_METER, 0);

    std::memcpy(&settings, shared, sizeof settings);

    RelayServer& server = *parts_.server;
    server.Close();
    if (settings.serverMode != 0 && server.Open(parts_.loop, settings.remotePort) < 0) {
        failConnect(TEXT_SERVER_SOCKET_FAILED, CAPTION_SERVER_SOCKET_FAILED);
        return;
    }

    // The record's host field need not end in a zero byte; the resolver needs one.
    char host[sizeof settings.remoteHost + 1];
    std::memcpy(host, settings.remoteHost, sizeof settings.remoteHost);
    host[sizeof settings.remoteHost] = '\0';
    SocketAddress serverAddress;
    if (ResolveAddress(host[0] == '\0' ? EMPTY_HOST_ADDRESS : host, settings.remotePort, serverAddress) < 0) {
        failConnect(TEXT_HOST_UNRESOLVED, CAPTION_HOST_UNRESOLVED);
        return;
    }

    // Tells the server of an earlier connect, if it is still held, that this participant leaves.
    link.Send(MSG_LEAVE, nullptr, 0);
    link.RemoveSession(0);
    if (link.AddSession(serverAddress, randomSessionKey()) < 0) {
        failConnect(TEXT_SESSION_FAILED, CAPTION_SESSION_FAILED);
        return;
    }
    if (link.Open(parts_.loop, WM_CLIENT_SOCKET, settings.localPort) < 0) {
        failConnect(TEXT_CLIENT_SOCKET_FAILED, CAPTION_CLIENT_SOCKET_FAILED);
        return;
    }

    link.Send(MSG_JOIN, reinterpret_cast<const uint8_t*>(settings.nickname), NICKNAME_SIZE);
    parts_.loop->setTimer(TIMER_KEEPALIVE, KEEPALIVE_PERIOD_MS);
    parts_.loop->setTimer(TIMER_JOIN_RETRY, JOIN_RETRY_PERIOD_MS);
    if (settings.serverMode != 0) {
        parts_.loop->setTimer(TIMER_PEER_SWEEP, PEER_SWEEP_PERIOD_MS);
        view.title(TITLE_SERVING);
    }
}

void ParticipantLink::failConnect(const char* text, const char* caption)
{
    parts_.view->title(TITLE_DISCONNECTED);
    parts_.view->warning(text, caption);
}

void ParticipantLink::HandleClientSocket(intptr_t lParam)
{
    if (!datagramWaits(lParam, "client ソケットエラー\n"))
        return;

    std::memset(receiveBuffer_, 0, sizeof receiveBuffer_);
    const int length = link.Receive(receiveBuffer_);
    if (length == NET_RECEIVE_FAILED) {
        debugOutput("client Recv失敗\n");
        return;
    }
    if (length < 0) {
        debugOutput("client ゴミpkt受信\n");
        return;
    }
    link.TouchSession(0);

    const uint32_t code = readHeader(receiveBuffer_).code;
    const uint8_t type = codeType(code);
    const uint32_t slot = codeSlot(code);
    if (type == MSG_WELCOME && slot == REFUSED_SLOT) {
        reactToRefusal();
        return;
    }
    if (slot >= SLOT_COUNT) {
        debugOutput("client fromid異常pkt受信\n");
        return;
    }
    // A message too short for its type is only a sign of life.
    if (static_cast<size_t>(length) < requiredLength(type))
        return;
    reactToMessage(type, static_cast<int>(slot), receiveBuffer_ + HEADER_SIZE);
}

void ParticipantLink::reactToMessage(uint8_t type, int slot, const uint8_t* payload)
{
    MainWindowView& view = *parts_.view;
    switch (type) {
    case MSG_WELCOME:
        view.title(TITLE_JOINED);
        parts_.loop->killTimer(TIMER_JOIN_RETRY);
        for (int entry = 0; entry < static_cast<int>(SLOT_COUNT); ++entry) {
            showSlotNickname(entry, payload + static_cast<size_t>(entry) * NICKNAME_SIZE, parts_.channels, view);
            parts_.playback->forget(entry);
        }
        parts_.coder->reset();
        parts_.capture->start();
        break;
    case MSG_PEER_NAME:
        showSlotNickname(slot, payload, parts_.channels, view);
        parts_.playback->forget(slot);
        break;
    case MSG_PEER_LEFT:
        view.controlText(IDC_SLOT_NAME_BASE + slot, "");
        parts_.channels[slot].setDisplayName("");
        parts_.playback->forget(slot);
        break;
    case MSG_VOICE_RELAY: {
        VoiceFrame frame;
        std::memcpy(&frame, payload, sizeof frame);
        parts_.playback->receive(frame, slot);
        break;
    }
    default:
        break;
    }
}

void ParticipantLink::reactToRefusal()
{
    // The refusal is the server's answer to the join, so it first ends the joining as every
    // welcome does (title "joined", retry stopped); then the link closes and the title says so.
    // The title is set twice on purpose: a view that logs titles shows both.
    parts_.view->title(TITLE_JOINED);
    parts_.loop->killTimer(TIMER_JOIN_RETRY);
    link.Disconnect();
    parts_.view->title(TITLE_DISCONNECTED);
    parts_.view->warning(TEXT_REFUSED, CAPTION_REFUSED);
}

void ParticipantLink::RetryJoin()
{
    link.Send(MSG_JOIN, reinterpret_cast<const uint8_t*>(settings.nickname), NICKNAME_SIZE);
}

void ParticipantLink::KeepAlive()
{
    link.Send(MSG_PING, nullptr, 0);
    link.TickSessions();
    if (link.IsSessionActive(0))
        return;

    link.Disconnect();
    parts_.server->Close();
    parts_.capture->stop();
    parts_.loop->killTimer(TIMER_KEEPALIVE);
    parts_.view->title(TITLE_DISCONNECTED);
    parts_.view->warning(TEXT_SERVER_LOST, CAPTION_SERVER_LOST);
}

void ParticipantLink::leave()
{
    link.Send(MSG_LEAVE, nullptr, 0);
    link.Disconnect();
}
