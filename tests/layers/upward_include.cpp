// Compiled with the include folders of the engine's ftp layer: the include of
// a higher layer must not be found.
#include "schedule/Engine.h"
