// A small library for the external-entry tests: one well-behaved stdcall entry, one without
// arguments, and one cdecl entry that leaves its arguments on the stack when called as stdcall.
#include <cstdint>

extern "C" {
__declspec(dllexport) std::int32_t __stdcall AddTwo(std::int32_t a, std::int32_t b) { return a + b; }
__declspec(dllexport) std::int32_t __stdcall Answer() { return 42; }
__declspec(dllexport) std::int32_t __cdecl CdeclTwo(std::int32_t a, std::int32_t b) { return a - b; }
}
