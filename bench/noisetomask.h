#pragma once

// A simple noise-to-mask ratio below a band edge, for the MP3 benchmarks: it shows where the coding
// noise lies against what the source masks, which the SNR cannot tell, since LAME's noise shaping
// moves noise under the mask at the cost of SNR. 512-sample Hann frames every 256 samples, 1-Bark bands; the source's band powers
// spread across bands (Schroeder's function), lowered by Johnston's offset for half-tonal sound,
// never below the threshold in quiet (full scale taken as 96 dB SPL). Not a calibrated model of
// listening; it ranks the settings, it does not grade them.

#include "soundcomparison.h"

#include <vector>

struct MaskModel
{
    std::vector<int> bandOfBin; // -1 outside the measured band
    int bands = 0;
    Signal window;
    double fullScale = 0; // the band power of a full-scale sine
    Signal spreading;     // bands x bands: from the masker's band (row) to the masked one
    Signal offset;        // per band, as a power ratio
    Signal quiet;         // per band, relative to fullScale
};

//! The model for the band below bandHz.
MaskModel makeMaskModel(double bandHz);

//! Every frame's band powers relative to a full-scale sine, and whether the source frame is speech
//! rather than a pause.
struct Spectra
{
    std::vector<Signal> bands;
    std::vector<bool> sounding;
};

Spectra spectra(const MaskModel& model, const Signal& x);

//! What the source masks in each band of each frame.
std::vector<Signal> maskOf(const MaskModel& model, const Spectra& source);

struct NoiseToMask
{
    double meanDb = 0;       // over the frames that are not pauses; lower is better
    double abovePercent = 0; // of those frames, the share whose noise is above the mask on average
};

//! error: the source less the decoded signal, aligned and scaled.
NoiseToMask noiseToMask(const MaskModel& model, const Spectra& source, const std::vector<Signal>& masks,
                        const Signal& error);
