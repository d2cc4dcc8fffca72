#pragma once

#include "audio/decodedaudio.h"

#include <QString>
#include <memory>

// Decodes a sound file on a worker thread. Whoever needs the result takes it, waiting only
// for what is left of the decoding; dropping the object abandons the work without waiting.
class BackgroundDecode
{
public:
    explicit BackgroundDecode(const QString& path);

    // The decoded audio, waiting for the worker if it has not finished. Once only.
    DecodedAudio take();
    bool isFinished() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};
