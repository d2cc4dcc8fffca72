#include "audio/soundoutput.h"

#include "audio/qtsoundoutput.h"
#ifdef ORLUNE_PULSE_OUTPUT
#include "audio/pulsesoundoutput.h"
#endif

std::unique_ptr<SoundOutput> SoundOutput::create()
{
#ifdef ORLUNE_PULSE_OUTPUT
    return std::make_unique<PulseSoundOutput>();
#else
    return std::make_unique<QtSoundOutput>();
#endif
}
