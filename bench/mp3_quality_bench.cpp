// Chooses LAME's quality setting by measurement, on the published narration format: 22050 Hz
// mono, 24 kbit/s constant rate, a bare frame stream (no info frame, no tag), configured the way
// src/audio/mp3encoder.cpp does it plus the quality under test. For each setting it reports the
// encode time of 60 s of speech (median of alternating rounds, in memory, one second per call as
// the program feeds it) and how close LAME's own decoder brings the sound back: SNR, segmental
// SNR over 20 ms frames, and both again below 5.5 kHz, since the encoder drops the band above
// about 5.8 kHz at this rate whatever the quality. A second input mixes the speech with room
// noise and plucked chords, to see whether the ranking holds. The lame command-line tool's time
// for the same conversion is shown for reference.
//
// Usage: mp3_quality_bench [cache folder]

#include "noisetomask.h"
#include "soundcomparison.h"

#include <lame/lame.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <optional>
#include <random>
#include <vector>

#include <sys/resource.h>
#include <time.h>

namespace {

constexpr int sampleRate = 22050;
constexpr int kilobitsPerSecond = 24;
constexpr int inputSeconds = 60;
constexpr qsizetype inputSamples = qsizetype(sampleRate) * inputSeconds;
constexpr int rounds = 9;
constexpr int toolRounds = 5;
// Left to LAME: what the program does today.
constexpr int unsetQuality = -1;
// MPEG-2 Layer III: 576 samples a frame.
constexpr int frameSamples = 576;
// Band-limited figures are taken below this, under the encoder's own lowpass.
constexpr double bandHz = 5500;

using Samples = std::vector<qint16>;
using Bytes = std::vector<unsigned char>;

struct Setting
{
    const char* name;
    int quality;
    const char* toolQuality; // the lame tool's -q argument; null for none
};

// Timed in this order in every round.
const Setting settings[] = {
    {"default", unsetQuality, nullptr}, {"q5", 5, "5"}, {"q7", 7, "7"}, {"q2", 2, "2"}, {"q9", 9, "9"}};

struct Passage
{
    const char* voice;
    const char* pitch;
    const char* wordsPerMinute;
    const char* text;
};

// A little over 60 s of narration in four voices.
const Passage passages[] = {
    {"en", "50", "175",
     "Welcome back to the harbour walk. This morning the fishing boats came in early, and the market filled with "
     "voices before the sun was over the hill. Look at the old lighthouse on the left: it was built in eighteen "
     "ninety, rebuilt after the storm of nineteen fifty three, and it still turns its lamp every night."},
    {"en+f3", "60", "160",
     "Further along, the path climbs between stone walls covered in moss. Take your time here. Listen for the "
     "gulls, and for the bell of the chapel that rings on the hour. When we reach the top, you will see the whole "
     "bay, the islands, and on a clear day the mountains far to the north."},
    {"en-us", "40", "180",
     "In the spring, the meadow below the chapel turns yellow with flowers, and children from the village come up "
     "to fly their kites. Their grandparents remember a time when the hill was bare, before the first trees were "
     "planted by the school. Now the wood is home to owls, foxes and a family of badgers, which you may see at "
     "dusk if you are quiet. That is where our next story begins."},
    {"en+m3", "35", "165",
     "Before we go on, a word about the weather. The wind can change quickly on the cliffs, so keep a coat with "
     "you, and stay on the marked path. The ferry back to town leaves at half past four from the little pier."},
};

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// 60 s of synthesized speech, peaks at -1 dBFS; written beside path and renamed once complete
// (hence the explicit output type). sox runs repeatably (-R): its dither is the same every time.
bool makeSpeech(const QString& path, const QTemporaryDir& work)
{
    QStringList parts;
    for (const Passage& passage : passages) {
        const QString part = work.filePath(QStringLiteral("passage%1.wav").arg(parts.size()));
        if (!run("espeak-ng", {"-v", passage.voice, "-p", passage.pitch, "-s", passage.wordsPerMinute, "-w", part,
                               QString::fromLatin1(passage.text)}))
            return false;
        parts << part;
    }
    const QString partial = path + ".part";
    return run("sox", QStringList{"-R"} + parts +
                          QStringList{"-r", "22050", "-c", "1", "-b", "16", "-t", "wav", partial, "trim", "0", "60",
                                      "gain", "-n", "-1"}) &&
           QFile::rename(partial, path);
}

// The speech over pink room noise (about -43 dBFS) and plucked chords changing every 2 s
// (about -32 dBFS), peaks at -1 dBFS.
bool makeMixed(const QString& speech, const QString& path, const QTemporaryDir& work)
{
    const char* chords[] = {"C3 E3 G3 C4", "A2 C3 E3 A3", "F2 A2 C3 F3", "G2 B2 D3 G3"};
    QStringList chordFiles;
    for (const char* chord : chords) {
        const QString file = work.filePath(QStringLiteral("chord%1.wav").arg(chordFiles.size()));
        QStringList arguments{"-R", "-n", "-r", "22050", "-b", "16", "-c", "4", file, "synth", "2"};
        for (const QString& note : QString::fromLatin1(chord).split(' '))
            arguments << "pluck" << note;
        if (!run("sox", arguments))
            return false;
        chordFiles << file;
    }
    const QString music = work.filePath("music.wav");
    const QString noise = work.filePath("noise.wav");
    const QString partial = path + ".part";
    const QStringList mix{"-R", "-m", "-v", "1", speech, "-v", "0.05", noise, "-v", "0.4", music};
    const QStringList mixed{"-b", "16", "-t", "wav", partial, "trim", "0", "60", "gain", "-n", "-1"};
    return run("sox", QStringList{"-R"} + chordFiles +
                          QStringList{"-c", "1", music, "remix", "-", "repeat", "7", "trim", "0", "60"}) &&
           run("sox", {"-R", "-n", "-r", "22050", "-b", "16", "-c", "1", noise, "synth", "60", "pinknoise"}) &&
           run("sox", mix + mixed) && QFile::rename(partial, path);
}

// The samples of a 16-bit mono 22050 Hz wave file; empty when it is not one.
Samples readWave(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return {};
    bool narrationFormat = false;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const char* chunk = bytes.constData() + at;
        const quint32 size = qFromLittleEndian<quint32>(chunk + 4);
        const qsizetype body = at + 8;
        if (bytes.mid(at, 4) == "fmt " && size >= 16 && body + 16 <= bytes.size()) {
            const quint16 tag = qFromLittleEndian<quint16>(chunk + 8);
            narrationFormat = (tag == 1 || tag == 0xFFFE) && qFromLittleEndian<quint16>(chunk + 10) == 1 &&
                              qFromLittleEndian<quint32>(chunk + 12) == quint32(sampleRate) &&
                              qFromLittleEndian<quint16>(chunk + 22) == 16;
        } else if (bytes.mid(at, 4) == "data") {
            if (!narrationFormat)
                return {};
            Samples samples(size_t(std::min<qsizetype>(size, bytes.size() - body) / 2));
            qFromLittleEndian<qint16>(bytes.constData() + body, qsizetype(samples.size()), samples.data());
            return samples;
        }
        at = body + qsizetype(size) + (size & 1);
    }
    return {};
}

