// Reaches up into the channel windows: the layer check must refuse it.
#include "channel/CProgramRun.h"
