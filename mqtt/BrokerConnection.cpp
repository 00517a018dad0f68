#include "BrokerConnection.h"

#include "BrokerError.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

namespace {

constexpr int keepAliveSeconds = 10;
constexpr unsigned reconnectDelaySeconds = 1;
// A connection attempt costs little; a bench back soon after its broker matters.
constexpr unsigned longestReconnectDelaySeconds = 2;

void initialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

} // namespace

// Two locks, never held together while libmosquitto is called: `state`
// guards everything both threads touch and is held only briefly, also by
// libmosquitto's callbacks; `pumping` keeps the owner's hand-overs in order.
struct BrokerConnection::Private {
    enum class Link { Unknown, Up, Down };
    struct Retained {
        std::string payload;
        bool due = true;
    };

    Private(BrokerSettings settings, Limits limits, std::function<OutgoingMessage(std::uint64_t)> droppedNote)
        : settings(std::move(settings))
        , limits(limits)
        , queue(limits.liveMessages, limits.events, std::move(droppedNote)) {}

    // libmosquitto's thread.
    static void onConnect(mosquitto* mosq, void* self, int rc) {
        auto* d = static_cast<Private*>(self);
        // A new connection has no subscription of the last one (clean session).
        if (rc == 0 && !d->commandTopic.empty())
            mosquitto_subscribe(mosq, nullptr, d->commandTopic.c_str(), 1);
        std::lock_guard<std::mutex> lock(d->state);
        if (rc != 0) {
            d->linkDown(QString::fromUtf8(d->commandTopic.empty() ? mosquitto_connack_string(rc)
                                                                  : mosquitto_reason_string(rc)));
            return;
        }
        d->connected = true;
        // QoS 0 packets do not outlive a connection; QoS 1 ones are sent again by libmosquitto.
        for (auto it = d->inFlight.begin(); it != d->inFlight.end();) {
            if (it->second == OutgoingMessage::Kind::Live) {
                d->queue.countLiveLost(1);
                it = d->inFlight.erase(it);
            } else {
                ++it;
            }
        }
        for (auto& retained : d->retained)
            retained.second.due = true;
        if (d->link != Link::Up)
            d->news.push_back({true, QString()});
        d->link = Link::Up;
    }
    static void onDisconnect(mosquitto*, void* self, int rc) {
        auto* d = static_cast<Private*>(self);
        std::lock_guard<std::mutex> lock(d->state);
        d->connected = false;
        if (rc != 0)
            d->linkDown(brokerErrorText(rc));
    }
    static void onPublish(mosquitto*, void* self, int mid) {
        auto* d = static_cast<Private*>(self);
        std::lock_guard<std::mutex> lock(d->state);
        if (d->inFlight.erase(mid) == 0)
            d->doneEarly.insert(mid); // sent before pump() noted it
    }

    static void onMessage(mosquitto*, void* self, const mosquitto_message* message,
                          const mosquitto_property* properties) {
        auto* d = static_cast<Private*>(self);
        IncomingMessage incoming;
        const auto length =
            std::min(static_cast<std::size_t>(std::max(message->payloadlen, 0)), d->mostCommandBytes + 1);
        incoming.payload.assign(static_cast<const char*>(message->payload), length);
        char* topic = nullptr;
        if (mosquitto_property_read_string(properties, MQTT_PROP_RESPONSE_TOPIC, &topic, false) && topic &&
            mosquitto_pub_topic_check(topic) == MOSQ_ERR_SUCCESS)
            incoming.responseTopic = topic;
        std::free(topic);
        void* data = nullptr;
        std::uint16_t size = 0;
        if (mosquitto_property_read_binary(properties, MQTT_PROP_CORRELATION_DATA, &data, &size, false) && data)
            incoming.correlation = std::string(static_cast<const char*>(data), size);
        std::free(data);
        std::lock_guard<std::mutex> lock(d->state);
        if (d->commands.size() < d->mostWaitingCommands)
            d->commands.push_back(std::move(incoming));
    }

    // Under `state`.
    void linkDown(const QString& message) {
        if (link != Link::Down)
            news.push_back({false, message});
        link = Link::Down;
    }

