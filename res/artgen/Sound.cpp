#include "Sound.h"

#include <QDataStream>
#include <QIODevice>

#include <algorithm>
#include <cmath>
#include <vector>

namespace Sound {
namespace {

constexpr int kRate = 22050;

void tone(std::vector<double>& samples, double start, double length, double frequency)
{
    const int first = static_cast<int>(start * kRate);
    const int count = static_cast<int>(length * kRate);
    if (samples.size() < static_cast<size_t>(first + count))
        samples.resize(first + count, 0.0);
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double attack = std::min(1.0, t / 0.006);
        const double decay = std::exp(-t * 9.0);
        const double wave = std::sin(2 * M_PI * frequency * t) + 0.25 * std::sin(4 * M_PI * frequency * t);
        samples[first + i] += 0.5 * attack * decay * wave;
    }
}

} // namespace

QByteArray alertWave()
{
    std::vector<double> samples;
    tone(samples, 0.0, 0.28, 1318.5);  // E6
    tone(samples, 0.14, 0.42, 1760.0); // A6
    QByteArray wave;
    QDataStream out(&wave, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    const quint32 dataBytes = static_cast<quint32>(samples.size() * 2);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(kRate) << quint32(kRate * 2) << quint16(2)
        << quint16(16);
    out.writeRawData("data", 4);
    out << dataBytes;
    for (double s : samples)
        out << qint16(std::lround(std::clamp(s, -1.0, 1.0) * 32000));
    return wave;
}

} // namespace Sound
