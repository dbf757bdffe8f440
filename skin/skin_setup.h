// Start-up of the skin engine: deploys SkinH_EL.dll beside the executable and attaches a
// built-in skin. Runs on the user-interface thread inside the main window's creation handler.
#pragma once
#include <cstdint>

// Deploys the library, switches the engine's aero effect on and attaches built-in skin 8.
void SkinSetup();
// Writes SkinLibraryImage, hidden, to <run directory>\SkinH_EL.dll when nothing of that name is
// there. Whatever already lies there (even a folder) is left as it is. Failures pass silently.
void DeploySkinLibrary();
// Hands built-in skin `number` (1 to 33) to the engine; any other number hands it no skin.
void AttachBuiltInSkin(std::int32_t number);
