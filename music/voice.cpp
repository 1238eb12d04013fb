#include "music/voice.h"

Voice voices[VOICE_COUNT];
