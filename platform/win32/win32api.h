// The one header through which the engine reaches the operating system. On Windows it is the
// real API; the native Linux build has a header of the same name over our own stand-in.
#pragma once
#include <windows.h>
