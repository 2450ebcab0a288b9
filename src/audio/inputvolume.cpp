#include "audio/inputvolume.h"

#include "audio/pulseconnection.h"

#include <QByteArray>

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>
#include <pulse/volume.h>

#include <optional>

namespace {

const char* const ClientName = "Pictorelle Dazuzarid";

//! What the tool needs to know of a source.
struct SourceFacts
{
    quint32 index = PA_INVALID_INDEX;
    bool monitor = false;
    int channels = 0;
    int steps = 0;
    int volume = -1;
};

void storeSourceFacts(pa_context*, const pa_source_info* info, int eol, void* userdata)
{
    if (eol != 0 || !info)
        return;
    auto& facts = *static_cast<std::optional<SourceFacts>*>(userdata);
    SourceFacts f;
    f.index = info->index;
    f.monitor = info->monitor_of_sink != PA_INVALID_INDEX;
    f.channels = info->volume.channels;
    f.steps = int(info->n_volume_steps);
    f.volume = info->volume.channels > 0 ? int(info->volume.values[0]) : -1;
    facts = f;
}

void storeDefaultSource(pa_context*, const pa_server_info* info, void* userdata)
{
    if (info && info->default_source_name)
        *static_cast<QByteArray*>(userdata) = info->default_source_name;
}

//! The source now; the caller holds the connection's lock.
std::optional<SourceFacts> sourceByIndex(const PulseConnection& c, quint32 index)
{
    std::optional<SourceFacts> facts;
    if (!c.finish(pa_context_get_source_info_by_index(c.context(), index, storeSourceFacts, &facts)))
        return std::nullopt;
    return facts;
}

//! The default source unless it is a monitor; the caller holds the connection's lock.
std::optional<SourceFacts> defaultMicrophone(const PulseConnection& c)
{
    QByteArray name;
    if (!c.finish(pa_context_get_server_info(c.context(), storeDefaultSource, &name)) || name.isEmpty())
        return std::nullopt;
    std::optional<SourceFacts> facts;
    if (!c.finish(pa_context_get_source_info_by_name(c.context(), name.constData(), storeSourceFacts, &facts)))
        return std::nullopt;
    if (facts && facts->monitor)
        return std::nullopt;
    return facts;
}

void ignoreSuccess(pa_context*, int, void*)
{}

} // namespace

int findMicrophoneSource()
{
    const auto connection = PulseConnection::connect(ClientName);
    if (!connection)
        return -1;
    PulseConnection::Lock lock(*connection);
    const auto facts = defaultMicrophone(*connection);
    return facts ? int(facts->index) : -1;
}

std::unique_ptr<InputVolume> InputVolume::create(const QString& source)
{
    auto connection = PulseConnection::connect(ClientName);
    if (!connection)
        return nullptr;
    std::optional<SourceFacts> facts;
    {
        PulseConnection::Lock lock(*connection);
        if (!source.isEmpty()) {
            const QByteArray name = source.toUtf8();
            connection->finish(
                pa_context_get_source_info_by_name(connection->context(), name.constData(), storeSourceFacts, &facts));
            if (facts && facts->monitor)
                return nullptr;
        }
        if (!facts)
            facts = defaultMicrophone(*connection);
    }
    if (!facts || facts->channels <= 0)
        return nullptr;
    std::unique_ptr<InputVolume> volume(
        new InputVolume(std::move(connection), facts->index, facts->steps, facts->volume));
    // Without the subscription the level still works; only the listener stays silent.
    volume->subscribe();
    return volume;
}

InputVolume::InputVolume(std::unique_ptr<PulseConnection> connection, quint32 index, int steps, int volume)
    : m_connection(std::move(connection)), m_index(index), m_steps(steps), m_lastSeen(volume)
{}

InputVolume::~InputVolume()
{
    // Joins libpulse's thread first, so no callback reaches a half-destroyed object.
    m_connection.reset();
}

int InputVolume::volumeMax() const
{
    return int(PA_VOLUME_NORM);
}

int InputVolume::getVolume() const
{
    PulseConnection::Lock lock(*m_connection);
    const auto facts = sourceByIndex(*m_connection, m_index);
    return facts ? facts->volume : -1;
}

void InputVolume::setVolume(int volume)
{
    if (volume < volumeMin() || volume > volumeMax())
        return;
    PulseConnection::Lock lock(*m_connection);
    // The channel count of the moment: a source may change its channel map.
    const auto facts = sourceByIndex(*m_connection, m_index);
    if (!facts || facts->channels <= 0)
        return;
    pa_cvolume levels;
    pa_cvolume_set(&levels, unsigned(facts->channels), pa_volume_t(volume));
    m_connection->finish(
        pa_context_set_source_volume_by_index(m_connection->context(), m_index, &levels, ignoreSuccess, nullptr));
}

void InputVolume::setChangeListener(ChangeListener listener)
{
    std::lock_guard lock(m_listenerLock);
    m_listener = std::move(listener);
}

bool InputVolume::subscribe()
{
    PulseConnection::Lock lock(*m_connection);
    pa_context_set_subscribe_callback(
        m_connection->context(),
        [](pa_context*, pa_subscription_event_type_t type, uint32_t index, void* self) {
            if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SOURCE &&
                (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_CHANGE)
                static_cast<InputVolume*>(self)->sourceChanged(index);
        },
        this);
    return m_connection->finish(
        pa_context_subscribe(m_connection->context(), PA_SUBSCRIPTION_MASK_SOURCE, ignoreSuccess, nullptr));
}

void InputVolume::sourceChanged(quint32 index)
{
    if (index != m_index)
        return;
    // Asked without waiting: this runs on the loop's thread, which delivers the answer.
    pa_operation* op = pa_context_get_source_info_by_index(
        m_connection->context(), index,
        [](pa_context*, const pa_source_info* info, int eol, void* self) {
            if (eol == 0 && info && info->volume.channels > 0)
                static_cast<InputVolume*>(self)->levelSeen(int(info->volume.values[0]));
        },
        this);
    if (op)
        pa_operation_unref(op);
}

void InputVolume::levelSeen(int volume)
{
    // A source also changes state (idle, running); only a new level is news.
    if (m_lastSeen.exchange(volume) == volume)
        return;
    ChangeListener listener;
    {
        std::lock_guard lock(m_listenerLock);
        listener = m_listener;
    }
    if (listener)
        listener(volume);
}