// Configured as the program's encoder does it; unsetQuality leaves the quality to LAME.
lame_t openEncoder(int quality)
{
    lame_t lame = lame_init();
    if (!lame)
        return nullptr;
    lame_set_in_samplerate(lame, sampleRate);
    lame_set_num_channels(lame, 1);
    lame_set_out_samplerate(lame, sampleRate);
    lame_set_brate(lame, kilobitsPerSecond);
    lame_set_mode(lame, MONO);
    lame_set_VBR(lame, vbr_off);
    lame_set_bWriteVbrTag(lame, 0);
    lame_set_write_id3tag_automatic(lame, 0);
    if (quality != unsetQuality)
        lame_set_quality(lame, quality);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return nullptr;
    }
    return lame;
}

// The whole MP3 in memory; empty on failure.
Bytes encode(const Samples& pcm, int quality)
{
    lame_t lame = openEncoder(quality);
    if (!lame)
        return {};
    Bytes mp3;
    mp3.reserve(pcm.size() / 7 + 8192);
    // The library's worst case for one call of one second, as the program sizes it.
    Bytes block(size_t(sampleRate) * 5 / 4 + 7200);
    bool failed = false;
    for (size_t at = 0; at < pcm.size() && !failed; at += sampleRate) {
        const int count = int(std::min<size_t>(sampleRate, pcm.size() - at));
        const int made =
            lame_encode_buffer(lame, pcm.data() + at, pcm.data() + at, count, block.data(), int(block.size()));
        failed = made < 0;
        if (!failed)
            mp3.insert(mp3.end(), block.begin(), block.begin() + made);
    }
    const int tail = failed ? -1 : lame_encode_flush(lame, block.data(), int(block.size()));
    lame_close(lame);
    if (tail < 0)
        return {};
    mp3.insert(mp3.end(), block.begin(), block.begin() + tail);
    return mp3;
}

