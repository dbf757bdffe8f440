// The skin set-up: deploys the skin engine library and attaches a built-in skin at start-up.
#pragma once

void SkinSetup();
