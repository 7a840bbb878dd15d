// The contract is header-only; this unit makes sure its headers stand on their own.
#include "ui/window.h"