// Decoded with LAME's own decoder, whose output starts after the encoder's and the decoder's delays.
// The decoder takes a writable buffer, hence the copy.
std::optional<Samples> decode(Bytes mp3)
{
    hip_t hip = hip_decode_init();
    if (!hip)
        return std::nullopt;
    constexpr size_t piece = 1024;
    // Far more than the frames a piece can complete.
    std::vector<short> left(size_t(frameSamples) * 64), right(left.size());
    Samples decoded;
    decoded.reserve(size_t(inputSamples) + 8192);
    bool failed = false;
    for (size_t at = 0; at < mp3.size() && !failed; at += piece) {
        const int made = hip_decode(hip, mp3.data() + at, std::min(piece, mp3.size() - at), left.data(), right.data());
        failed = made < 0;
        if (!failed)
            decoded.insert(decoded.end(), left.begin(), left.begin() + made);
    }
    hip_decode_exit(hip);
    if (failed)
        return std::nullopt;
    return decoded;
}

Signal toSignal(const Samples& samples)
{
    return Signal(samples.begin(), samples.end());
}

// Every frame must be MPEG-2 Layer III at 24 kbit/s, 22050 Hz, mono, with nothing between the
// frames or after the last one.
struct StreamCheck
{
    bool ok = false;
    int frames = 0;
    double bytesPerSecond = 0;
};

StreamCheck checkStream(const Bytes& mp3)
{
    StreamCheck check;
    size_t at = 0;
    while (at + 4 <= mp3.size()) {
        const unsigned char* header = mp3.data() + at;
        const bool expected = header[0] == 0xFF && (header[1] & 0xFE) == 0xF2 && (header[2] >> 4) == 3 &&
                              ((header[2] >> 2) & 3) == 0 && (header[3] >> 6) == 3;
        if (!expected)
            return check;
        at += size_t(72 * kilobitsPerSecond * 1000 / sampleRate + ((header[2] >> 1) & 1));
        ++check.frames;
    }
    check.ok = at == mp3.size() && check.frames > 0;
    check.bytesPerSecond =
        check.frames > 0 ? double(mp3.size()) * sampleRate / (double(check.frames) * frameSamples) : 0;
    return check;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t half = values.size() / 2;
    return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2;
}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double childrenCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double wallMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Row
{
    std::vector<double> wall, cpu;
    Bytes mp3;
    bool stable = true; // every round made the same bytes
    int quality = 0;    // as LAME settled it
    std::optional<int> lag;
    Fidelity full, band;
    NoiseToMask nmr;
    StreamCheck stream;
    int sameAs = -1; // an earlier setting that made the very same bytes
    // The lame tool, for reference.
    std::vector<double> toolWall, toolCpu;
    qint64 toolBytes = -1;
    bool toolFailed = false;
    QString toolBareSame = "-";
};

