#pragma once

#include <QString>

#include <vector>

//! One source the sound server records from: a microphone, never the monitor of an output.
struct InputSource
{
    QString name;           //!< the server's name, as ports and the settings file know it
    QString description;    //!< what the author sees ("USB Microphone Analog Stereo")
    bool isDefault = false; //!< the server's default source

    bool operator==(const InputSource&) const = default;
};

//! The sound server's sources, in its own order, or why they could not be listed.
struct InputSourceList
{
    std::vector<InputSource> sources;
    QString error; //!< empty when the server answered

    bool ok() const { return error.isEmpty(); }
    //! The source of that name; null when it is not listed.
    const InputSource* find(const QString& name) const
    {
        for (const InputSource& source : sources) {
            if (source.name == name)
                return &source;
        }
        return nullptr;
    }
};

//! Tells its owner of sources coming and going for as long as it lives.
class InputSourceWatch
{
public:
    virtual ~InputSourceWatch() = default;
};
