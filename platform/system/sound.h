// Sounds. The program plays none; stopping "any sound that is playing" is the
// only call it makes, and there is never anything to stop.
#pragma once

#include "platform/base/types.h"

constexpr UINT SND_SYNC = 0x0000;
constexpr UINT SND_ASYNC = 0x0001;
constexpr UINT SND_NODEFAULT = 0x0002;

// Plays nothing and returns TRUE: a null sound (stop) always succeeds; a named
// sound is accepted and ignored.
BOOL sndPlaySoundW(LPCWSTR sound, UINT flags);