QStringList toolArguments(const Setting& setting, const QString& wav, const QString& mp3, bool bare)
{
    QStringList arguments{"--quiet", "-m", "m", "-b", "24", "--resample", "22.05"};
    if (setting.toolQuality)
        arguments << "-q" << setting.toolQuality;
    if (bare)
        arguments << "-t";
    return arguments << wav << mp3;
}

Bytes readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return Bytes(bytes.begin(), bytes.end());
}

double rmsDbfs(const Samples& pcm)
{
    double sum = 0;
    for (const qint16 sample : pcm)
        sum += double(sample) * sample;
    return 10 * std::log10(sum / double(pcm.size()) / (32768.0 * 32768.0));
}

bool measure(const char* title, const QString& wav, const Signal& taps, const MaskModel& model,
             const QTemporaryDir& work)
{
    const Samples pcm = readWave(wav);
    if (qsizetype(pcm.size()) != inputSamples) {
        std::printf("== %s: %s is not 60 s of 16-bit mono 22050 Hz\n", title, qPrintable(wav));
        return false;
    }
    std::printf("\n== %s: %.1f s, RMS %.1f dBFS (%s)\n", title, double(pcm.size()) / sampleRate, rmsDbfs(pcm),
                qPrintable(wav));
    constexpr size_t count = std::size(settings);
    std::vector<Row> rows(count);
    // Alternating, so a busy moment of the machine does not fall on one setting only.
    for (int round = 0; round < rounds; ++round) {
        for (size_t s = 0; s < count; ++s) {
            const double wallBefore = wallMs();
            const double cpuBefore = threadCpuMs();
            Bytes mp3 = encode(pcm, settings[s].quality);
            const double cpu = threadCpuMs() - cpuBefore;
            const double wall = wallMs() - wallBefore;
            if (mp3.empty()) {
                std::printf("  %s: the encoder failed\n", settings[s].name);
                return false;
            }
            rows[s].wall.push_back(wall);
            rows[s].cpu.push_back(cpu);
            if (round == 0)
                rows[s].mp3 = std::move(mp3);
            else
                rows[s].stable = rows[s].stable && mp3 == rows[s].mp3;
        }
    }

    const Signal source = toSignal(pcm);
    const Signal sourceBand = lowpass(source, taps);
    const Spectra sourceSpectra = spectra(model, source);
    const std::vector<Signal> masks = maskOf(model, sourceSpectra);
    for (size_t s = 0; s < count; ++s) {
        Row& row = rows[s];
        if (lame_t lame = openEncoder(settings[s].quality)) {
            row.quality = lame_get_quality(lame);
            lame_close(lame);
        }
        row.stream = checkStream(row.mp3);
        const std::optional<Samples> decoded = decode(row.mp3);
        if (!decoded) {
            std::printf("  %s: the decoder failed\n", settings[s].name);
            return false;
        }
        const Signal decodedSignal = toSignal(*decoded);
        row.lag = findLag(source, decodedSignal);
        if (!row.lag) {
            std::printf("  %s: the decoded signal is too short (%zu samples)\n", settings[s].name, decoded->size());
            return false;
        }
        const Signal aligned = align(decodedSignal, *row.lag, source.size());
        row.full = compare(source, aligned);
        row.band = compare(sourceBand, lowpass(aligned, taps));
        Signal error(source.size());
        for (size_t i = 0; i < source.size(); ++i)
            error[i] = source[i] - row.full.gain * aligned[i];
        row.nmr = noiseToMask(model, sourceSpectra, masks, error);
        for (size_t earlier = 0; earlier < s && row.sameAs < 0; ++earlier)
            if (rows[earlier].mp3 == row.mp3)
                row.sameAs = int(earlier);
    }

    const bool haveTool = !QStandardPaths::findExecutable("lame").isEmpty();
    if (haveTool) {
        for (int round = 0; round < toolRounds; ++round) {
            for (size_t s = 0; s < count; ++s) {
                const QString out = work.filePath(QStringLiteral("tool-%1.mp3").arg(settings[s].name));
                const double wallBefore = wallMs();
                const double cpuBefore = childrenCpuMs();
                const bool ok = run("lame", toolArguments(settings[s], wav, out, false));
                rows[s].toolCpu.push_back(childrenCpuMs() - cpuBefore);
                rows[s].toolWall.push_back(wallMs() - wallBefore);
                rows[s].toolFailed = rows[s].toolFailed || !ok;
                rows[s].toolBytes = QFile(out).size();
            }
        }
        // The tool without its info frame should make the very bytes measured above.
        for (size_t s = 0; s < count; ++s) {
            const QString out = work.filePath(QStringLiteral("tool-bare-%1.mp3").arg(settings[s].name));
            if (run("lame", toolArguments(settings[s], wav, out, true)))
                rows[s].toolBareSame = readBytes(out) == rows[s].mp3 ? "yes" : "no";
        }
    }

    const Row& base = rows[0];
    // The same noise power as the default's, spread evenly over the spectrum: how a noise that is not
    // shaped at all scores.
    NoiseToMask whiteNoise;
    {
        std::mt19937 generator(1);
        std::normal_distribution<double> normal;
        const double sourceEnergy = std::inner_product(source.begin(), source.end(), source.begin(), 0.0);
        const double rms = std::sqrt(sourceEnergy / double(source.size()) / std::pow(10.0, base.full.snr / 10));
        Signal noise(source.size());
        for (double& sample : noise)
            sample = rms * normal(generator);
        whiteNoise = noiseToMask(model, sourceSpectra, masks, noise);
    }
    const double baseWall = median(base.wall);
    const double baseCpu = median(base.cpu);
    std::printf("  encoding in memory, median of %d alternating rounds:\n", rounds);
    std::printf("  %-8s %2s %8s %8s %6s %7s %7s %-6s %-6s %s\n", "setting", "q", "ms/60s", "CPU ms", "speed", "bytes",
                "B/s", "stream", "rounds", "same bytes as");
    for (size_t s = 0; s < count; ++s) {
        const Row& row = rows[s];
        const double wall = median(row.wall);
        const bool cbr = row.stream.ok && std::abs(row.stream.bytesPerSecond - 3000) < 1;
        std::printf("  %-8s %2d %8.1f %8.1f %5.2fx %7zu %7.1f %-6s %-6s %s\n", settings[s].name, row.quality, wall,
                    median(row.cpu), baseWall / wall, row.mp3.size(), row.stream.bytesPerSecond, cbr ? "CBR ok" : "BAD",
                    row.stable ? "same" : "differ", row.sameAs >= 0 ? settings[row.sameAs].name : "-");
    }
    std::printf("  decoded with LAME's decoder; SNR after a least-squares gain; segSNR: 20 ms frames above -50 dBFS, "
                "clamped to [%g, %g] dB; <5.5k: both sides lowpassed at 5.5 kHz; NMR: noise-to-mask ratio below "
                "5.5 kHz (lower is better), >0: frames with noise above the mask\n",
                lowestSegmentDb, highestSegmentDb);
    std::printf("  %-8s %6s %7s %6s %8s %9s %6s %7s %6s %6s %6s %5s %5s\n", "setting", "SNR", "segSNR", "dSeg",
                "SNR<5.5k", "seg<5.5k", "dSegB", "NMR", "dNMR", ">0 %", "gain", "lag", "segs");
    for (size_t s = 0; s < count; ++s) {
        const Row& row = rows[s];
        std::printf("  %-8s %6.2f %7.2f %+6.2f %8.2f %9.2f %+6.2f %7.2f %+6.2f %6.1f %6.4f %5d %5d\n", settings[s].name,
                    row.full.snr, row.full.segmental, row.full.segmental - base.full.segmental, row.band.snr,
                    row.band.segmental, row.band.segmental - base.band.segmental, row.nmr.meanDb,
                    row.nmr.meanDb - base.nmr.meanDb, row.nmr.abovePercent, row.full.gain, *row.lag, row.full.segments);
    }
    std::printf("  for scale, white noise at the default's SNR: NMR %.2f dB, >0 %.1f %%\n", whiteNoise.meanDb,
                whiteNoise.abovePercent);
    std::printf("  default's bytes same as lame_set_quality(3)'s: %s\n", encode(pcm, 3) == base.mp3 ? "yes" : "no");
    std::printf("  CPU time against default:");
    for (size_t s = 0; s < count; ++s)
        std::printf(" %s %.2fx", settings[s].name, baseCpu / median(rows[s].cpu));
    std::printf("\n");
    if (!haveTool) {
        std::printf("  lame tool not installed: no reference timing\n");
        return true;
    }
    std::printf("  lame --quiet -m m -b 24 --resample 22.05 [-q N] in.wav out.mp3, median of %d rounds "
                "(process start, wave reading and ReplayGain analysis included):\n",
                toolRounds);
    std::printf("  %-8s %8s %8s %6s %7s %s\n", "setting", "ms/60s", "CPU ms", "speed", "bytes",
                "with -t: same bytes as in memory");
    const double toolBase = median(base.toolWall);
    for (size_t s = 0; s < count; ++s) {
        const Row& row = rows[s];
        if (row.toolFailed) {
            std::printf("  %-8s failed\n", settings[s].name);
            continue;
        }
        std::printf("  %-8s %8.1f %8.1f %5.2fx %7lld %s\n", settings[s].name, median(row.toolWall), median(row.toolCpu),
                    toolBase / median(row.toolWall), static_cast<long long>(row.toolBytes),
                    qPrintable(row.toolBareSame));
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString cache = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(PICTORELLE_BENCH_CACHE_DIR);
    QDir().mkpath(cache);
    QTemporaryDir work;
    const QString speech = QDir(cache).filePath("quality-speech60.wav");
    const QString mixed = QDir(cache).filePath("quality-mixed60.wav");
    if (!QFile::exists(speech) && !makeSpeech(speech, work)) {
        std::printf("mp3_quality_bench: cannot make the speech input (needs espeak-ng and sox)\n");
        return 1;
    }
    if (!QFile::exists(mixed) && !makeMixed(speech, mixed, work)) {
        std::printf("mp3_quality_bench: cannot make the mixed input (needs sox)\n");
        return 1;
    }

    lame_t unset = lame_init();
    const int before = unset ? lame_get_quality(unset) : -99;
    if (unset)
        lame_close(unset);
    lame_t lame = openEncoder(unsetQuality);
    if (!lame) {
        std::printf("mp3_quality_bench: the encoder does not accept the narration settings\n");
        return 1;
    }
    std::printf("mp3_quality_bench: LAME %s; 22050 Hz mono, CBR 24 kbit/s, bare frame stream, as the program "
                "encodes\n",
                get_lame_version());
    std::printf("  quality left unset (the program sets none): %d after lame_init, %d after lame_init_params; "
                "lowpass %d Hz, encoder delay %d samples\n",
                before, lame_get_quality(lame), lame_get_lowpassfreq(lame), lame_get_encoder_delay(lame));
    lame_close(lame);

    const Signal taps = lowpassTaps(bandHz);
    const MaskModel model = makeMaskModel(bandHz);
    const bool speechOk = measure("speech (espeak-ng, four voices)", speech, taps, model, work);
    const bool mixedOk = measure("speech over room noise and plucked chords", mixed, taps, model, work);
    return speechOk && mixedOk ? 0 : 1;
}
