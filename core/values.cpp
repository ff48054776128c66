#include "values.h"

// Implemented with the settings loader.
