#pragma once

#include <atomic>

//! The progress and cancel of one export, owned by whoever runs it. Any thread may read and
//! write it.
class ExportProgress
{
public:
    //! Share of the export done, 0 to 1: the sound written of the whole show's length.
    double fraction() const { return m_fraction.load(); }
    //! Called by the export on its thread.
    void setFraction(double fraction) { m_fraction.store(fraction); }

    //! Asks the export to stop at its next check (between pictures and blocks of sound); it
    //! then leaves no file behind. Stays set.
    void requestCancel() { m_cancel.store(true); }
    bool isCancelRequested() const { return m_cancel.load(); }

private:
    std::atomic<double> m_fraction{0};
    std::atomic<bool> m_cancel{false};
};
