// Makes what the engine put on the clipboard available to other programs after we exit.
#pragma once
#include <string>

// True when the clipboard's image is where other programs can paste it; otherwise `problem`
// says why.
bool publishClipboard(std::string& problem);