    // Until libmosquitto's thread runs: it starts only with a connection.
    void connectLoop() {
        auto delay = std::chrono::seconds(reconnectDelaySeconds);
        for (;;) {
            const int rc =
                mosquitto_connect_async(mosq, settings.host.toUtf8().constData(), settings.port, keepAliveSeconds);
            if (rc == MOSQ_ERR_SUCCESS) {
                mosquitto_loop_start(mosq);
                return;
            }
            const QString message = brokerErrorText(rc);
            std::unique_lock<std::mutex> lock(state);
            linkDown(message);
            if (wake.wait_for(lock, delay, [this] { return stopping; }))
                return;
            delay = std::min(delay * 2, std::chrono::seconds(longestReconnectDelaySeconds));
        }
    }

    // The next message the window lets through, under `state`.
    std::optional<OutgoingMessage> nextToSend() {
        if (!connected || inFlight.size() >= limits.inFlight)
            return std::nullopt;
        for (auto& retained : retained) {
            if (retained.second.due) {
                retained.second.due = false;
                return OutgoingMessage{OutgoingMessage::Kind::Retained, retained.first, retained.second.payload,
                                       std::nullopt};
            }
        }
        return queue.take();
    }

    void pump() {
        std::lock_guard<std::mutex> order(pumping);
        for (;;) {
            std::optional<OutgoingMessage> message;
            {
                std::lock_guard<std::mutex> lock(state);
                message = nextToSend();
            }
            if (!message)
                return;
            const bool live = message->kind == OutgoingMessage::Kind::Live;
            const bool retain = message->kind == OutgoingMessage::Kind::Retained;
            int mid = 0;
            mosquitto_property* properties = nullptr;
            if (message->correlation)
                mosquitto_property_add_binary(&properties, MQTT_PROP_CORRELATION_DATA, message->correlation->data(),
                                              static_cast<std::uint16_t>(message->correlation->size()));
            const int rc =
                mosquitto_publish_v5(mosq, &mid, message->topic.c_str(), static_cast<int>(message->payload.size()),
                                     message->payload.data(), live ? 0 : 1, retain, properties);
            mosquitto_property_free_all(&properties);
            std::lock_guard<std::mutex> lock(state);
            // QoS 1 is queued by libmosquitto even when it says there is no connection.
            if (rc == MOSQ_ERR_SUCCESS || (!live && rc == MOSQ_ERR_NO_CONN)) {
                if (doneEarly.erase(mid) == 0)
                    inFlight.emplace(mid, message->kind);
            } else if (live) {
                queue.countLiveLost(1);
            } else {
                // Refused outright (e.g. too large for the broker): not worth a retry.
                ++eventsRefused;
            }
        }
    }

    BrokerSettings settings;
    Limits limits;
    mosquitto* mosq = nullptr;
    std::string willTopic;
    std::string willPayload;

    std::mutex pumping;
    mutable std::mutex state;
    std::condition_variable wake;
    OutgoingQueue queue;
    std::map<std::string, Retained> retained;
    std::map<int, OutgoingMessage::Kind> inFlight;
    std::set<int> doneEarly;
    std::vector<BrokerNews> news;
    Link link = Link::Unknown;
    bool connected = false;
    bool stopping = false;
    std::uint64_t eventsRefused = 0;
    std::thread connector;
    std::string commandTopic;
    std::size_t mostCommandBytes = 0;
    std::size_t mostWaitingCommands = 0;
    std::deque<IncomingMessage> commands;
};

BrokerConnection::BrokerConnection(BrokerSettings settings, std::string willTopic, std::string willPayload,
                                   Limits limits, std::function<OutgoingMessage(std::uint64_t)> droppedNote)
    : d(std::make_unique<Private>(std::move(settings), limits, std::move(droppedNote))) {
    initialiseLibrary();
    d->willTopic = std::move(willTopic);
    d->willPayload = std::move(willPayload);
}

BrokerConnection::~BrokerConnection() {
    {
        std::lock_guard<std::mutex> lock(d->state);
        d->stopping = true;
    }
    d->wake.notify_all();
    if (d->connector.joinable())
        d->connector.join();
    if (!d->mosq)
        return;
    mosquitto_disconnect(d->mosq);
    mosquitto_loop_stop(d->mosq, false);
    mosquitto_destroy(d->mosq);
}

