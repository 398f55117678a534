// Placeholder until the engine lands: the exports arrive with the engine slot.
#include "dorvex.h"
