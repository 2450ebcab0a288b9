#include "audio/inputsourcemonitor.h"

#include "audio/audiobackend.h"

#include <memory>

InputSourceMonitor::InputSourceMonitor(AudioBackend& backend, Listener listener)
    : m_backend(backend), m_listener(std::move(listener))
{
    m_thread = std::thread([this] { run(); });
}

InputSourceMonitor::~InputSourceMonitor()
{
    {
        std::lock_guard lock(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void InputSourceMonitor::refresh()
{
    {
        std::lock_guard lock(m_lock);
        m_pending = true;
    }
    m_wake.notify_all();
}

void InputSourceMonitor::run()
{
    // The watch tells on the backend's own thread; it goes before this thread ends.
    std::unique_ptr<InputSourceWatch> watch;
    for (;;) {
        {
            std::unique_lock lock(m_lock);
            m_wake.wait(lock, [this] { return m_pending || m_stop; });
            if (m_stop)
                return;
            m_pending = false;
        }
        // A server that was not there at first may have started since.
        if (!watch)
            watch = m_backend.watchInputSources([this] { refresh(); });
        const InputSourceList list = m_backend.listInputSources();
        {
            std::lock_guard lock(m_lock);
            if (m_stop)
                return;
        }
        m_listener(list);
    }
}
