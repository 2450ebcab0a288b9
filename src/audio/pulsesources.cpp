#include "audio/pulsesources.h"

#include "audio/pulseconnection.h"

#include <QByteArray>

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>

namespace {

const char* const ClientName = "Pictorelle Dazuzarid";

void storeDefaultSource(pa_context*, const pa_server_info* info, void* userdata)
{
    if (info && info->default_source_name)
        *static_cast<QByteArray*>(userdata) = info->default_source_name;
}

void storeSource(pa_context*, const pa_source_info* info, int eol, void* userdata)
{
    if (eol != 0 || !info || !info->name)
        return;
    // The monitor of an output records what the computer plays, not a voice.
    if (info->monitor_of_sink != PA_INVALID_INDEX)
        return;
    InputSource source;
    source.name = QString::fromUtf8(info->name);
    source.description = info->description ? QString::fromUtf8(info->description) : source.name;
    static_cast<InputSourceList*>(userdata)->sources.push_back(source);
}

void ignoreSuccess(pa_context*, int, void*)
{}

QString serverError(const PulseConnection& connection)
{
    return QStringLiteral("the sound server did not list its sources (%1)")
        .arg(QString::fromUtf8(pa_strerror(pa_context_errno(connection.context()))));
}

} // namespace

InputSourceList listPulseSources()
{
    InputSourceList list;
    const auto connection = PulseConnection::connect(ClientName);
    if (!connection) {
        list.error = QStringLiteral("cannot connect to the sound server");
        return list;
    }
    PulseConnection::Lock lock(*connection);
    QByteArray defaultName;
    if (!connection->finish(pa_context_get_server_info(connection->context(), storeDefaultSource, &defaultName))) {
        list.error = serverError(*connection);
        return list;
    }
    if (!connection->finish(pa_context_get_source_info_list(connection->context(), storeSource, &list))) {
        list.sources.clear();
        list.error = serverError(*connection);
        return list;
    }
    const QString defaultSource = QString::fromUtf8(defaultName);
    for (InputSource& source : list.sources)
        source.isDefault = source.name == defaultSource;
    return list;
}

std::unique_ptr<PulseSourceWatch> PulseSourceWatch::start(std::function<void()> changed)
{
    auto connection = PulseConnection::connect(ClientName);
    if (!connection)
        return nullptr;
    std::unique_ptr<PulseSourceWatch> watch(new PulseSourceWatch(std::move(connection), std::move(changed)));
    const PulseConnection& c = *watch->m_connection;
    PulseConnection::Lock lock(c);
    pa_context_set_subscribe_callback(
        c.context(),
        [](pa_context*, pa_subscription_event_type_t type, uint32_t, void* self) {
            const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
            const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
            // A source also changes whenever a stream starts or ends on it; only its coming
            // and going is news, and the server's changes (its default source among them).
            const bool sourceCameOrWent =
                facility == PA_SUBSCRIPTION_EVENT_SOURCE && kind != PA_SUBSCRIPTION_EVENT_CHANGE;
            if (sourceCameOrWent || facility == PA_SUBSCRIPTION_EVENT_SERVER)
                static_cast<PulseSourceWatch*>(self)->m_changed();
        },
        watch.get());
    const auto mask = pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER);
    if (!c.finish(pa_context_subscribe(c.context(), mask, ignoreSuccess, nullptr)))
        return nullptr;
    return watch;
}

PulseSourceWatch::PulseSourceWatch(std::unique_ptr<PulseConnection> connection, std::function<void()> changed)
    : m_connection(std::move(connection)), m_changed(std::move(changed))
{}

PulseSourceWatch::~PulseSourceWatch()
{
    // Disconnects and joins libpulse's thread first: no event reaches a half-destroyed watch.
    m_connection.reset();
}
