// Fake console header for the demo's unit test: see fake_console.h.
#include "fake_console.h"
