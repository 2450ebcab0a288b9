#pragma once

#include <QString>

#include <shared_mutex>

// The MP3 encoder library (LAME), opened at run time so the program starts without it.
// Load it once at start-up and unload it at exit, both on the main thread.

//! The encoder's session handle; its contents belong to the library.
struct lame_global_struct;
using LameHandle = lame_global_struct*;

//! The library's functions that the encoder uses; all non-null once loaded, except
//! setWriteId3TagAutomatic, which older libraries lack.
struct LameApi
{
    LameHandle (*init)();
    int (*setInSamplerate)(LameHandle, int);
    int (*setNumChannels)(LameHandle, int);
    int (*setOutSamplerate)(LameHandle, int);
    int (*setBrate)(LameHandle, int);
    //! Mode 3 is mono.
    int (*setMode)(LameHandle, int);
    //! Mode 0 is constant bit rate.
    int (*setVbr)(LameHandle, int);
    //! 0 (best, slowest) to 9 (fastest).
    int (*setQuality)(LameHandle, int);
    int (*setBWriteVbrTag)(LameHandle, int);
    void (*setWriteId3TagAutomatic)(LameHandle, int);
    int (*initParams)(LameHandle);
    int (*encodeBuffer)(LameHandle, const short*, const short*, int, unsigned char*, int);
    int (*encodeBufferInterleaved)(LameHandle, short*, int, unsigned char*, int);
    int (*encodeFlush)(LameHandle, unsigned char*, int);
    int (*close)(LameHandle);
};

//! The library file that is opened: $PICTORELLE_MP3_LIBRARY when set (tests point it at a
//! missing file), else "libmp3lame.so.0" from the system's library path.
QString mp3CodecLibraryName();

//! True when the library file can be opened (it need not be loaded).
bool isMp3CodecPresent();
//! Opens the library and resolves its functions; true when the encoder can be used.
//! Called at start-up; loading again while loaded does nothing and returns true.
bool loadMp3Codec();
//! Closes the library at exit; waits for an encode that still runs. True when it was loaded.
bool unloadMp3Codec();

//! Holds the loaded library while alive. Each encode keeps one of these for its whole run;
//! encodes run side by side (each has its own session), and unloading waits until all are gone.
class Mp3CodecLock
{
public:
    Mp3CodecLock();
    //! Null when the library is not loaded.
    const LameApi* api() const { return m_api; }

private:
    std::shared_lock<std::shared_mutex> m_lock;
    const LameApi* m_api;
};
