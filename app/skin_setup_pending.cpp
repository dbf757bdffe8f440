// Stands in for the skin set-up until the skin subsystem is linked into the program.
#include "skin_setup.h"

void SkinSetup() {}
