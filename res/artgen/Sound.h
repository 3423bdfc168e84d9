#pragma once

#include <QByteArray>

namespace Sound {

// The alert for a waiting batch: two short rising tones, 16-bit mono PCM in a WAVE file.
QByteArray alertWave();

} // namespace Sound
