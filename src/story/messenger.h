#pragma once

#include <QString>

//! Where logic reports a message the user must see; the GUI shows a message box,
//! the CLI prints to stderr, tests record.
class Messenger
{
public:
    enum class Icon {
        Information,
        Warning,
        Error
    };
    virtual ~Messenger() = default;
    //! May be called from a worker thread: implementations hand it to their own thread.
    virtual void showMessage(const QString& caption, const QString& text, Icon icon) = 0;
};
