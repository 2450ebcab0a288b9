#include "audio/mp3codec.h"

#include <QFile>
#include <QLoggingCategory>

#include <dlfcn.h>
#include <mutex>

namespace {

Q_LOGGING_CATEGORY(lcMp3Codec, "pictorelle.audio.mp3codec")

struct CodecState
{
    std::shared_mutex mutex;
    void* library = nullptr;
    LameApi api{};
};

CodecState& state()
{
    static CodecState codec;
    return codec;
}

template <typename Function>
bool resolve(void* library, const char* name, Function& into)
{
    into = reinterpret_cast<Function>(dlsym(library, name));
    if (!into)
        qCWarning(lcMp3Codec) << "MP3 encoder library lacks" << name;
    return into != nullptr;
}

bool resolveAll(void* library, LameApi& api)
{
    // Every call is evaluated, so each missing function is logged.
    bool ok = resolve(library, "lame_init", api.init);
    ok &= resolve(library, "lame_set_in_samplerate", api.setInSamplerate);
    ok &= resolve(library, "lame_set_num_channels", api.setNumChannels);
    ok &= resolve(library, "lame_set_out_samplerate", api.setOutSamplerate);
    ok &= resolve(library, "lame_set_brate", api.setBrate);
    ok &= resolve(library, "lame_set_mode", api.setMode);
    ok &= resolve(library, "lame_set_VBR", api.setVbr);
    ok &= resolve(library, "lame_set_quality", api.setQuality);
    ok &= resolve(library, "lame_set_bWriteVbrTag", api.setBWriteVbrTag);
    ok &= resolve(library, "lame_init_params", api.initParams);
    ok &= resolve(library, "lame_encode_buffer", api.encodeBuffer);
    ok &= resolve(library, "lame_encode_buffer_interleaved", api.encodeBufferInterleaved);
    ok &= resolve(library, "lame_encode_flush", api.encodeFlush);
    ok &= resolve(library, "lame_close", api.close);
    // Optional: libraries without it never add a tag on their own.
    api.setWriteId3TagAutomatic =
        reinterpret_cast<void (*)(LameHandle, int)>(dlsym(library, "lame_set_write_id3tag_automatic"));
    return ok;
}

void* openLibrary()
{
    const QByteArray name = QFile::encodeName(mp3CodecLibraryName());
    // RTLD_LOCAL keeps the library's symbols out of the program's namespace.
    void* library = dlopen(name.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        qCInfo(lcMp3Codec) << "MP3 encoder library not loaded:" << dlerror();
    return library;
}

} // namespace

QString mp3CodecLibraryName()
{
    const QString configured = qEnvironmentVariable("PICTORELLE_MP3_LIBRARY");
    return configured.isEmpty() ? QStringLiteral("libmp3lame.so.0") : configured;
}

bool isMp3CodecPresent()
{
    void* library = openLibrary();
    if (!library)
        return false;
    dlclose(library);
    return true;
}

bool loadMp3Codec()
{
    CodecState& codec = state();
    const std::unique_lock lock(codec.mutex);
    if (codec.library)
        return true;
    void* library = openLibrary();
    if (!library)
        return false;
    LameApi api{};
    if (!resolveAll(library, api)) {
        dlclose(library);
        return false;
    }
    codec.library = library;
    codec.api = api;
    return true;
}

bool unloadMp3Codec()
{
    CodecState& codec = state();
    const std::unique_lock lock(codec.mutex);
    if (!codec.library)
        return false;
    dlclose(codec.library);
    codec.library = nullptr;
    codec.api = LameApi{};
    return true;
}

Mp3CodecLock::Mp3CodecLock() : m_lock(state().mutex), m_api(state().library ? &state().api : nullptr)
{}