void BrokerConnection::start() {
    const BrokerSettings& s = d->settings;
    const QByteArray clientId = s.clientId.toUtf8();
    d->mosq = mosquitto_new(clientId.isEmpty() ? nullptr : clientId.constData(), true, d.get());
    if (!d->mosq) {
        std::lock_guard<std::mutex> lock(d->state);
        d->linkDown(QStringLiteral("cannot make an MQTT client"));
        return;
    }
    if (!d->commandTopic.empty()) {
        mosquitto_int_option(d->mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
        mosquitto_message_v5_callback_set(d->mosq, &Private::onMessage);
    }
    // Live messages are small and every 20 ms: Nagle's algorithm would hold
    // one back until the broker's delayed acknowledgement of the last.
    mosquitto_int_option(d->mosq, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_connect_callback_set(d->mosq, &Private::onConnect);
    mosquitto_disconnect_callback_set(d->mosq, &Private::onDisconnect);
    mosquitto_publish_callback_set(d->mosq, &Private::onPublish);
    mosquitto_reconnect_delay_set(d->mosq, reconnectDelaySeconds, longestReconnectDelaySeconds, true);
    mosquitto_will_set(d->mosq, d->willTopic.c_str(), static_cast<int>(d->willPayload.size()), d->willPayload.data(), 1,
                       true);
    if (!s.user.isEmpty()) {
        const QByteArray password = s.password ? s.password->toUtf8() : QByteArray();
        mosquitto_username_pw_set(d->mosq, s.user.toUtf8().constData(), s.password ? password.constData() : nullptr);
    }
    if (!s.caFile.isEmpty()) {
        const int rc = mosquitto_tls_set(d->mosq, s.caFile.toUtf8().constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            std::lock_guard<std::mutex> lock(d->state);
            d->linkDown(QStringLiteral("TLS: %1").arg(brokerErrorText(rc)));
            return;
        }
    }
    d->connector = std::thread(&Private::connectLoop, d.get());
}

void BrokerConnection::receiveCommands(std::string topic, std::size_t mostPayloadBytes, std::size_t waiting) {
    d->commandTopic = std::move(topic);
    d->mostCommandBytes = mostPayloadBytes;
    d->mostWaitingCommands = waiting;
}

std::vector<IncomingMessage> BrokerConnection::takeCommands() {
    std::lock_guard<std::mutex> lock(d->state);
    std::vector<IncomingMessage> taken(std::make_move_iterator(d->commands.begin()),
                                       std::make_move_iterator(d->commands.end()));
    d->commands.clear();
    return taken;
}

void BrokerConnection::publishReply(std::string topic, std::string payload, std::optional<std::string> correlation) {
    std::lock_guard<std::mutex> lock(d->state);
    d->queue.push({OutgoingMessage::Kind::Event, std::move(topic), std::move(payload), std::move(correlation)});
}

void BrokerConnection::publishLive(std::string topic, std::string payload) {
    std::lock_guard<std::mutex> lock(d->state);
    d->queue.push({OutgoingMessage::Kind::Live, std::move(topic), std::move(payload), std::nullopt});
}

void BrokerConnection::publishEvent(std::string topic, std::string payload, bool progress) {
    std::lock_guard<std::mutex> lock(d->state);
    d->queue.push({progress ? OutgoingMessage::Kind::Progress : OutgoingMessage::Kind::Event, std::move(topic),
                   std::move(payload), std::nullopt});
}

void BrokerConnection::publishRetained(const std::string& topic, std::string payload) {
    std::lock_guard<std::mutex> lock(d->state);
    d->retained[topic] = {std::move(payload), true};
}

void BrokerConnection::pump() {
    if (d->mosq)
        d->pump();
}

std::vector<BrokerNews> BrokerConnection::takeNews() {
    std::lock_guard<std::mutex> lock(d->state);
    return std::exchange(d->news, {});
}

std::uint64_t BrokerConnection::liveDropped() const {
    std::lock_guard<std::mutex> lock(d->state);
    return d->queue.liveDropped();
}

std::uint64_t BrokerConnection::eventsDropped() const {
    std::lock_guard<std::mutex> lock(d->state);
    return d->queue.eventsDropped() + d->eventsRefused;
}

void BrokerConnection::finish(const std::string& topic, std::string payload, int timeoutMs) {
    publishRetained(topic, std::move(payload));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pump();
        {
            std::lock_guard<std::mutex> lock(d->state);
            const bool due = std::any_of(d->retained.begin(), d->retained.end(),
                                         [](const auto& retained) { return retained.second.due; });
            if (!d->connected || (!due && d->queue.isEmpty() && d->inFlight.empty()))
                break;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (d->mosq)
        mosquitto_disconnect(d->mosq);
}
