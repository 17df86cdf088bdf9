// Reaches up into the temperature programs, a layer above the main window's: the layer
// check must refuse it.
#include "programmer/CProgrammer.h"
